#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/LoopbackServer.h"
#include "support/TestSupport.h"
#include "support/WeeklyFetch.h"

extern char** environ;

namespace yomida {
namespace {

enum class Output {
    kGoneReader,  // a pipe whose reader has gone, as after `| head -1`
    kClosed,      // no standard output at all, as after `>&-`
};

struct Ending {
    bool signalled = false;
    int code = -1;  // the exit status, or the signal's number
    std::string err;
};

// Runs the built yomida-cli with standard input from `input`, standard output as `how` says and
// standard error into a file, with SIGPIPE at its default whatever this process does with it.
Ending RunBuiltProgram(const std::vector<std::string>& args, Output how,
                       const std::filesystem::path& errFile,
                       const std::filesystem::path& input = "/dev/null") {
    std::vector<std::string> words = {YOMIDA_CLI_PROGRAM};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& w : words) {
        argv.push_back(w.data());
    }
    argv.push_back(nullptr);

    int pipeEnds[2] = {-1, -1};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, input.c_str(), O_RDONLY, 0);
    if (how == Output::kGoneReader) {
        EXPECT_EQ(::pipe2(pipeEnds, O_CLOEXEC), 0);
        ::close(pipeEnds[0]);
        posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
    } else {
        posix_spawn_file_actions_addclose(&actions, 1);
    }
    posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attributes, &pipeSignal);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (pipeEnds[1] >= 0) {
        ::close(pipeEnds[1]);
    }
    Ending ending;
    if (spawned != 0) {
        ADD_FAILURE() << "cannot start " << argv[0];
        return ending;
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ending.signalled = WIFSIGNALED(status);
    ending.code = ending.signalled ? WTERMSIG(status) : WEXITSTATUS(status);
    ending.err = test::ReadBytes(errFile);
    return ending;
}

class ClosedOutputTest : public ::testing::Test {
protected:
    test::TempDir dir;
    std::string data = (dir / "data").string();
    std::string list = (dir / "data" / "comic0305.csv").string();

    void SetUp() override {
        std::filesystem::create_directories(dir / "data");
        test::WriteDataFile(list, {test::kListHeader, "1,0,講談社,15,ワンピース,尾田,420",
                                   "2,0,集英社,20,ワンピース学園,小路,480"});
        test::WriteBytes(dir / "input.txt", test::Sj("ＡＢＣ\r\n"));
    }
};

// Every kind of command, printing little or much, with or without lines on standard error
// between: none of them dies of the lost output, each says so and exits 1.
TEST_F(ClosedOutputTest, EveryCommandStopsPrintingAndExitsOne) {
    const std::vector<std::vector<std::string>> commands = {
        {"--version"},
        {"--help"},
        {"ical", "--help"},
        {"normalise"},
        {"show", list},
        {"ical", list, "-"},
        {"watch", data, "--title", "ワンピース"},
        {"status", "--data", data},
        {"status", "--data", data, "--json"},
        {"url", "--category", "3", "--month", "2003-05"},
        {"sources"},
    };
    for (const Output how : {Output::kGoneReader, Output::kClosed}) {
        for (const std::vector<std::string>& args : commands) {
            const Ending e = RunBuiltProgram(args, how, dir / "err.txt", dir / "input.txt");
            const std::string what = args[0] + (args.size() > 1 ? " " + args[1] : "");
            EXPECT_FALSE(e.signalled) << what << " ended by signal " << e.code;
            EXPECT_EQ(e.code, 1) << what << ": " << e.err;
            EXPECT_NE(e.err.find("yomida-cli: cannot write to standard output"), std::string::npos)
                << what << ": " << e.err;
        }
    }
    // With nothing between the failed write and the end, the message says why.
    EXPECT_NE(RunBuiltProgram({"--version"}, Output::kGoneReader, dir / "err.txt")
                  .err.find("standard output: Broken pipe\n"),
              std::string::npos);
    EXPECT_NE(RunBuiltProgram({"--version"}, Output::kClosed, dir / "err.txt")
                  .err.find("standard output: Bad file descriptor\n"),
              std::string::npos);
    // A command that prints nothing on standard output has nothing to lose there.
    const Ending tick = RunBuiltProgram({"tick", list, "2"}, Output::kClosed, dir / "err.txt");
    EXPECT_EQ(tick.code, 0) << tick.err;
    EXPECT_EQ(test::ReadDataFile(list)[2], "2,1,集英社,20,ワンピース学園,小路,480");
}

// The update prints a line per period as it goes; the reader gone before the first, it still
// fetches every period after it.
TEST_F(ClosedOutputTest, UpdateFetchesEveryPeriodWhenItsReaderHasGone) {
    const std::string reply = test::kWeeklyOk + test::WeeklyPage();
    test::LoopbackServer weekly({{reply}, {reply}});
    test::WriteBytes(dir / "y.ini", "[HOSTS]\r\nWEEKLY=127.0.0.1:" + std::to_string(weekly.Port()) +
                                        "\r\n[WATCH]\r\nTITLE=" + test::Sj("ワンピース") + "\r\n");
    const Ending e = RunBuiltProgram({"update", "--data", data, "--settings",
                                      (dir / "y.ini").string(), "--category", "2", "--months", "2"},
                                     Output::kGoneReader, dir / "err.txt");
    EXPECT_FALSE(e.signalled) << "signal " << e.code;
    EXPECT_EQ(e.code, 1) << e.err;
    EXPECT_NE(e.err.find("yomida-cli: cannot write to standard output"), std::string::npos)
        << e.err;
    EXPECT_EQ(weekly.Requests().size(), 2u);
    int weeklyLists = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir / "data")) {
        weeklyLists += entry.path().filename().string().starts_with("syosk") ? 1 : 0;
    }
    EXPECT_EQ(weeklyLists, 2) << e.err;
    EXPECT_TRUE(std::filesystem::exists(dir / "data" / "watch.atom")) << e.err;
}

}  // namespace
}  // namespace yomida

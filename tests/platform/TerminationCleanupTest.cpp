#include "platform/TerminationCleanup.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

#include "platform/FileReplacement.h"
#include "platform/TemporaryFile.h"
#include "support/TestSupport.h"

namespace yomida {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> LeftNames(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) {
        names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Runs `work` in a child that has the clean-up installed, and returns the signal that ended
// it (0 when it ended by itself).
int SignalThatEnded(const std::function<void()>& work) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        InstallTerminationCleanup();
        work();
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFSIGNALED(status) ? WTERMSIG(status) : 0;
}

TEST(TerminationCleanup, ASignalThatEndsTheProgramRemovesTheFilesInUseAndNothingElse) {
    for (const int signalNumber : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signalNumber);
        test::TempDir dir;
        test::WriteBytes(dir / "comic2612.csv", "old");
        const int ended = SignalThatEnded([&] {
            test::WriteBytes(dir / "download-1234.dat", "a page");
            TerminationCleanup download(dir / "download-1234.dat");
            test::WriteBytes(dir / "released.dat", "kept");
            { TerminationCleanup released(dir / "released.dat"); }
            TemporaryFile scratch(dir / "download.dat");
            FileReplacement list(dir / "comic2612.csv");
            list.Writer().Write("half a list");
            ::raise(signalNumber);
        });
        EXPECT_EQ(ended, signalNumber) << "the program still ends by the signal";
        EXPECT_EQ(LeftNames(dir.path()),
                  (std::vector<std::string>{"comic2612.csv", "released.dat"}));
        EXPECT_EQ(test::ReadBytes(dir / "comic2612.csv"), "old");
    }

    // A signal the program was told to ignore stays ignored.
    test::TempDir dir;
    const int ended = SignalThatEnded([&] {
        ::signal(SIGHUP, SIG_IGN);
        InstallTerminationCleanup();
        test::WriteBytes(dir / "download-1234.dat", "a page");
        TerminationCleanup download(dir / "download-1234.dat");
        ::raise(SIGHUP);
    });
    EXPECT_EQ(ended, 0);
    EXPECT_TRUE(fs::exists(dir / "download-1234.dat"));
}

TEST(TerminationCleanup, LeftoversOfProcessesThatNoLongerRunAreRemoved) {
    const pid_t ended = ::fork();
    if (ended == 0) {
        ::_exit(0);
    }
    ::waitpid(ended, nullptr, 0);
    const std::string gone = std::to_string(ended);
    const std::string running = std::to_string(::getppid());
    const std::string self = std::to_string(::getpid());

    test::TempDir dir;
    const std::vector<std::string> removed = {"download-" + gone + ".dat",
                                              "download-" + gone + ".dat.0123abcd.tmp"};
    const std::vector<std::string> kept = {"download-" + running + ".dat",
                                           "download-" + self + ".dat",
                                           "download-" + self + ".dat.0123abcd.tmp",
                                           "download.dat",
                                           "download-" + gone + ".dat.notes",
                                           "download-" + gone + ".datx",
                                           "download--" + gone + ".dat",
                                           "download-x" + gone + ".dat",
                                           "mine-" + gone + ".dat"};
    for (const std::string& name : removed) {
        test::WriteBytes(dir / name, "left");
    }
    for (const std::string& name : kept) {
        test::WriteBytes(dir / name, "kept");
    }
    RemoveLeftoversOfEndedProcesses(dir.path(), "download-", ".dat");
    std::vector<std::string> expected = kept;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(LeftNames(dir.path()), expected);
}

}  // namespace
}  // namespace yomida

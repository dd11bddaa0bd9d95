#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

#include "engine/Update.h"
#include "platform/FileHooks.h"
#include "platform/TerminationCleanup.h"
#include "support/DownloadFixture.h"
#include "support/LoopbackServer.h"
#include "support/WeeklyFetch.h"

namespace yomida {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono;

std::vector<std::string> DataFolderNames(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) {
        names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The weekly list of week 1321, updated by the engine as `yomida-cli update` does.
class UpdateLeftoversTest : public test::LoopbackFixture {
protected:
    UpdateRequest request;
    test::LoopbackServer server{{{test::kWeeklyOk + test::WeeklyPage()}}};

    void SetUp() override {
        request.settings.dataFolder = dir / "data";
        fs::create_directory(request.settings.dataFolder);
        request.settings.hosts["WEEKLY"] = "127.0.0.1:" + std::to_string(server.Port());
        request.category = 2;
        request.target = year{2003} / 5 / 1;
        request.weekNumber = 1321;
        request.timeOutMs = 5000;
        request.force = true;
    }
};

TEST_F(UpdateLeftoversTest, AnUpdateStoppedBySystemdLeavesNoDownloadBehind) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        InstallTerminationCleanup();
        // Stopped while the new list is being put in place: the page is downloaded by then.
        int renames = 0;
        TestFileHooks().beforeRename = [&renames] {
            if (++renames == 2) {
                ::kill(::getpid(), SIGTERM);
            }
            return 0;
        };
        (void)Update(request, ui, clock, connector);
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the update ran to its end";
    EXPECT_EQ(WTERMSIG(status), SIGTERM);
    EXPECT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(DataFolderNames(request.settings.dataFolder), std::vector<std::string>{})
        << "no download, temporary or lock file is left";
}

TEST_F(UpdateLeftoversTest, AnUpdateRemovesWhatAKilledUpdateLeft) {
    const pid_t ended = ::fork();
    if (ended == 0) {
        ::_exit(0);
    }
    ::waitpid(ended, nullptr, 0);
    const fs::path data = request.settings.dataFolder;
    const std::string leftover = "download-" + std::to_string(ended) + ".dat";
    test::WriteBytes(data / leftover, "a page");
    test::WriteBytes(data / (leftover + ".0123abcd.tmp"), "half a page");
    test::WriteBytes(data / "download.dat", "the window's");

    const UpdateResult result = Update(request, ui, clock, connector);
    EXPECT_EQ(result.outcome, UpdateOutcome::Updated);
    EXPECT_EQ(DataFolderNames(data),
              (std::vector<std::string>{"download.dat", "health.txt", "syosk1321.csv"}));
}

}  // namespace
}  // namespace yomida

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "download/DownloadManager.h"
#include "engine/ListUpdate.h"
#include "engine/UpdateRun.h"
#include "platform/FileHooks.h"
#include "platform/TerminationCleanup.h"
#include "support/DownloadFixture.h"
#include "support/LoopbackServer.h"
#include "support/WeeklyFetch.h"

namespace yomida {
namespace {

namespace fs = std::filesystem;

class UpdateLeftoversTest : public test::LoopbackFixture {};

TEST_F(UpdateLeftoversTest, AnUpdateStoppedBySystemdLeavesNothingAndClearsWhatKilledOnesLeft) {
    test::LoopbackServer server({{test::kWeeklyOk + test::WeeklyPage()}});
    const fs::path data = dir / "data";
    fs::create_directory(data);
    SettingsRecord settings;
    settings.dataFolder = data;
    settings.hosts["WEEKLY"] = "127.0.0.1:" + std::to_string(server.Port());
    ListUpdateRequest request = UnattendedRequest(settings, 2, 5000);
    request.target = std::chrono::year{2003} / 5 / 1;
    request.weekNumber = 1321;

    const pid_t ended = ::fork();
    if (ended == 0) {
        ::_exit(0);
    }
    ::waitpid(ended, nullptr, 0);
    const std::string leftover = "download-" + std::to_string(ended) + ".dat";
    test::WriteBytes(data / leftover, "a page");
    test::WriteBytes(data / (leftover + ".0123abcd.tmp"), "half a page");
    test::WriteBytes(data / "download.dat", "the window's");

    const pid_t pid = ::fork();
    if (pid == 0) {
        InstallTerminationCleanup();
        // Stopped while the new list is put in place, when the page has been downloaded.
        int renames = 0;
        TestFileHooks().beforeRename = [&renames] {
            if (++renames == 2) {
                ::kill(::getpid(), SIGTERM);
            }
            return 0;
        };
        DownloadManager downloads(clock, connector);
        ListUpdate lists(downloads, clock);
        lists.UseSettings(request.settings);
        UnattendedPolicy unattended;
        (void)lists.Run(request, unattended);
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the update ran to its end";
    EXPECT_EQ(WTERMSIG(status), SIGTERM);
    EXPECT_EQ(server.Requests().size(), 1u);
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(data)) {
        names.push_back(e.path().filename().string());
    }
    EXPECT_EQ(names, std::vector<std::string>{"download.dat"})
        << "no download, temporary or lock file of either update is left";
}

}  // namespace
}  // namespace yomida

#include <gtest/gtest.h>
#include <unistd.h>

#include "engine/SourceHealth.h"
#include "platform/ChildProcess.h"
#include "support/CliRun.h"
#include "support/LoopbackServer.h"
#include "support/TestSupport.h"
#include "support/WeeklyFetch.h"

namespace yomida {
namespace {

namespace fs = std::filesystem;

CategoryHealth UpdatedRow() {
    CategoryHealth h;
    h.category = 1;
    h.list = "comic2612.csv";
    h.lastAttempt = std::chrono::local_days{std::chrono::year{2026} / 12 / 8};
    h.outcome = FetchOutcome::Updated;
    h.count = 3;
    return h;
}

TEST(SharedDataFolder, ADamagedHealthFileBehindTheUsersLinkIsCopiedAsideAndTheLinkKept) {
    test::TempDir dir;
    fs::create_directory(dir / "synced");
    fs::create_directory(dir / "data");
    test::WriteBytes(dir / "synced" / "health.txt", "not a health file");
    fs::create_symlink(dir / "synced" / "health.txt", dir / "data" / "health.txt");

    SourceHealth(dir / "data").Record(UpdatedRow());
    EXPECT_TRUE(fs::is_symlink(dir / "data" / "health.txt")) << "still the user's link";
    EXPECT_FALSE(fs::is_symlink(dir / "data" / "health.txt.bad"));
    EXPECT_EQ(test::ReadBytes(dir / "data" / "health.txt.bad"), "not a health file");
    EXPECT_TRUE(test::ReadBytes(dir / "synced" / "health.txt").starts_with("yomida-health,1\r\n"));
    EXPECT_EQ(SourceHealth(dir / "data").Find(1)->count, 3);
}

TEST(SharedDataFolder, AFetchWritesNothingThroughLinksAnotherUserPlanted) {
    if (!test::CanPlayOtherUsers()) {
        GTEST_SKIP() << "needs root to hand links to another user";
    }
    test::TempDir dir;
    const fs::path data = test::MakeSharedFolder(dir.path(), "data");
    fs::create_directory(dir / "home");
    for (const std::string name : {"syosk1321.csv", "health.txt"}) {
        test::WriteBytes(dir / "home" / name, "the user's own " + name);
        fs::create_symlink(dir / "home" / name, data / name);
        ASSERT_EQ(::lchown((data / name).c_str(), test::kOtherUser, test::kSharedGroup), 0);
    }
    test::LoopbackServer server({{test::kWeeklyOk + test::WeeklyPage()}});
    test::WriteBytes(dir / "y.ini",
                     "[HOSTS]\r\nWEEKLY=127.0.0.1:" + std::to_string(server.Port()) + "\r\n");

    const test::CliOutput fetch = test::InvokeCli(test::WeeklyFetchArgs(data, dir / "y.ini"));
    EXPECT_EQ(fetch.status, 1);
    EXPECT_NE(fetch.err.find((data / "syosk1321.csv").string()), std::string::npos) << fetch.err;
    EXPECT_NE(fetch.err.find("他のユーザーが作ったシンボリックリンクは辿りません"),
              std::string::npos)
        << fetch.err;
    for (const std::string name : {"syosk1321.csv", "health.txt"}) {
        EXPECT_EQ(test::ReadBytes(dir / "home" / name), "the user's own " + name);
        EXPECT_TRUE(fs::is_symlink(data / name));
    }
    EXPECT_FALSE(fs::exists(data / "health.txt.bad"));
}

}  // namespace
}  // namespace yomida

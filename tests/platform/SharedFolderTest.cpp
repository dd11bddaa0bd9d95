#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <thread>

#include "platform/ChildProcess.h"
#include "platform/FileLock.h"
#include "platform/FileReplacement.h"
#include "platform/FileSystem.h"
#include "platform/IoError.h"
#include "platform/TextFile.h"
#include "support/TestSupport.h"

namespace yomida {
namespace {

namespace fs = std::filesystem;
using test::InChildProcess;
using test::kOtherUser;
using test::kUser;

void GiveTo(const fs::path& path, uid_t owner, mode_t mode) {
    if (::lchown(path.c_str(), owner, test::kSharedGroup) != 0 ||
        (!fs::is_symlink(path) && ::chmod(path.c_str(), mode) != 0)) {
        throw std::runtime_error("cannot hand over " + path.string());
    }
}

// "done", "refused NAME" naming the file the program refused, or the failure's text.
std::string Attempt(const std::function<void()>& work) {
    try {
        work();
        return "done";
    } catch (const IoError& e) {
        return e.refusal() ? "refused " + e.path().filename().string() : e.what();
    }
}

std::string ReachEveryWay(const fs::path& file) {
    return Attempt([&] {
               FileReplacement out(file);
               out.Writer().Write("new");
               out.Commit();
           }) +
           "; " + Attempt([&] { TextFileWriter(file).Close(); }) + "; " +
           Attempt([&] { TextFileReader in(file); }) + "; " +
           Attempt([&] { (void)ReadWholeFile(file); });
}

TEST(SharedFolder, OnlyTheUsersOwnLinksAndTheSystemsAreFollowed) {
    if (!test::CanPlayOtherUsers()) {
        GTEST_SKIP() << "needs root to play two users";
    }
    test::TempDir dir;
    const fs::path shared = test::MakeSharedFolder(dir.path(), "group");
    const fs::path home = dir / "home";
    fs::create_directory(home);
    GiveTo(home, kUser, 0700);
    struct Case {
        std::string name;  // in the shared folder
        uid_t owner;
        std::string pointsTo;   // another link of the shared folder, or the user's own file
        std::string refusedAt;  // the link named in the refusal; empty when followed
    };
    const std::vector<Case> cases = {
        // Links another user planted where an update writes.
        {"watch.ics", kOtherUser, "", "watch.ics"},
        {"health.txt", kOtherUser, "", "health.txt"},
        {"comic2612.csv", kOtherUser, "", "comic2612.csv"},
        // The user's own (a data file kept in a synced folder, say), the system's, and the
        // user's own leading to a planted one.
        {"comic2701.csv", kUser, "", ""},
        {"comic2702.csv", 0, "", ""},
        {"comic2703.csv", kUser, "watch.ics", "watch.ics"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path mine = home / ("mine-" + c.name);
        test::WriteBytes(mine, "the user's own");
        GiveTo(mine, kUser, 0600);
        fs::create_symlink(c.pointsTo.empty() ? mine : shared / c.pointsTo, shared / c.name);
        GiveTo(shared / c.name, c.owner, 0);
        const std::string each = c.refusedAt.empty() ? "done" : "refused " + c.refusedAt;
        const std::string expected = each + "; " + each + "; " + each + "; " + each;
        EXPECT_EQ(InChildProcess(
                      [&] {
                          const std::string said = ReachEveryWay(shared / c.name);
                          return said == expected ? std::string() : said;
                      },
                      kUser),
                  "");
        EXPECT_TRUE(fs::is_symlink(shared / c.name)) << "the link itself stays";
        EXPECT_EQ(test::ReadBytes(mine), c.refusedAt.empty() ? "new" : "the user's own");
    }
    EXPECT_EQ(test::ReadBytes(home / "mine-watch.ics"), "the user's own");
}

TEST(SharedFolder, APipeOrADeviceUnderAFileNameIsRefusedAtOnce) {
    test::TempDir dir;
    for (const std::string fifo : {"comic2612.csv", "watchseen.txt", "yomida.INI"}) {
        ASSERT_EQ(::mkfifo((dir / fifo).c_str(), 0600), 0);
    }
    fs::create_symlink("/dev/null", dir / "comic2701.csv");
    fs::create_directory(dir / "comic2702.csv");
    for (const std::string name :
         {"comic2612.csv", "watchseen.txt", "yomida.INI", "comic2701.csv", "comic2702.csv"}) {
        const std::string expected = "refused " + name + "; refused " + name;
        EXPECT_EQ(InChildProcess(
                      [&] {
                          const std::string said =
                              Attempt([&] { TextFileReader in(dir / name); }) + "; " +
                              Attempt([&] { (void)ReadWholeFile(dir / name); });
                          return said == expected ? std::string() : said;
                      },
                      std::nullopt, std::chrono::seconds(3)),
                  "")
            << name;
    }
}

TEST(SharedFolder, ALockNobodyHoldsIsNoObstacleToTheGroupAndAHeldOneIsWaitedFor) {
    if (!test::CanPlayOtherUsers()) {
        GTEST_SKIP() << "needs root to play two users";
    }
    const auto leftByAnOldVersion = [](const fs::path& data) {
        test::WriteBytes(FileLock::LockFileFor(data), "");
        GiveTo(FileLock::LockFileFor(data), kOtherUser, 0600);
    };
    const auto leftByAKilledWriter = [](const fs::path& data) {
        EXPECT_EQ(InChildProcess(
                      [&] {
                          new FileLock(data);  // never released: the writer is killed
                          return std::string();
                      },
                      kOtherUser),
                  "");
        struct stat st {};
        ASSERT_EQ(::stat(FileLock::LockFileFor(data).c_str(), &st), 0);
        EXPECT_EQ(st.st_gid, test::kSharedGroup) << "the data file's group";
        EXPECT_EQ(st.st_mode & 07777, 0660u) << "the data file's mode";
    };
    struct Case {
        std::string what;
        std::function<void(const fs::path& data)> leave;
        // Where only a file's owner may remove or replace it, the data file is the user's.
        mode_t folderMode;
        uid_t dataOwner;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"an old version's private lock", leftByAnOldVersion, 02770, kOtherUser, "done"},
        {"a killed writer's lock", leftByAKilledWriter, 02770, kOtherUser, "done"},
        {"a killed writer's lock, sticky folder", leftByAKilledWriter, 03770, kUser, "done"},
        // Nobody else may remove it: the lock nobody can use is named.
        {"an old version's lock, sticky folder", leftByAnOldVersion, 03770, kUser,
         "refused comic2612.csv.lock"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDir dir;
        const fs::path shared = test::MakeSharedFolder(dir.path(), "group");
        ASSERT_EQ(::chmod(shared.c_str(), c.folderMode), 0);
        const fs::path data = shared / "comic2612.csv";
        test::WriteBytes(data, "old");
        GiveTo(data, c.dataOwner, 0660);
        c.leave(data);
        EXPECT_EQ(InChildProcess(
                      [&] {
                          return Attempt([&] {
                              FileReplacement out(data);
                              out.Writer().Write("new");
                              out.Commit();
                          });
                      },
                      kUser),
                  c.expected);
        EXPECT_EQ(test::ReadBytes(data), c.expected == "done" ? "new" : "old");
    }

    // A lock another user holds, in a lock file only that user may open, is never taken away.
    test::TempDir dir;
    const fs::path data = test::MakeSharedFolder(dir.path(), "group") / "comic2612.csv";
    test::WriteBytes(data, "old");
    GiveTo(data, kOtherUser, 0600);
    std::thread holder([&] {
        InChildProcess(
            [&] {
                FileLock held(data);
                test::WriteBytes(data.parent_path() / "held", "");
                std::this_thread::sleep_for(std::chrono::milliseconds(500));
                return std::string();
            },
            kOtherUser);
    });
    while (!fs::exists(data.parent_path() / "held")) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(
        InChildProcess(
            [&] { return Attempt([&] { FileLock second(data, std::chrono::milliseconds(100)); }); },
            kUser),
        "ファイルは他の YOMIDA が書き込み中です: " + data.string());
    holder.join();
}

}  // namespace
}  // namespace yomida

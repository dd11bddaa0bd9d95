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
using test::kSharedGroup;
using test::kUser;

void GiveTo(const fs::path& path, uid_t owner, mode_t mode) {
    if (::lchown(path.c_str(), owner, kSharedGroup) != 0 ||
        (!fs::is_symlink(path) && ::chmod(path.c_str(), mode) != 0)) {
        throw std::runtime_error("cannot hand over " + path.string());
    }
}

// What each way of reaching a file through `name` did: "refused <link>" naming the link it
// would not follow, "wrote" or "read", or the failure's text.
std::string Outcome(const std::function<void()>& reach) {
    try {
        reach();
        return "done";
    } catch (const IoError& e) {
        if (e.refusal() == IoError::Refusal::OthersLink) {
            return "refused " + e.path().filename().string();
        }
        return e.what();
    }
}

std::string ReachEveryWay(const fs::path& file) {
    std::string said;
    said += "replace: " + Outcome([&] {
                FileReplacement out(file);
                out.Writer().Write("new");
                out.Commit();
            });
    said += "; write: " + Outcome([&] {
                TextFileWriter out(file);
                out.Write("new");
                out.Close();
            });
    said += "; read: " + Outcome([&] { TextFileReader in(file); });
    said += "; whole: " + Outcome([&] { (void)ReadWholeFile(file); });
    return said;
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
        std::string name;  // the name in the shared folder
        uid_t linkOwner;
        std::string expected;
    };
    const std::string refused =
        "replace: refused {}; write: refused {}; read: refused {}; "
        "whole: refused {}";
    const auto refusedAt = [&](const std::string& link) {
        std::string text = refused;
        for (size_t at; (at = text.find("{}")) != std::string::npos;) {
            text.replace(at, 2, link);
        }
        return text;
    };
    const std::string followed = "replace: done; write: done; read: done; whole: done";
    const std::vector<Case> cases = {
        // The files an update writes in the data folder, each a link another user planted.
        {"watch.ics", kOtherUser, refusedAt("watch.ics")},
        {"watch.atom", kOtherUser, refusedAt("watch.atom")},
        {"health.txt", kOtherUser, refusedAt("health.txt")},
        {"watchseen.txt", kOtherUser, refusedAt("watchseen.txt")},
        {"watch.ics.state", kOtherUser, refusedAt("watch.ics.state")},
        {"comic2612.csv", kOtherUser, refusedAt("comic2612.csv")},
        // The user's own link, a data file kept in a synced folder, say; and the system's.
        {"comic2701.csv", kUser, followed},
        {"comic2702.csv", 0, followed},
    };
    for (const Case& c : cases) {
        const fs::path target = home / ("mine-" + c.name);
        test::WriteBytes(target, "the user's own");
        GiveTo(target, kUser, 0600);
        fs::create_symlink(target, shared / c.name);
        GiveTo(shared / c.name, c.linkOwner, 0);
    }
    // The user's own link to a link another user planted is refused at the planted one.
    test::WriteBytes(home / "mine-chain.csv", "the user's own");
    GiveTo(home / "mine-chain.csv", kUser, 0600);
    fs::create_symlink(home / "mine-chain.csv", shared / "planted.csv");
    GiveTo(shared / "planted.csv", kOtherUser, 0);
    fs::create_symlink(shared / "planted.csv", shared / "comic2703.csv");
    GiveTo(shared / "comic2703.csv", kUser, 0);

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string said;
        EXPECT_EQ(InChildProcess(
                      [&] {
                          said = ReachEveryWay(shared / c.name);
                          return said == c.expected ? std::string() : said;
                      },
                      kUser),
                  "");
        EXPECT_TRUE(fs::is_symlink(shared / c.name)) << "the link itself stays";
        EXPECT_EQ(test::ReadBytes(home / ("mine-" + c.name)),
                  c.expected == followed ? "new" : "the user's own");
    }
    EXPECT_EQ(InChildProcess(
                  [&] {
                      const std::string said = ReachEveryWay(shared / "comic2703.csv");
                      return said == refusedAt("planted.csv") ? std::string() : said;
                  },
                  kUser),
              "");
    EXPECT_EQ(test::ReadBytes(home / "mine-chain.csv"), "the user's own");
}

TEST(SharedFolder, APipeOrADeviceUnderAFileNameIsRefusedAtOnce) {
    test::TempDir dir;
    ASSERT_EQ(::mkfifo((dir / "comic2612.csv").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo((dir / "watchseen.txt").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo((dir / "yomida.INI").c_str(), 0600), 0);
    fs::create_symlink("/dev/null", dir / "comic2701.csv");
    fs::create_directory(dir / "comic2702.csv");
    for (const std::string name :
         {"comic2612.csv", "watchseen.txt", "yomida.INI", "comic2701.csv", "comic2702.csv"}) {
        SCOPED_TRACE(name);
        const fs::path file = dir / name;
        for (const auto& read : std::vector<std::function<void()>>{
                 [&] { TextFileReader in(file); },
                 [&] { (void)ReadWholeFile(file); },
             }) {
            EXPECT_EQ(InChildProcess(
                          [&] {
                              try {
                                  read();
                                  return std::string("read");
                              } catch (const IoError& e) {
                                  return e.refusal() == IoError::Refusal::NotRegularFile
                                             ? std::string()
                                             : std::string(e.what());
                              }
                          },
                          std::nullopt, std::chrono::seconds(3)),
                      "");
        }
    }
}

// A lock file another user left behind, as each kind of leftover looks.
struct LeftLock {
    std::string what;
    std::function<void(const fs::path& data)> leave;
    // Where only a file's owner may remove or replace it, the data file must be the user's.
    mode_t folderMode;
    uid_t dataOwner;
    std::string expected;  // what the user's replacement says: empty when it was made
};

TEST(SharedFolder, ALockNobodyHoldsIsNoObstacleToTheGroup) {
    if (!test::CanPlayOtherUsers()) {
        GTEST_SKIP() << "needs root to play two users";
    }
    const auto leftByAnOldVersion = [](const fs::path& data) {
        const fs::path lock = FileLock::LockFileFor(data);
        test::WriteBytes(lock, "");
        GiveTo(lock, kOtherUser, 0600);
    };
    // A writer of this version killed while it held the lock: its lock file stays.
    const auto leftByAKilledWriter = [](const fs::path& data) {
        EXPECT_EQ(InChildProcess(
                      [&] {
                          new FileLock(data);
                          return std::string();
                      },
                      kOtherUser),
                  "");
        struct stat st {};
        ASSERT_EQ(::stat(FileLock::LockFileFor(data).c_str(), &st), 0);
        EXPECT_EQ(st.st_uid, kOtherUser);
        EXPECT_EQ(st.st_gid, kSharedGroup) << "the data file's group";
        EXPECT_EQ(st.st_mode & 07777, 0660u) << "the data file's mode";
    };
    const std::vector<LeftLock> cases = {
        {"an old version's private lock", leftByAnOldVersion, 02770, kOtherUser, ""},
        {"a killed writer's lock", leftByAKilledWriter, 02770, kOtherUser, ""},
        {"a killed writer's lock where only owners remove files", leftByAKilledWriter, 03770, kUser,
         ""},
        // Where nobody else may remove it, a lock nobody can use is named.
        {"an old version's lock where only owners remove files", leftByAnOldVersion, 03770, kUser,
         "comic2612.csv.lock"},
    };
    for (const LeftLock& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDir dir;
        const fs::path shared = test::MakeSharedFolder(dir.path(), "group");
        ASSERT_EQ(::chmod(shared.c_str(), c.folderMode), 0);
        const fs::path data = shared / "comic2612.csv";
        test::WriteBytes(data, "old");
        GiveTo(data, c.dataOwner, 0660);
        c.leave(data);

        const std::string said = InChildProcess(
            [&] {
                try {
                    FileReplacement out(data);
                    out.Writer().Write("new");
                    out.Commit();
                    return std::string();
                } catch (const IoError& e) {
                    return e.refusal() == IoError::Refusal::LockInTheWay
                               ? e.path().filename().string()
                               : std::string(e.what());
                }
            },
            kUser);
        EXPECT_EQ(said, c.expected);
        EXPECT_EQ(test::ReadBytes(data), c.expected.empty() ? "new" : "old");
    }
}

TEST(SharedFolder, ALockAnotherUserHoldsIsWaitedFor) {
    if (!test::CanPlayOtherUsers()) {
        GTEST_SKIP() << "needs root to play two users";
    }
    test::TempDir dir;
    const fs::path shared = test::MakeSharedFolder(dir.path(), "group");
    const fs::path data = shared / "comic2612.csv";
    test::WriteBytes(data, "old");
    GiveTo(data, kOtherUser, 0600);  // a lock file nobody else may open: still never taken away
    std::thread holder([&] {
        EXPECT_EQ(InChildProcess(
                      [&] {
                          FileLock held(data);
                          test::WriteBytes(shared / "held", "");
                          std::this_thread::sleep_for(std::chrono::milliseconds(600));
                          return std::string();
                      },
                      kOtherUser),
                  "");
    });
    while (!fs::exists(shared / "held")) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(InChildProcess(
                  [&] {
                      try {
                          FileLock second(data, std::chrono::milliseconds(100));
                          return std::string("taken from its holder");
                      } catch (const IoError& e) {
                          return e.op() == IoError::Op::Lock ? std::string() : e.what();
                      }
                  },
                  kUser),
              "");
    EXPECT_EQ(InChildProcess(
                  [&] {
                      // Free once its holder is done, though its lock file was never ours to open.
                      FileLock taken(data, std::chrono::seconds(5));
                      return std::string();
                  },
                  kUser),
              "");
    holder.join();
}

}  // namespace
}  // namespace yomida

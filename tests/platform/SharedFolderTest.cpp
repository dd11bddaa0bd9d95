#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>


#include "platform/ChildProcess.h"
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

}  // namespace
}  // namespace yomida

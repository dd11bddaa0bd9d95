#include "platform/FileReplacement.h"

#include <acl/libacl.h>
#include <gtest/gtest.h>
#include <sys/acl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>

#include "platform/FileLock.h"
#include "platform/FileSystem.h"
#include "platform/IoError.h"
#include "support/TestSupport.h"

namespace yomida {
namespace {

namespace fs = std::filesystem;

void Replace(const fs::path& target, const std::string& text) {
    FileReplacement file(target);
    file.Writer().Write(text);
    file.Commit();
}

std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) {
        names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(FileReplacement, KeepsPermissionsAndReplacesWhatALinkPointsAt) {
    test::TempDir dir;
    test::WriteBytes(dir / "private.csv", "old");
    fs::permissions(dir / "private.csv", fs::perms::owner_read | fs::perms::owner_write);
    Replace(dir / "private.csv", "new");
    EXPECT_EQ(test::ReadBytes(dir / "private.csv"), "new");
    EXPECT_EQ(fs::status(dir / "private.csv").permissions(),
              fs::perms::owner_read | fs::perms::owner_write);

    fs::create_directory(dir / "real");
    test::WriteBytes(dir / "real" / "yomida.INI", "old");
    fs::create_symlink("real/yomida.INI", dir / "relative.INI");
    fs::create_symlink(dir / "relative.INI", dir / "chain.INI");
    Replace(dir / "chain.INI", "through two links");
    EXPECT_TRUE(fs::is_symlink(dir / "chain.INI"));
    EXPECT_TRUE(fs::is_symlink(dir / "relative.INI"));
    EXPECT_EQ(test::ReadBytes(dir / "real" / "yomida.INI"), "through two links");

    fs::create_symlink(dir / "real" / "new.csv", dir / "dangling.csv");
    Replace(dir / "dangling.csv", "made");
    EXPECT_TRUE(fs::is_symlink(dir / "dangling.csv"));
    EXPECT_EQ(test::ReadBytes(dir / "real" / "new.csv"), "made");

    try {
        Replace(dir / "no-such-folder" / "out.csv", "x");
        ADD_FAILURE() << "written into a folder that does not exist";
    } catch (const IoError& e) {
        EXPECT_EQ(e.op(), IoError::Op::Create) << "not reported as someone else's lock";
    }

    fs::create_symlink("loop.csv", dir / "loop.csv");
    EXPECT_THROW(Replace(dir / "loop.csv", "x"), IoError);
    EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"chain.INI", "dangling.csv", "loop.csv",
                                                           "private.csv", "real", "relative.INI"}))
        << "no temporary or lock file is left";
}

std::string AccessListText(const fs::path& file) {
    acl_t acl = acl_get_file(file.c_str(), ACL_TYPE_ACCESS);
    if (acl == nullptr) {
        return std::strerror(errno);
    }
    char* text = acl_to_any_text(acl, nullptr, ',', TEXT_ABBREVIATE | TEXT_NUMERIC_IDS);
    std::string result = text != nullptr ? text : "?";
    acl_free(text);
    acl_free(acl);
    return result;
}

TEST(FileReplacement, KeepsTheAccessListAndUserAttributesAndNeverWidensTheGroup) {
    test::TempDir dir;
    const fs::path file = dir / "comic2612.csv";
    test::WriteBytes(file, "old");
    // The owning group may only read; a named user may write, so the mask allows writing.
    const std::string shared = "u::rw-,u:65534:rw-,g::r--,m::rw-,o::---";
    acl_t acl = acl_from_text(shared.c_str());
    ASSERT_NE(acl, nullptr);
    const int set = acl_set_file(file.c_str(), ACL_TYPE_ACCESS, acl);
    const int setError = errno;
    acl_free(acl);
    if (set != 0) {
        GTEST_SKIP() << "the temporary folder keeps no access lists: " << std::strerror(setError);
    }
    const bool attributes = ::setxattr(file.c_str(), "user.xdg.tags", "manga", 5, 0) == 0;

    Replace(file, "new");
    // The copy of the old version that a new list keeps beside it is made alike.
    const fs::path previous = dir / "comic2612.csv.prev";
    {
        FileReplacement out(file);
        out.Writer().Write("newer");
        out.KeepPrevious(previous);
        out.Commit();
    }
    EXPECT_EQ(test::ReadBytes(file), "newer");
    EXPECT_EQ(test::ReadBytes(previous), "new");
    for (const fs::path& version : {file, previous}) {
        EXPECT_EQ(AccessListText(version), shared) << version;
        if (attributes) {
            char value[16] = {};
            EXPECT_EQ(::getxattr(version.c_str(), "user.xdg.tags", value, sizeof value), 5);
            EXPECT_STREQ(value, "manga");
        }
    }

    // A plain file stays plain: no list is made up for it.
    test::WriteBytes(dir / "plain.csv", "old");
    fs::permissions(dir / "plain.csv",
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    Replace(dir / "plain.csv", "new");
    EXPECT_EQ(AccessListText(dir / "plain.csv"), "u::rw-,g::r--,o::---");
}

TEST(FileReplacement, ReadOnlyFileIsRefusedAndAnAbandonedVersionDisappears) {
    test::TempDir dir;
    test::WriteBytes(dir / "yomida.INI", "old");
    fs::permissions(dir / "yomida.INI", fs::perms::owner_read | fs::perms::group_read);
    try {
        Replace(dir / "yomida.INI", "new");
        ADD_FAILURE() << "a read-only file was replaced";
    } catch (const IoError& e) {
        EXPECT_EQ(e.op(), IoError::Op::Write);
    }
    EXPECT_EQ(test::ReadBytes(dir / "yomida.INI"), "old");
    EXPECT_EQ(fs::status(dir / "yomida.INI").permissions(),
              fs::perms::owner_read | fs::perms::group_read);

    fs::permissions(dir / "yomida.INI", fs::perms::owner_read | fs::perms::owner_write);
    {
        FileReplacement file(dir / "yomida.INI");
        file.Writer().Write("never committed");
    }
    EXPECT_EQ(test::ReadBytes(dir / "yomida.INI"), "old");
    EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"yomida.INI"});
}

TEST(FileReplacement, WritersInTwoProcessesTakeTurnsAndLoseNothing) {
    test::TempDir dir;
    const fs::path list = dir / "comic2612.csv";
    test::WriteBytes(list, "");
    constexpr int kRounds = 25;
    // Each writer reads the file under the lock and adds its own line, as a check save does.
    auto writer = [&](char name) {
        for (int n = 0; n < kRounds; ++n) {
            FileReplacement file(list);
            std::string text = test::ReadBytes(list);
            std::this_thread::sleep_for(std::chrono::microseconds(200));
            file.Writer().Write(text + name + std::to_string(n) + "\n");
            file.Commit();
        }
    };
    test::RunInChildProcesses(2, [&](int c) {
        writer(static_cast<char>('a' + c));
        return true;
    });
    const std::string text = test::ReadBytes(list);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2 * kRounds);
    EXPECT_NE(text.find("a24\n"), std::string::npos);
    EXPECT_NE(text.find("b24\n"), std::string::npos);
    EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"comic2612.csv"});
}

TEST(FileReplacement, RemovesWhatAKilledSaveLeftAndTakesTheLongestNames) {
    test::TempDir dir;
    const fs::path list = dir / "comic2612.csv";
    test::WriteBytes(list, "old");
    test::WriteBytes(dir / "comic2612.csv.0123abcd.tmp", "half a list");
    test::WriteBytes(dir / "comic2612.csv.lock", "");
    test::WriteBytes(dir / "comic2611.csv.0123abcd.tmp", "another list's");
    test::WriteBytes(dir / "comic2612.csv.notes.tmp", "the user's");
    fs::path live;
    const int fd = CreateUniqueFileBeside(list, 0600, live);  // a writer still at work
    Replace(list, "new");
    EXPECT_EQ(test::ReadBytes(list), "new");
    std::vector<std::string> expected = {"comic2611.csv.0123abcd.tmp", "comic2612.csv",
                                         "comic2612.csv.notes.tmp", live.filename().string()};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Names(dir.path()), expected);
    ::close(fd);
    Replace(list, "again");
    EXPECT_EQ(Names(dir.path()),
              (std::vector<std::string>{"comic2611.csv.0123abcd.tmp", "comic2612.csv",
                                        "comic2612.csv.notes.tmp"}));

    // Names up to the file system's limit: the temporary and the lock take shorter names.
    test::TempDir longDir;
    std::string japanese;
    for (int n = 0; n < 84; ++n) {
        japanese += "あ";  // 252 bytes
    }
    const std::vector<std::string> names = {std::string(239, 'a') + ".csv",
                                            std::string(251, 'b') + ".csv", japanese};
    for (const std::string& name : names) {
        Replace(longDir / name, "long");
        EXPECT_EQ(test::ReadBytes(longDir / name), "long") << name.size();
    }
    std::vector<std::string> sorted = names;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(Names(longDir.path()), sorted) << "nothing left beside them";
    EXPECT_NE(FileLock::LockFileFor(longDir / (std::string(250, 'c') + "1")),
              FileLock::LockFileFor(longDir / (std::string(250, 'c') + "2")))
        << "two long names that start alike lock apart";
}

TEST(FileLock, ALockFileThatCannotBeOpenedIsNamed) {
    test::TempDir dir;
    // Stands for another user's lock file, which this user may not open.
    fs::create_directory(dir / "comic2612.csv.lock");
    try {
        Replace(dir / "comic2612.csv", "new");
        ADD_FAILURE() << "saved past a lock file that cannot be opened";
    } catch (const IoError& e) {
        EXPECT_EQ(e.path(), dir / "comic2612.csv.lock");
        EXPECT_NE(std::string(e.what()).find("comic2612.csv.lock"), std::string::npos);
    }
}

TEST(FileLock, AWriterThatCannotGetTheLockGivesUpWithAMessage) {
    test::TempDir dir;
    FileLock held(dir / "yomida.INI");
    try {
        FileLock second(dir / "yomida.INI", std::chrono::milliseconds(50));
        ADD_FAILURE() << "two holders of one lock";
    } catch (const IoError& e) {
        EXPECT_EQ(e.op(), IoError::Op::Lock);
        EXPECT_NE(std::string(e.what()).find("yomida.INI"), std::string::npos);
    }
}

}  // namespace
}  // namespace yomida

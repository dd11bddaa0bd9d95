#include "platform/InstanceLock.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <optional>

#include "support/TestSupport.h"

namespace yomida {
namespace {

TEST(InstanceLock, OnlyTheFirstOnASettingsFileHoldsItUntilItEnds) {
    test::TempDir dir;
    std::optional<InstanceLock> first(std::in_place, dir / "yomida.INI");
    EXPECT_TRUE(first->First());
    {
        InstanceLock second(dir / "yomida.INI");
        EXPECT_FALSE(second.First());
        second.NotifyHolder();
        EXPECT_EQ(test::ReadBytes(first->Marker()), "raise\n") << "the holder can see the try";
        EXPECT_EQ(first->Note(), "raise");
        second.NotifyHolder(InstanceLock::kWatch);
        EXPECT_EQ(first->Note(), "watch");
        second.NotifyHolder(InstanceLock::kRaise);
        EXPECT_EQ(test::ReadBytes(first->Marker()), "raise\n") << "one note at a time";
        InstanceLock elsewhere(dir / "other.INI");
        EXPECT_TRUE(elsewhere.First()) << "another settings file is another program";
    }
    // Another process sees it taken too.
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(InstanceLock(dir / "yomida.INI").First() ? 0 : 3);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_EQ(WEXITSTATUS(status), 3);

    first.reset();
    EXPECT_TRUE(InstanceLock(dir / "yomida.INI").First()) << "free again once the first ends";
}

TEST(InstanceLock, AMarkerThatIsALinkOrNoPlainFileIsLeftAlone) {
    test::TempDir dir;
    test::WriteBytes(dir / "notes.txt", "the user's own notes\n");
    const std::string notes = (dir / "notes.txt").string();
    std::filesystem::create_hard_link(notes, dir / "hard.INI.running");
    std::filesystem::create_symlink(notes, dir / "soft.INI.running");
    ASSERT_EQ(::mkfifo((dir / "pipe.INI.running").c_str(), 0600), 0);
    for (const char* settings : {"hard.INI", "soft.INI", "pipe.INI"}) {
        InstanceLock first(dir / settings);
        InstanceLock second(dir / settings);
        EXPECT_TRUE(first.Refused()) << settings;
        EXPECT_TRUE(second.First()) << settings << ": the program still starts";
        second.NotifyHolder();
    }
    EXPECT_EQ(test::ReadBytes(dir / "notes.txt"), "the user's own notes\n");
    EXPECT_FALSE(InstanceLock(dir / "yomida.INI").Refused()) << "a marker of its own is used";
}

}  // namespace
}  // namespace yomida

#include "engine/ProgramSettings.h"

#include <gtest/gtest.h>

#include "support/TestSupport.h"

namespace yomida {
namespace {

TEST(ProgramSettings, FoldersAreMadeAndADataFolderThatCannotBeIsReported) {
    test::TempDir dir;
    SettingsRecord settings;
    settings.settingsFile = dir / "config" / "yomida.INI";
    settings.dataFolder = dir / "data" / "lists";
    EXPECT_TRUE(MakeProgramFolders(settings));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "config"));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "data" / "lists"));

    test::WriteBytes(dir / "taken", "a file where the data folder should be");
    settings.settingsFile = dir / "other" / "yomida.INI";
    settings.dataFolder = dir / "taken";
    EXPECT_FALSE(MakeProgramFolders(settings));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "other")) << "the settings can still be saved";
}

TEST(ProgramSettings, ACategoryTheCatalogueLacksBecomesTheFirst) {
    test::TempDir dir;
    SettingsRecord settings;
    settings.settingsFile = dir / "yomida.INI";
    test::WriteBytes(settings.settingsFile, "[SERCH]\r\nTAISYOU=6\r\n");
    ReadProgramSettings(settings);
    EXPECT_EQ(settings.category, 6);
    test::WriteBytes(settings.settingsFile, "[SERCH]\r\nTAISYOU=99\r\n");
    ReadProgramSettings(settings);
    EXPECT_EQ(settings.category, 1);
}

}  // namespace
}  // namespace yomida

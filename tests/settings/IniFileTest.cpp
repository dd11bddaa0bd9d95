#include "settings/IniFile.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>
#include <optional>

#include "platform/IoError.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsRecord.h"
#include "support/TestSupport.h"

namespace yomida {
namespace {

TEST(IniFile, ReadsValuesAsTheProfileFunctionsDo) {
    test::TempDir dir;
    test::WriteBytes(dir / "a.ini",
                     "; comment\r\n[Serch]\r\n  sort = 2 \r\nQ1=\"quoted\"\r\nQ2='single'\r\n"
                     "Q3=\"unbalanced'\r\nsort=9\r\nEMPTY=\r\n[OTHER]\r\nSORT=5\r\n[serch]\r\n"
                     "LATE=1\nLF=lf only\n");
    IniFile ini(dir / "a.ini");
    EXPECT_EQ(ini.Read("SERCH", "SORT"), "2") << "names ignore case; the first key wins";
    EXPECT_EQ(ini.Read("serch", "q1"), "quoted");
    EXPECT_EQ(ini.Read("SERCH", "Q2"), "single");
    EXPECT_EQ(ini.Read("SERCH", "Q3"), "\"unbalanced'");
    EXPECT_EQ(ini.Read("SERCH", "EMPTY"), "");
    EXPECT_EQ(ini.Read("SERCH", "MISSING"), std::nullopt);
    EXPECT_EQ(ini.Read("NOSECTION", "SORT"), std::nullopt);
    EXPECT_EQ(ini.Read("OTHER", "SORT"), "5");
    // Only the first section of a name counts.
    EXPECT_EQ(ini.Read("SERCH", "LATE"), std::nullopt);

    IniFile long_;
    long_.Write("S", "K", std::string(3000, 'x'));
    EXPECT_EQ(long_.Read("S", "K")->size(), IniFile::kMaxValue);
    // A double-byte character across the limit is left out whole.
    long_.Write("S", "J", std::string(2046, 'x') + test::Sj("漫画"));
    EXPECT_EQ(long_.Read("S", "J"), std::string(2046, 'x'));
    long_.Write("S", "J", std::string(2045, 'x') + test::Sj("漫画"));
    EXPECT_EQ(long_.Read("S", "J"), std::string(2045, 'x') + test::Sj("漫"));
}

TEST(IniFile, WritesInPlaceAndKeepsEverythingElse) {
    test::TempDir dir;
    const std::string original =
        "; my notes\r\n[GRID]\r\nWIDTH1=5\r\nUNKNOWN=keep me\r\n\r\n[FILE]\r\nX=1\r\n";
    test::WriteBytes(dir / "a.ini", original);
    IniFile ini(dir / "a.ini");
    ini.Write("grid", "WIDTH1", "7");
    ini.Write("GRID", "WIDTH2", "8");
    ini.Write("NEW", "K", "line\r\nbreak");
    ini.Save(dir / "a.ini");
    EXPECT_EQ(test::ReadBytes(dir / "a.ini"),
              "; my notes\r\n[GRID]\r\nWIDTH1=7\r\nUNKNOWN=keep me\r\nWIDTH2=8\r\n\r\n[FILE]\r\n"
              "X=1\r\n[NEW]\r\nK=linebreak\r\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "a.ini.tmp"));
}

TEST(IniFile, FailedSaveLeavesTheOldFileWhole) {
    test::TempDir dir;
    IniFile ini;
    ini.Write("S", "K", "v");
    EXPECT_THROW(ini.Save(dir / "missing" / "a.ini"), IoError);
    // A folder in the way of the rename: the temporary file is removed again.
    std::filesystem::create_directory(dir / "busy.ini");
    test::WriteBytes(dir / "busy.ini" / "inside", "x");
    EXPECT_THROW(ini.Save(dir / "busy.ini"), IoError);
    EXPECT_FALSE(std::filesystem::exists(dir / "busy.ini.tmp"));
}

TEST(IniFile, UpdatesFromTwoProcessesKeepEachOthersKeys) {
    test::TempDir dir;
    const std::filesystem::path file = dir / "yomida.INI";
    test::WriteBytes(file, "[MINE]\r\nKEEP=this\r\n");
    test::RunInChildProcesses(2, [&](int c) {
        for (int n = 0; n < 30; ++n) {
            IniFile::Update(file, [&](IniFile& ini) {
                ini.Write("WINDOW", c == 0 ? "LEFT" : "TOP", std::to_string(n));
            });
        }
        return true;
    });
    IniFile ini(file);
    EXPECT_EQ(ini.Read("WINDOW", "LEFT"), "29");
    EXPECT_EQ(ini.Read("WINDOW", "TOP"), "29");
    EXPECT_EQ(ini.Read("MINE", "KEEP"), "this");
}

TEST(IniFile, NumberAndBooleanRules) {
    EXPECT_EQ(IniToInt("42", 0), 42);
    EXPECT_EQ(IniToInt("-3", 0), -3);
    EXPECT_EQ(IniToInt("0x1F90", 0), 8080);
    EXPECT_EQ(IniToInt("0X1f90", 0), 8080);
    EXPECT_EQ(IniToInt("abc", 7), 7);
    EXPECT_EQ(IniToInt("0x", 7), 7);
    EXPECT_EQ(IniToInt("", 7), 7);
    EXPECT_EQ(IniToInt(std::nullopt, 7), 7);
    EXPECT_EQ(IniToInt("99999999999", 7), 7);
    EXPECT_TRUE(IniToBool("2", false));
    EXPECT_FALSE(IniToBool("0", true));
    EXPECT_TRUE(IniToBool("yes", true));
    EXPECT_FALSE(IniToBool("yes", false));
}

TEST(SettingsFile, SourceTemplatesSurviveASaveByteForByte) {
    test::TempDir dir;
    const std::filesystem::path file = dir / "yomida.INI";
    WriteSettingsFile(SettingsRecord{}, file);
    const std::string complete = test::ReadBytes(file);
    const std::string sources =
        "[Sources]\r\n; my own addresses\r\ncomic = https://{host}/m?c=comic&d={yyyy}{mm}01 \r\n"
        "TANBI=\"http://127.0.0.1:8080/{yymm}.html\"\r\nbngei=ftp://refused/{yyyy}\r\n\r\n";
    // The section between two of the program's own, and a second, unknown one at the end.
    const size_t at = complete.find("[JOUKEN_SERCH]");
    ASSERT_NE(at, std::string::npos);
    const std::string original =
        complete.substr(0, at) + sources + complete.substr(at) + "[MINE]\r\nX={nothing}\r\n";
    test::WriteBytes(file, original);

    SettingsRecord record;
    ReadSettingsFile(file, record);
    EXPECT_EQ(record.sources, (std::vector<std::pair<std::string, std::string>>{
                                  {"comic", "https://{host}/m?c=comic&d={yyyy}{mm}01"},
                                  {"TANBI", "http://127.0.0.1:8080/{yymm}.html"},
                                  {"bngei", "ftp://refused/{yyyy}"}}));
    WriteSettingsFile(record, file);
    EXPECT_EQ(test::ReadBytes(file), original);

    // A setting that changes is written in its place; the section stays where it was.
    record.listId = "2004/01";
    WriteSettingsFile(record, file);
    const std::string changed = test::ReadBytes(file);
    EXPECT_NE(changed.find("LISTID=2004/01\r\n"), std::string::npos);
    EXPECT_NE(changed.find(sources + "[JOUKEN_SERCH]"), std::string::npos) << changed;
}

TEST(SettingsFile, TheSaveKeepsWhatAnotherProgramChangedInKeysLeftAsRead) {
    test::TempDir dir;
    const std::filesystem::path file = dir / "yomida.INI";
    test::WriteBytes(file,
                     "[INTERNET]\r\nPROXY=proxy.example\r\n[FONT]\r\nSIZE=9\r\n[SERCH]\r\n"
                     "TAISYOU=1\r\nLISTID=2003/05\r\n[SCHEDULE]\r\nON=0\r\nHOUR=7\r\n"
                     "[MINE]\r\nKEEP=me\r\n");
    SettingsFile window(file);
    SettingsRecord record;
    ReadSettingsFile(file, record);
    window.KeepAsRead(record);

    struct Case {
        std::string section;
        std::string key;
        std::optional<std::string> other;  // what another program wrote meanwhile
        std::function<void(SettingsRecord&)> windowChange;
        std::string expected;
    };
    const std::vector<Case> cases = {
        // yomida-cli schedule on --hour 5 while the window was open
        {"SCHEDULE", "ON", "1", nullptr, "1"},
        {"SCHEDULE", "HOUR", "5", nullptr, "5"},
        // a key the file did not have when it was read
        {"SCHEDULE", "ALARM", "1", nullptr, "1"},
        // changed by both: the window's own change is what it saves
        {"FONT", "SIZE", "12", [](SettingsRecord& r) { r.fontSize = 14; }, "14"},
        {"SERCH", "TAISYOU", "4", [](SettingsRecord& r) { r.category = 3; }, "3"},
        // changed by the window alone, and by nobody
        {"SERCH", "LISTID", std::nullopt, [](SettingsRecord& r) { r.listId = "2004/01"; },
         "2004/01"},
        {"INTERNET", "PROXY", std::nullopt, nullptr, "proxy.example"},
        {"INTERNET", "PORT", std::nullopt, nullptr, "0"},
        // keys the program does not know survive as they always did
        {"MINE", "KEEP", "theirs", nullptr, "theirs"},
        {"THEIRS", "NEW", "1", nullptr, "1"},
    };
    IniFile::Update(file, [&](IniFile& ini) {
        for (const Case& c : cases) {
            if (c.other) {
                ini.Write(c.section, c.key, *c.other);
            }
        }
    });
    for (const Case& c : cases) {
        if (c.windowChange) {
            c.windowChange(record);
        }
    }
    window.Write(record);
    const IniFile saved(file);
    for (const Case& c : cases) {
        EXPECT_EQ(saved.Read(c.section, c.key), c.expected) << c.section << " " << c.key;
    }
}

}  // namespace
}  // namespace yomida

#include <gtest/gtest.h>

#include <algorithm>

#include "engine/ReleaseRecord.h"
#include "support/FormFixture.h"
#include "support/ScriptedUi.h"
#include "support/TestSupport.h"
#include "text/Scrambler.h"

namespace yomida {
namespace {

using namespace std::chrono;
using test::Sj;
using test::U8;

class CheckMarksTest : public ::testing::Test {
protected:
    test::TempDir dir;
    ScriptedUi ui;
    FixedClock clock{year_month_day{year{2003}, month{5}, day{7}}};
    test::WindowLogic logic{ui, clock};
    MainWindowLogic& form = logic.form;

    void SetUp() override {
        form.ChangeSettings([&](SettingsRecord& s) { s.dataFolder = dir.path(); });
        form.DataFilePath = dir / "comic0305.csv";
    }
    void Write(const std::vector<std::string>& lines) {
        test::WriteDataFile(form.DataFilePath, lines);
    }
    void Load() { form.LoadReleaseList(); }
    int RowOf(const std::string& number) {
        for (int r = 1; r < form.List.ComboGrid1.RowCount(); ++r) {
            if (form.List.ComboGrid1.Cell(0, r) == number) {
                return r;
            }
        }
        return -1;
    }
    void Click(int col, int row) {
        form.List.ComboGrid1.SetCurrentCell(col, row);
        form.List.ComboGrid1Click();
    }
    std::vector<std::string> Folder() {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
            names.push_back(e.path().filename().string());
        }
        return names;
    }
};

TEST_F(CheckMarksTest, ClickingTicksAndMovesToThePublisher) {
    Write({"No,□,出版社,発売日,タイトル,作者,価格", "1,0,a,1,t,x,1"});
    Load();
    Click(1, 1);
    EXPECT_EQ(U8(ShownCell(form.List.ComboGrid1, 1, 1)), "■");
    EXPECT_EQ(form.List.ComboGrid1.Col(), 2);
    EXPECT_TRUE(form.List.ComboGrid1AlignCellEvent(4, 1).ticked);
    EXPECT_EQ(form.List.ComboGrid1AlignCellEvent(6, 1).alignment, CellAlignment::Right);
    EXPECT_EQ(form.List.ComboGrid1AlignCellEvent(3, 1).alignment, CellAlignment::Center);
    EXPECT_EQ(form.List.ComboGrid1AlignCellEvent(4, 1).alignment, CellAlignment::Left);
    EXPECT_FALSE(form.List.ComboGrid1AlignCellEvent(0, 1).ticked)
        << "the fixed column keeps its colour";
    EXPECT_EQ(form.List.ComboGrid1AlignCellEvent(2, 0).alignment, CellAlignment::Center);
    Click(1, 1);
    EXPECT_EQ(U8(ShownCell(form.List.ComboGrid1, 1, 1)), "□");
    Click(4, 1);
    EXPECT_EQ(U8(ShownCell(form.List.ComboGrid1, 1, 1)), "□") << "other columns do not tick";

    form.List.ComboGrid1.SetCurrentCell(2, 1);
    EXPECT_TRUE(form.List.ComboGrid1KeyDown(GridKey::Left)) << "no arrow into the check column";
    form.List.ComboGrid1.SetCurrentCell(3, 1);
    EXPECT_FALSE(form.List.ComboGrid1KeyDown(GridKey::Left));
}

TEST_F(CheckMarksTest, SavedTicksComeBackAndHiddenRecordsAreUntouched) {
    Write({"\"2003/05/01\",No,□,出版社,発売日,タイトル,作者,価格",
           "1,0,講談社,1,ワンピース,尾田,420", "2,0,集英社,2,ＮＡＲＵＴＯ　外伝,岸本,390",
           "3,1,講談社,3,\"進撃\"\"の\"\"巨人\",諫山,460", "4,0,小学館,4,コナン,青山,410"});
    form.List.Filter.CmbSrch1.text = Sj("講談社,集英社");
    Load();
    ASSERT_EQ(form.List.ComboGrid1.RowCount(), 4);
    Click(1, RowOf("1"));
    Click(1, RowOf("2"));
    Click(1, RowOf("3"));  // untick a saved tick
    form.CheckSaveExecute();

    EXPECT_EQ(
        test::ReadDataFile(form.DataFilePath),
        (std::vector<std::string>{
            "\"2003/05/01\",No,□,出版社,発売日,タイトル,作者,価格",
            "1,1,講談社,1,\"ワンピース\",尾田,420", "2,1,集英社,2,\"ＮＡＲＵＴＯ　外伝\",岸本,390",
            "3,0,講談社,3,\"進撃\"\"の\"\"巨人\",諫山,460", "4,0,小学館,4,コナン,青山,410"}));
    EXPECT_EQ(Folder(), std::vector<std::string>{"comic0305.csv"}) << "nothing left behind";

    form.List.Filter.CmbSrch1.text.clear();
    Load();
    EXPECT_EQ(U8(ShownCell(form.List.ComboGrid1, 1, RowOf("1"))), "■");
    EXPECT_EQ(U8(ShownCell(form.List.ComboGrid1, 1, RowOf("3"))), "□");
    EXPECT_EQ(U8(form.List.ComboGrid1.Cell(4, RowOf("3"))), "進撃\"の\"巨人");
    EXPECT_EQ(U8(form.List.ComboGrid1.Cell(4, RowOf("2"))), "NARUTO 外伝");
}

TEST_F(CheckMarksTest, DuplicateNumbersShortLinesAndSpaces) {
    Write({"No,□,出版社,発売日,タイトル,作者,価格", "7,0,a,1,first,x,1", "7,0,b,2,second,x,2",
           "8,0", "9,0,a b,3,t u,x,3"});
    Load();
    Click(1, RowOf("7"));
    form.CheckSaveExecute();
    EXPECT_EQ(
        test::ReadDataFile(form.DataFilePath),
        (std::vector<std::string>{"No,□,出版社,発売日,タイトル,作者,価格", "7,1,a,1,\"first\",x,1",
                                  "7,1,b,2,\"second\",x,2", "8,0", "9,0,a b,3,\"t u\",x,3"}));
}

TEST_F(CheckMarksTest, ASaveWithNoClickKeepsEveryTickAndEveryField) {
    Write({"No,□,出版社,発売日,タイトル,作者,価格",
           // 7: the first row is the first line; 8: the date order puts the second line first.
           "7,0,a,1,t,x,1", "7,1,b,2,t,x,1", "8,0,c,9,t,x,1", "8,1,d,3,t,x,1",
           // A full-width flag shows as ticked.
           "5,１,e,4,t,x,1",
           // Fields the converters never write but a spreadsheet does: a comma, a quote, a control
           // byte.
           "6,0,\"f,g\",5,t,\"x\"\"y\",\"1\x1F"
           "2\""});
    form.List.CmbSort.itemIndex = 0;
    Load();
    EXPECT_EQ(U8(ShownCell(form.List.ComboGrid1, 1, RowOf("5"))), "■");
    form.CheckSaveExecute();
    EXPECT_EQ(test::ReadDataFile(form.DataFilePath),
              (std::vector<std::string>{
                  "No,□,出版社,発売日,タイトル,作者,価格", "7,0,a,1,\"t\",x,1", "7,0,b,2,\"t\",x,1",
                  "8,1,c,9,\"t\",x,1", "8,1,d,3,\"t\",x,1", "5,1,e,4,\"t\",x,1",
                  "6,0,\"f,g\",5,\"t\",\"x\"\"y\",\"1\x1F"
                  "2\""}));
    Load();
    const int six = RowOf("6");
    EXPECT_EQ(U8(form.List.ComboGrid1.Cell(2, six)), "f,g");
    EXPECT_EQ(U8(form.List.ComboGrid1.Cell(5, six)), "x\"y");
    EXPECT_EQ(U8(form.List.ComboGrid1.Cell(6, six)),
              "1\x1F"
              "2");
    EXPECT_EQ(form.List.ComboGrid1.ColCount(), 7);
}

TEST_F(CheckMarksTest, AnotherListsTicksSurviveRepeatedSaves) {
    Write({"No,□,出版社,発売日,タイトル,作者,価格", "1,0,a,1,t,x,1", "2,0,b,2,t,x,1",
           "2,0,c,3,t,x,1", "3,1,d,4,t,x,1"});
    Load();
    Click(1, RowOf("1"));

    // A second window ticks 2 and unticks 3 while this one is open.
    ReleaseList other(ui, clock);
    other.Load(form.DataFilePath, other.Filter.Submit());
    for (int r = 1; r < other.ComboGrid1.RowCount(); ++r) {
        const std::string_view number = other.ComboGrid1.Cell(0, r);
        if (number == "2" || number == "3") {
            other.ComboGrid1.SetCurrentCell(1, r);
            other.ComboGrid1Click();
        }
    }
    other.SaveTicks(form.DataFilePath);

    const std::vector<std::string> expected = {"No,□,出版社,発売日,タイトル,作者,価格",
                                               "1,1,a,1,\"t\",x,1", "2,1,b,2,\"t\",x,1",
                                               "2,1,c,3,\"t\",x,1", "3,0,d,4,\"t\",x,1"};
    form.CheckSaveExecute();
    EXPECT_EQ(test::ReadDataFile(form.DataFilePath), expected);
    form.CheckSaveExecute();
    EXPECT_EQ(test::ReadDataFile(form.DataFilePath), expected) << "a second save keeps them too";
    Click(1, RowOf("1"));  // the user's own change still wins
    form.CheckSaveExecute();
    EXPECT_EQ(test::ReadDataFile(form.DataFilePath)[1], "1,0,a,1,\"t\",x,1");
}

TEST_F(CheckMarksTest, DelBytesAndBlanksAroundTheNumberSurviveASave) {
    // Bytes as stored, DEL included: the text conversion would not carry DEL through.
    auto scrambled = [](const std::vector<std::string>& lines) {
        Scrambler key;
        std::string bytes;
        for (const std::string& line : lines) {
            bytes += key.ScrambleLine(line) + "\r\n";
        }
        return bytes;
    };
    const std::string header = Sj("No,□,出版社,発売日,タイトル,作者,価格");
    test::WriteBytes(form.DataFilePath, scrambled({header,
                                                   "7 ,0,a\x7F"
                                                   "b,1,t\x7Fu v,x,1",
                                                   "8,0,c\x7F"
                                                   "d,2,w,x,2",
                                                   Sj("９,0,e,3,y,x,3")}));
    Load();
    ASSERT_NE(RowOf("7"), -1);
    Click(1, RowOf("7"));
    Click(1, RowOf("9"));
    form.CheckSaveExecute();
    EXPECT_EQ(test::ReadBytes(form.DataFilePath), scrambled({header,
                                                             "7 ,1,a\x7F"
                                                             "b,1,\"t\x7Fu v\",x,1",
                                                             "8,0,c\x7F"
                                                             "d,2,\"w\",x,2",
                                                             Sj("９,1,e,3,\"y\",x,3")}));
}

TEST_F(CheckMarksTest, SavingNeverWritesThroughPlantedLinksOrLeavesAPlainCopy) {
    Write({"No,□,出版社,発売日,タイトル,作者,価格", "1,0,講談社,1,秘密のタイトル,x,1"});
    Load();
    Click(1, 1);
    // Names the older versions of the program wrote to, pointing at a file outside.
    const std::filesystem::path outside = dir / "outside";
    std::filesystem::create_symlink(outside, dir / "newfiles.$$$");
    std::filesystem::create_symlink(outside, dir / "comic0305.csv.tmp");
    form.CheckSaveExecute();
    EXPECT_FALSE(std::filesystem::exists(outside));
    EXPECT_FALSE(std::filesystem::is_symlink(form.DataFilePath));
    EXPECT_EQ(test::ReadDataFile(form.DataFilePath)[1], "1,1,講談社,1,\"秘密のタイトル\",x,1");
    std::vector<std::string> names = Folder();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names,
              (std::vector<std::string>{"comic0305.csv", "comic0305.csv.tmp", "newfiles.$$$"}));
}

TEST_F(CheckMarksTest, MissingFileDoesNothingAndAFailedSaveKeepsTheDataFile) {
    form.DataFilePath = dir / "missing.csv";
    form.CheckSaveExecute();
    EXPECT_TRUE(Folder().empty());
    EXPECT_TRUE(ui.messages.empty());

    form.DataFilePath = dir / "comic0305.csv";
    Write({"No,□,出版社,発売日,タイトル,作者,価格", "1,0,a,1,t,x,1"});
    Load();
    Click(1, 1);
    const std::string before = test::ReadBytes(form.DataFilePath);
    // A read-only data file is the user's choice: refused, not replaced.
    std::filesystem::permissions(form.DataFilePath, std::filesystem::perms::owner_read);
    EXPECT_ANY_THROW(form.CheckSaveExecute());
    EXPECT_EQ(test::ReadBytes(form.DataFilePath), before);
    EXPECT_EQ(Folder(), std::vector<std::string>{"comic0305.csv"});
    EXPECT_EQ(ui.Cursor(), CursorShape::Default);
}

TEST_F(CheckMarksTest, WheelMovesViewAndCurrentRow) {
    form.List.ComboGrid1.SetRowCount(20);
    form.List.ComboGrid1.SetCurrentCell(2, 5);
    form.List.ComboGrid1.SetTopRow(4);
    form.List.ComboGrid1MouseWheelDown(3);
    EXPECT_EQ(form.List.ComboGrid1.TopRow(), 7);
    EXPECT_EQ(form.List.ComboGrid1.Row(), 8);
    form.List.ComboGrid1.SetCurrentCell(2, 18);
    form.List.ComboGrid1MouseWheelDown(3);
    EXPECT_EQ(form.List.ComboGrid1.Row(), 19) << "not past the last row";
    form.List.ComboGrid1MouseWheelUp(3);
    EXPECT_EQ(form.List.ComboGrid1.TopRow(), 7);
    EXPECT_EQ(form.List.ComboGrid1.Row(), 16);
    form.List.ComboGrid1.SetTopRow(2);
    form.List.ComboGrid1MouseWheelUp(3);
    EXPECT_EQ(form.List.ComboGrid1.TopRow(), 1);
    EXPECT_EQ(form.List.ComboGrid1.Row(), 15);
}

TEST_F(CheckMarksTest, EighthColumnWidthIsRemembered) {
    form.List.ComboGrid1.SetColCount(8);
    form.List.ComboGrid1.SetColWidth(7, 90);
    form.List.ComboGrid1AlignCellEvent(2, 1);
    EXPECT_EQ(form.List.ComboGrid1.EighthColWidth(), 90);
    form.List.ComboGrid1.SetColCount(7);
    form.List.ComboGrid1AlignCellEvent(2, 1);
    EXPECT_EQ(form.List.ComboGrid1.EighthColWidth(), 90);
}

}  // namespace
}  // namespace yomida

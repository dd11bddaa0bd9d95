#include <gtest/gtest.h>

#include "engine/Release.h"
#include "support/FormFixture.h"
#include "support/ScriptedUi.h"
#include "support/TestSupport.h"

namespace yomida {
namespace {

using namespace std::chrono;
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
        form.Source.UseSource({dir / "comic0305.csv", {}});
    }
    void Write(const std::vector<std::string>& lines) {
        test::WriteDataFile(form.Source.DataFilePath(), lines);
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

// What a save writes is the engine's (tests/engine/ReleaseListFileTest.cpp); the window adds the
// hourglass and the silence over a missing file.
TEST_F(CheckMarksTest, ASaveShowsTheHourglassAndAMissingFileNothing) {
    form.Source.UseSource({dir / "missing.csv", {}});
    form.CheckSaveExecute();
    EXPECT_TRUE(Folder().empty());
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(ui.cursorHistory.empty());

    form.Source.UseSource({dir / "comic0305.csv", {}});
    Write({"No,□,出版社,発売日,タイトル,作者,価格", "1,0,a,1,t,x,1"});
    Load();
    Click(1, 1);
    ui.cursorHistory.clear();
    form.CheckSaveExecute();
    EXPECT_EQ(test::ReadDataFile(form.Source.DataFilePath())[1], "1,1,a,1,t,x,1");
    EXPECT_EQ(ui.cursorHistory, (std::vector{CursorShape::Hourglass, CursorShape::Default}));

    const std::string before = test::ReadBytes(form.Source.DataFilePath());
    Click(1, 1);
    std::filesystem::permissions(form.Source.DataFilePath(), std::filesystem::perms::owner_read);
    EXPECT_ANY_THROW(form.CheckSaveExecute());
    EXPECT_EQ(test::ReadBytes(form.Source.DataFilePath()), before);
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

#include <gtest/gtest.h>

#include "engine/Release.h"
#include "platform/IoError.h"
#include "support/FormFixture.h"
#include "support/ScriptedUi.h"
#include "support/TestSupport.h"

namespace yomida {
namespace {

using namespace std::chrono;
using test::Sj;
using test::U8;

const std::string kHeader7 = "No,□,出版社,発売日,タイトル,作者,価格";

class LoadTest : public ::testing::Test {
protected:
    test::TempDir dir;
    ScriptedUi ui;
    FixedClock clock{year_month_day{year{2003}, month{5}, day{7}}};
    test::WindowLogic logic{ui, clock};
    MainWindowLogic& form = logic.form;

    void Load(const std::vector<std::string>& lines) {
        form.Source.UseSource({dir / "comic0305.csv", {}});
        test::WriteDataFile(form.Source.DataFilePath(), lines);
        form.LoadReleaseList();
    }
    // One grid row as UTF-8 cells, up to the column count.
    std::vector<std::string> Row(int r) {
        std::vector<std::string> cells;
        for (int c = 0; c < form.List.ComboGrid1.ColCount(); ++c) {
            cells.push_back(U8(ShownCell(form.List.ComboGrid1, c, r)));
        }
        return cells;
    }
    std::string Count() { return U8(form.StBar.panels[1].text); }
};

using Cells = std::vector<std::string>;

// What the grid holds after a load is the engine's (tests/engine/ReleaseListFileTest.cpp); the
// window adds the count in the status bar, the hourglass and the search panel's part.
TEST_F(LoadTest, TheCountGoesToTheStatusBarUnderTheHourglass) {
    Load({kHeader7, "1,0,講談社,15,ワンピース,尾田,420", "2,1,集英社,上,ＮＡＲＵＴＯ,岸本,390"});
    EXPECT_EQ(Row(2), (Cells{"2", "■", "集英社", "上", "NARUTO", "岸本", "390"}));
    EXPECT_EQ(Count(), "2件");
    EXPECT_EQ(ui.cursorHistory, (std::vector{CursorShape::Hourglass, CursorShape::Default}));
    Load({kHeader7});
    EXPECT_EQ(Row(1), Cells(7, ""));
    EXPECT_EQ(Count(), "0件");
}

TEST_F(LoadTest, AnOpenDayRangeIsClosedEvenWithoutRecords) {
    form.List.Filter.CbDate.checked = true;
    form.List.Filter.SEdtT.value = 0;
    Load({kHeader7});
    EXPECT_EQ(form.List.Filter.SEdtT.value, 31);
}

TEST_F(LoadTest, TheOrderBoxOrdersTheLoadAndShowsTheFirstRecord) {
    form.List.CmbSort.itemIndex = 0;
    form.List.ComboGrid1.SetCurrentCell(5, 1);
    Load({kHeader7, "1,0,講談社,15,ワンピース,尾田,420", "2,1,集英社,上,ＮＡＲＵＴＯ,岸本,390"});
    EXPECT_EQ(Row(1)[0], "2");
    EXPECT_EQ(form.List.ComboGrid1.Col(), 2);
    EXPECT_EQ(form.List.ComboGrid1.Row(), 1);
}

TEST_F(LoadTest, MissingFileThrowsAndRestoresTheCursor) {
    form.Source.UseSource({dir / "missing.csv", {}});
    EXPECT_THROW(form.LoadReleaseList(), IoError);
    EXPECT_EQ(ui.Cursor(), CursorShape::Default);
}

TEST_F(LoadTest, FilterAndHistoryApplyDuringLoad) {
    form.List.Filter.CmbSrch2.text = Sj("ﾜﾝ ﾋﾟｰｽ");
    Load({kHeader7, "1,0,a,1,ワン　ピース,x,1", "2,0,a,1,ワン ピース,x,1",
          "3,0,a,1,ワンピース,x,1"});
    EXPECT_EQ(U8(form.List.Filter.CmbSrch2.text), "ワン　ピース");
    EXPECT_EQ(Count(), "2件");
    EXPECT_EQ(Row(1)[0], "1");
    EXPECT_EQ(Row(2)[0], "2");
}

}  // namespace
}  // namespace yomida

#include <gtest/gtest.h>

#include "engine/ReleaseRecord.h"
#include "platform/IoError.h"
#include "support/FormFixture.h"
#include "support/ScriptedUi.h"
#include "support/TestSupport.h"

namespace yomida {
namespace {

using namespace std::chrono;
using namespace std::string_literals;
using test::Sj;
using test::U8;

const std::string kHeader7 = "No,□,出版社,発売日,タイトル,作者,価格";
const std::string kHeader8 = "No,□,出版社,発売日,タイトル,作者,価格,ISBN";

class LoadTest : public ::testing::Test {
protected:
    test::TempDir dir;
    ScriptedUi ui;
    FixedClock clock{year_month_day{year{2003}, month{5}, day{7}}};
    test::WindowLogic logic{ui, clock};
    MainWindowLogic& form = logic.form;

    void Load(const std::vector<std::string>& lines) {
        form.UseSource({dir / "comic0305.csv", {}});
        test::WriteDataFile(form.DataFilePath(), lines);
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

TEST_F(LoadTest, RecordsFillTheGridInFileOrder) {
    Load({kHeader7, "1,0,講談社,15,ワンピース,尾田,420", "2,1,集英社,上,ＮＡＲＵＴＯ,岸本,390"});
    EXPECT_EQ(form.List.ComboGrid1.RowCount(), 3);
    EXPECT_EQ(form.List.ComboGrid1.ColCount(), 7);
    EXPECT_EQ(Row(0), (Cells{"No", "□", "出版社", "発売日", "タイトル", "作者", "価格"}));
    EXPECT_EQ(Row(1), (Cells{"1", "□", "講談社", "15", "ワンピース", "尾田", "420"}));
    EXPECT_EQ(Row(2), (Cells{"2", "■", "集英社", "上", "NARUTO", "岸本", "390"}));
    EXPECT_EQ(Count(), "2件");
    EXPECT_EQ(ui.cursorHistory, (std::vector{CursorShape::Hourglass, CursorShape::Default}));
}

TEST_F(LoadTest, AnOpenDayRangeIsClosedEvenWithoutRecords) {
    form.List.Filter.CbDate.checked = true;
    form.List.Filter.SEdtT.value = 0;
    Load({kHeader7});
    EXPECT_EQ(form.List.Filter.SEdtT.value, 31);
}

TEST_F(LoadTest, HeaderOnlyOrEverythingFilteredShowsZero) {
    // The blank row takes the place of a ticked record and shows no tick of it.
    Load({kHeader7, "1,1,講談社,15,ワンピース,尾田,420"});
    EXPECT_EQ(form.List.ComboGrid1.RowCount(), 2);
    EXPECT_EQ(Row(1)[1], "■");
    EXPECT_EQ(Count(), "1件");
    Load({kHeader7});
    EXPECT_EQ(form.List.ComboGrid1.RowCount(), 2);
    EXPECT_EQ(Row(0)[2], "出版社");
    EXPECT_EQ(Row(1), Cells(7, ""));
    EXPECT_EQ(Count(), "0件");

    form.List.Filter.CmbSrch1.text = Sj("存在しない");
    Load({kHeader7, "1,0,講談社,15,ワンピース,尾田,420"});
    EXPECT_EQ(form.List.ComboGrid1.RowCount(), 2);
    EXPECT_EQ(Row(0)[4], "タイトル");
    EXPECT_EQ(Row(1), Cells(7, ""));
    EXPECT_EQ(Count(), "0件");
}

TEST_F(LoadTest, StampFieldInFrontOfTheHeaderIsDropped) {
    Load({"\"2003/05/01 12:00\"," + kHeader7, "1,0,講談社,15,ワンピース,尾田,420"});
    EXPECT_EQ(Row(0), (Cells{"No", "□", "出版社", "発売日", "タイトル", "作者", "価格"}));
    EXPECT_EQ(Count(), "1件");
}

TEST_F(LoadTest, EighthColumnTakesTheRememberedWidthAndNinthFieldsWiden) {
    form.List.ComboGrid1.SetEighthColWidth(123);
    Load({kHeader8, "1,0,講談社,15,ワンピース,尾田,420"});
    EXPECT_EQ(form.List.ComboGrid1.ColCount(), 8);
    EXPECT_EQ(form.List.ComboGrid1.ColWidth(7), 123);

    Load({kHeader7, "1,0,講談社,15,ワンピース,尾田,420"});
    EXPECT_EQ(form.List.ComboGrid1.ColCount(), 7);

    Load({kHeader8, "1,0,講談社,15,ワンピース,尾田,420,4-06-1,extra"});
    EXPECT_EQ(form.List.ComboGrid1.ColCount(), 9);
    EXPECT_EQ(form.List.ComboGrid1.ColWidth(7), 123);
    EXPECT_EQ(Row(1)[8], "extra");
}

TEST_F(LoadTest, TicksQuotedTitlesAndSpaces) {
    Load({kHeader7, "1,1,講談社,15,\"ワンピース　第１巻\",尾田,420", "2,0,a,1,　　前　後　　,b,1",
          "3,,a,1,t,b,1", "4,yes,a,1,t,b,1", "5,0,a b,1,\"x, \"\"y\"\"\",b,1", "6,１,a,1,t,b,1"});
    EXPECT_EQ(Row(1)[1], "■");
    EXPECT_EQ(Row(1)[4], "ワンピース 第1巻");
    EXPECT_EQ(Row(2)[4], "前 後");
    EXPECT_EQ(Row(3)[1], "□");
    EXPECT_EQ(Row(4)[1], "□");
    EXPECT_EQ(Row(6)[1], "■") << "a full-width 1 is a tick";
    // A half-width space inside a field does not split it.
    EXPECT_EQ(Row(5)[2], "a b");
    EXPECT_EQ(Row(5)[4], "x, \"y\"");
}

TEST_F(LoadTest, MalformedLinesLoadWithoutHarm) {
    // The plain-text marker lets the test place exact bytes, NUL included, in the lines read.
    test::WriteBytes(dir / "コミック", "");
    const std::string longTitle(4 * 1024 * 1024, 'L');
    form.UseSource({dir / "bad.csv", {}});
    std::string file;
    for (const std::string& line :
         {Sj("1,0,講談社,15,最初はヘッダーなし,a,1"), ""s, "lonely"s, "1,0,a,1,nul\0byte,b,1"s,
          "2,0,a,1,lead at end\x81"s, "3,0,a,1," + longTitle + ",b,1", "4,0"s}) {
        file += line + "\r\n";
    }
    test::WriteBytes(form.DataFilePath(), file + "\x81");
    form.LoadReleaseList();
    // Without a header line the first record takes row 0.
    EXPECT_EQ(Row(0)[4], "最初はヘッダーなし");
    EXPECT_EQ(Row(1)[4], "nul");  // a NUL ends the text of its line
    EXPECT_EQ(form.List.ComboGrid1.Cell(4, 2), "lead at end\x81");
    EXPECT_EQ(form.List.ComboGrid1.Cell(4, 3), longTitle);
    EXPECT_EQ(Count(), "3件");
}

TEST_F(LoadTest, GarbageBytesLoadWithoutHarm) {
    std::string garbage;
    uint32_t x = 12345;
    for (int i = 0; i < 200000; ++i) {
        x = x * 1103515245u + 12345u;
        garbage += static_cast<char>(x >> 24);
    }
    form.UseSource({dir / "garbage.csv", {}});
    test::WriteBytes(form.DataFilePath(), garbage);
    form.LoadReleaseList();
    EXPECT_GE(form.List.ComboGrid1.RowCount(), 2);
    EXPECT_EQ(ui.Cursor(), CursorShape::Default);
}

TEST_F(LoadTest, MissingFileThrowsAndRestoresTheCursor) {
    form.UseSource({dir / "missing.csv", {}});
    EXPECT_THROW(form.LoadReleaseList(), IoError);
    EXPECT_EQ(ui.Cursor(), CursorShape::Default);
}

TEST_F(LoadTest, PlainTextMarkerReadsTheFileUnscrambled) {
    test::WriteBytes(dir / "コミック", "");
    form.UseSource({dir / "plain.csv", {}});
    test::WriteBytes(form.DataFilePath(),
                     Sj(kHeader7 + "\r\n1,0,講談社,15,ワンピース,尾田,420\r\n"));
    form.LoadReleaseList();
    EXPECT_EQ(Row(1)[2], "講談社");
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

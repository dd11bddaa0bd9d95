#include "engine/ReleaseListFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "engine/Release.h"
#include "engine/ResultOrder.h"
#include "platform/IoError.h"
#include "sources/RecordLayout.h"
#include "support/TestSupport.h"
#include "text/Scrambler.h"

namespace yomida {
namespace {

using namespace std::string_literals;
using test::Sj;
using test::U8;
using Cells = std::vector<std::string>;

const std::string kHeader7 = "No,□,出版社,発売日,タイトル,作者,価格";
const std::string kHeader8 = "No,□,出版社,発売日,タイトル,作者,価格,ISBN";

class ReleaseListFileTest : public ::testing::Test {
protected:
    test::TempDir dir;
    std::filesystem::path file = dir / "comic0305.csv";
    ComboGrid grid;
    ReleaseListFile list{grid.Table()};

    void Write(const std::vector<std::string>& lines) { test::WriteDataFile(file, lines); }
    int Load(const SearchQuery& query = {}, int order = -1) {
        const int count = list.Load(file, query, order);
        grid.Settle();
        return count;
    }
    // A check save that places every tick.
    void Save() { EXPECT_TRUE(list.SaveTicks(file).unplaced.empty()); }
    int WriteAndLoad(const std::vector<std::string>& lines) {
        Write(lines);
        return Load();
    }
    // One grid row as UTF-8 cells, up to the column count.
    Cells Row(int r) const {
        Cells cells;
        for (int c = 0; c < grid.ColCount(); ++c) {
            cells.push_back(U8(ShownCell(grid, c, r)));
        }
        return cells;
    }
    int RowOf(const std::string& number) const {
        for (int r = ComboGrid::kFirstRecordRow; r < grid.RowCount(); ++r) {
            if (grid.Cell(kNumberCol, r) == number) {
                return r;
            }
        }
        return -1;
    }
    void Tick(const std::string& number) { grid.ToggleTick(RowOf(number)); }
    std::vector<std::string> Folder() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
            names.push_back(e.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(ReleaseListFileTest, RecordsFillTheGridInFileOrder) {
    EXPECT_EQ(WriteAndLoad({kHeader7, "1,0,講談社,15,ワンピース,尾田,420",
                            "2,1,集英社,上,ＮＡＲＵＴＯ,岸本,390"}),
              2);
    EXPECT_EQ(grid.RowCount(), 3);
    EXPECT_EQ(grid.RecordRowCount(), 2);
    EXPECT_EQ(grid.ColCount(), 7);
    EXPECT_EQ(Row(0), (Cells{"No", "□", "出版社", "発売日", "タイトル", "作者", "価格"}));
    EXPECT_EQ(Row(1), (Cells{"1", "□", "講談社", "15", "ワンピース", "尾田", "420"}));
    EXPECT_EQ(Row(2), (Cells{"2", "■", "集英社", "上", "NARUTO", "岸本", "390"}));

    EXPECT_EQ(Load({}, kByDate), 2);
    EXPECT_EQ(Row(1)[3], "上") << "ordered as asked";
}

TEST_F(ReleaseListFileTest, HeaderOnlyOrEverythingFilteredShowsZero) {
    // The blank row takes the place of a ticked record and shows no tick of it.
    EXPECT_EQ(WriteAndLoad({kHeader7, "1,1,講談社,15,ワンピース,尾田,420"}), 1);
    EXPECT_EQ(Row(1)[1], "■");
    EXPECT_EQ(WriteAndLoad({kHeader7}), 0);
    EXPECT_EQ(grid.RowCount(), 2);
    EXPECT_EQ(grid.RecordRowCount(), 1);
    EXPECT_EQ(Row(0)[2], "出版社");
    EXPECT_EQ(Row(1), Cells(7, ""));

    Write({kHeader7, "1,0,講談社,15,ワンピース,尾田,420"});
    EXPECT_EQ(Load(SearchQuery(Sj("存在しない"), "", "")), 0);
    EXPECT_EQ(grid.RowCount(), 2);
    EXPECT_EQ(Row(0)[4], "タイトル");
    EXPECT_EQ(Row(1), Cells(7, ""));
}

TEST_F(ReleaseListFileTest, StampFieldInFrontOfTheHeaderIsDropped) {
    EXPECT_EQ(
        WriteAndLoad({"\"2003/05/01 12:00\"," + kHeader7, "1,0,講談社,15,ワンピース,尾田,420"}), 1);
    EXPECT_EQ(Row(0), (Cells{"No", "□", "出版社", "発売日", "タイトル", "作者", "価格"}));
}

TEST_F(ReleaseListFileTest, EighthColumnTakesTheRememberedWidthAndNinthFieldsWiden) {
    grid.SetEighthColWidth(123);
    WriteAndLoad({kHeader8, "1,0,講談社,15,ワンピース,尾田,420"});
    EXPECT_EQ(grid.ColCount(), 8);
    EXPECT_EQ(grid.ColWidth(7), 123);

    WriteAndLoad({kHeader7, "1,0,講談社,15,ワンピース,尾田,420"});
    EXPECT_EQ(grid.ColCount(), 7);

    WriteAndLoad({kHeader8, "1,0,講談社,15,ワンピース,尾田,420,4-06-1,extra"});
    EXPECT_EQ(grid.ColCount(), 9);
    EXPECT_EQ(grid.ColWidth(7), 123);
    EXPECT_EQ(Row(1)[8], "extra");
}

TEST_F(ReleaseListFileTest, TicksQuotedTitlesAndSpaces) {
    WriteAndLoad({kHeader7, "1,1,講談社,15,\"ワンピース　第１巻\",尾田,420",
                  "2,0,a,1,　　前　後　　,b,1", "3,,a,1,t,b,1", "4,yes,a,1,t,b,1",
                  "5,0,a b,1,\"x, \"\"y\"\"\",b,1", "6,１,a,1,t,b,1"});
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

TEST_F(ReleaseListFileTest, MalformedLinesLoadWithoutHarm) {
    // The plain-text marker lets the test place exact bytes, NUL included, in the lines read.
    test::WriteBytes(dir / "コミック", "");
    const std::string longTitle(4 * 1024 * 1024, 'L');
    file = dir / "bad.csv";
    std::string bytes;
    for (const std::string& line :
         {Sj("1,0,講談社,15,最初はヘッダーなし,a,1"), ""s, "lonely"s, "1,0,a,1,nul\0byte,b,1"s,
          "2,0,a,1,lead at end\x81"s, "3,0,a,1," + longTitle + ",b,1", "4,0"s}) {
        bytes += line + "\r\n";
    }
    test::WriteBytes(file, bytes + "\x81");
    EXPECT_EQ(Load(), 3);
    // Without a header line the first record takes row 0.
    EXPECT_EQ(Row(0)[4], "最初はヘッダーなし");
    EXPECT_EQ(Row(1)[4], "nul");  // a NUL ends the text of its line
    EXPECT_EQ(grid.Cell(4, 2), "lead at end\x81");
    EXPECT_EQ(grid.Cell(4, 3), longTitle);
}

TEST_F(ReleaseListFileTest, GarbageBytesPlainTextAndAMissingFile) {
    std::string garbage;
    uint32_t x = 12345;
    for (int i = 0; i < 200000; ++i) {
        x = x * 1103515245u + 12345u;
        garbage += static_cast<char>(x >> 24);
    }
    file = dir / "garbage.csv";
    test::WriteBytes(file, garbage);
    EXPECT_NO_THROW(Load());
    EXPECT_GE(grid.RowCount(), 2);

    file = dir / "missing.csv";
    EXPECT_THROW(Load(), IoError);

    test::WriteBytes(dir / "コミック", "");
    file = dir / "plain.csv";
    test::WriteBytes(file, Sj(kHeader7 + "\r\n1,0,講談社,15,ワンピース,尾田,420\r\n"));
    EXPECT_EQ(Load(), 1);
    EXPECT_EQ(Row(1)[2], "講談社");
}

TEST_F(ReleaseListFileTest, SavedTicksComeBackAndHiddenRecordsAreUntouched) {
    Write({"\"2003/05/01\",No,□,出版社,発売日,タイトル,作者,価格",
           "1,0,講談社,1,ワンピース,尾田,420", "2,0,集英社,2,ＮＡＲＵＴＯ　外伝,岸本,390",
           "3,1,講談社,3,\"進撃\"\"の\"\"巨人\",諫山,460", "4,0,小学館,4,コナン,青山,410"});
    EXPECT_EQ(Load(SearchQuery::FromTypedTexts(Sj("講談社,集英社"), "", "")), 3);
    Tick("1");
    Tick("2");
    Tick("3");  // untick a saved tick
    Save();

    // Only the flags change: every other byte of a record stays as it was.
    EXPECT_EQ(test::ReadDataFile(file),
              (std::vector<std::string>{
                  "\"2003/05/01\",No,□,出版社,発売日,タイトル,作者,価格",
                  "1,1,講談社,1,ワンピース,尾田,420", "2,1,集英社,2,ＮＡＲＵＴＯ　外伝,岸本,390",
                  "3,0,講談社,3,\"進撃\"\"の\"\"巨人\",諫山,460", "4,0,小学館,4,コナン,青山,410"}));
    EXPECT_EQ(Folder(), std::vector<std::string>{"comic0305.csv"}) << "nothing left behind";

    Load();
    EXPECT_EQ(U8(ShownCell(grid, 1, RowOf("1"))), "■");
    EXPECT_EQ(U8(ShownCell(grid, 1, RowOf("3"))), "□");
    EXPECT_EQ(U8(grid.Cell(4, RowOf("3"))), "進撃\"の\"巨人");
    EXPECT_EQ(U8(grid.Cell(4, RowOf("2"))), "NARUTO 外伝");
}

TEST_F(ReleaseListFileTest, DuplicateNumbersShortLinesAndSpaces) {
    WriteAndLoad({kHeader7, "7,0,a,1,first,x,1", "7,0,b,2,second,x,2", "8,0", "9,0,a b,3,t u,x,3"});
    Tick("7");
    Save();
    // A tick goes to the line its row came from, not to every line of the same number.
    EXPECT_EQ(test::ReadDataFile(file),
              (std::vector<std::string>{kHeader7, "7,1,a,1,first,x,1", "7,0,b,2,second,x,2", "8,0",
                                        "9,0,a b,3,t u,x,3"}));
}

TEST_F(ReleaseListFileTest, ASaveWithNoClickKeepsEveryTickAndEveryField) {
    Write({kHeader7,
           // 7: the first row is the first line; 8: the date order puts the second line first.
           "7,0,a,1,t,x,1", "7,1,b,2,t,x,1", "8,0,c,9,t,x,1", "8,1,d,3,t,x,1",
           // A full-width flag shows as ticked.
           "5,１,e,4,t,x,1",
           // Fields the converters never write but a spreadsheet does: a comma, a quote, a control
           // byte.
           "6,0,\"f,g\",5,t,\"x\"\"y\",\"1\x1F"
           "2\""});
    const std::string before = test::ReadBytes(file);
    Load({}, kByDate);
    EXPECT_EQ(U8(ShownCell(grid, 1, RowOf("5"))), "■");
    Save();
    EXPECT_EQ(test::ReadBytes(file), before) << "a save without a click changes no byte";
    Load();
    const int six = RowOf("6");
    EXPECT_EQ(U8(grid.Cell(2, six)), "f,g");
    EXPECT_EQ(U8(grid.Cell(5, six)), "x\"y");
    EXPECT_EQ(U8(grid.Cell(6, six)),
              "1\x1F"
              "2");
    EXPECT_EQ(grid.ColCount(), 7);
}

TEST_F(ReleaseListFileTest, AnotherListsTicksSurviveRepeatedSaves) {
    WriteAndLoad({kHeader7, "1,0,a,1,t,x,1", "2,0,b,2,t,x,1", "2,0,c,3,t,x,1", "3,1,d,4,t,x,1"});
    Tick("1");

    // A second list over the same file ticks 2 and unticks 3 while this one is open.
    ComboGrid otherGrid;
    ReleaseListFile other(otherGrid.Table());
    ASSERT_EQ(other.Load(file, {}, -1), 4);
    otherGrid.Settle();
    for (int r = ComboGrid::kFirstRecordRow; r < otherGrid.RowCount(); ++r) {
        const std::string_view number = otherGrid.Cell(kNumberCol, r);
        if (number == "2" || number == "3") {
            otherGrid.ToggleTick(r);
        }
    }
    EXPECT_TRUE(other.SaveTicks(file).unplaced.empty());

    const std::vector<std::string> expected = {kHeader7, "1,1,a,1,t,x,1", "2,1,b,2,t,x,1",
                                               "2,1,c,3,t,x,1", "3,0,d,4,t,x,1"};
    Save();
    EXPECT_EQ(test::ReadDataFile(file), expected);
    Save();
    EXPECT_EQ(test::ReadDataFile(file), expected) << "a second save keeps them too";
    Tick("1");  // the user's own change still wins
    Save();
    EXPECT_EQ(test::ReadDataFile(file)[1], "1,0,a,1,t,x,1");
}

TEST_F(ReleaseListFileTest, DelBytesAndBlanksAroundTheNumberSurviveASave) {
    // Bytes as stored, DEL included: the text conversion would not carry DEL through.
    auto scrambled = [](const std::vector<std::string>& lines) {
        Scrambler key;
        std::string bytes;
        for (const std::string& line : lines) {
            bytes += key.ScrambleLine(line) + "\r\n";
        }
        return bytes;
    };
    const std::string header = Sj(kHeader7);
    test::WriteBytes(file, scrambled({header,
                                      "7 ,0,a\x7F"
                                      "b,1,t\x7Fu v,x,1",
                                      "8,0,c\x7F"
                                      "d,2,w,x,2",
                                      Sj("９,0,e,3,y,x,3")}));
    Load();
    ASSERT_NE(RowOf("7"), -1);
    Tick("7");
    Tick("9");
    Save();
    EXPECT_EQ(test::ReadBytes(file), scrambled({header,
                                                "7 ,1,a\x7F"
                                                "b,1,t\x7Fu v,x,1",
                                                "8,0,c\x7F"
                                                "d,2,w,x,2",
                                                Sj("９,1,e,3,y,x,3")}));
}

TEST_F(ReleaseListFileTest, SavingNeverWritesThroughPlantedLinksOrLeavesAPlainCopy) {
    WriteAndLoad({kHeader7, "1,0,講談社,1,秘密のタイトル,x,1"});
    Tick("1");
    // Names the older versions of the program wrote to, pointing at a file outside.
    const std::filesystem::path outside = dir / "outside";
    std::filesystem::create_symlink(outside, dir / "newfiles.$$$");
    std::filesystem::create_symlink(outside, dir / "comic0305.csv.tmp");
    Save();
    EXPECT_FALSE(std::filesystem::exists(outside));
    EXPECT_FALSE(std::filesystem::is_symlink(file));
    EXPECT_EQ(test::ReadDataFile(file)[1], "1,1,講談社,1,秘密のタイトル,x,1");
    EXPECT_EQ(Folder(),
              (std::vector<std::string>{"comic0305.csv", "comic0305.csv.tmp", "newfiles.$$$"}));
}

TEST_F(ReleaseListFileTest, AMissingFileIsLeftAloneAndAFailedSaveKeepsTheDataFile) {
    EXPECT_TRUE(list.SaveTicks(dir / "missing.csv").unplaced.empty());
    EXPECT_TRUE(Folder().empty());

    WriteAndLoad({kHeader7, "1,0,a,1,t,x,1"});
    Tick("1");
    const std::string before = test::ReadBytes(file);
    // A read-only data file is the user's choice: refused, not replaced.
    std::filesystem::permissions(file, std::filesystem::perms::owner_read);
    EXPECT_ANY_THROW(static_cast<void>(list.SaveTicks(file)));
    EXPECT_EQ(test::ReadBytes(file), before);
    EXPECT_EQ(Folder(), std::vector<std::string>{"comic0305.csv"});
}

TEST_F(ReleaseListFileTest, TickedFieldsTopToBottomUpToTheLimit) {
    WriteAndLoad(
        {kHeader7, "1,1,a,1,t1,x,1", "2,0,b,2,t2,x,1", "3,1,c,3,t3,x,1", "4,1,d,4,t4,x,1"});
    const std::vector<std::string_view> titles = TickedFields(grid.Rows(), kTitleCol, 2);
    EXPECT_EQ(titles, (std::vector<std::string_view>{"t1", "t3"}));
    EXPECT_EQ(TickedFields(grid.Rows(), kTitleCol, 100).size(), 3u);
}

TEST_F(ReleaseListFileTest, SavingTwiceIsSavingOnceWhateverARecordHolds) {
    // A lone lead byte before a quote, a lead byte at the end of a field, quotes, commas and a
    // control byte: a save writes only the flags it changes, and reads back what it wrote.
    test::WriteBytes(dir / "コミック", "");
    const std::vector<std::string> lines = {Sj(kHeader7), "1,0,a,1,\"x\x82\"y\",z,1",
                                            "2,0,b,2,lead\x82,z,2",
                                            "3,0,\"c,d\",3,\"q\"\"\",z\x1F,3", "4,0,e,4,t,z,4"};
    std::string bytes;
    for (const std::string& line : lines) {
        bytes += line + "\r\n";
    }
    test::WriteBytes(file, bytes);
    Load();
    for (int r = ComboGrid::kFirstRecordRow; r < grid.RowCount(); ++r) {
        grid.ToggleTick(r);
    }
    Save();
    const std::string once = test::ReadBytes(file);
    EXPECT_EQ(once.size(), bytes.size()) << "each flag changed in its place";
    Save();
    EXPECT_EQ(test::ReadBytes(file), once);
    for (int r = ComboGrid::kFirstRecordRow; r < grid.RowCount(); ++r) {
        grid.ToggleTick(r);
    }
    Save();
    EXPECT_EQ(test::ReadBytes(file), bytes) << "unticking gives the first file back";
    Load();
    EXPECT_EQ(grid.RecordRowCount(), 4);
}

TEST_F(ReleaseListFileTest, TicksFollowTheirReleasesIntoAListThatReplacedTheLoadedOne) {
    WriteAndLoad({kHeader7, "1,0,講談社,1,ワンピース,尾田,420", "2,0,集英社,2,NARUTO,岸本,390"});
    Tick("2");
    // An update replaces the list between the click and the save: new numbers, a new title
    // first, and the ticked title in another line.
    Write({kHeader7, "1,0,小学館,3,コナン,青山,410", "2,0,講談社,1,ワンピース,尾田,420",
           "3,0,集英社,2,NARUTO,岸本,390"});
    Save();
    EXPECT_EQ(test::ReadDataFile(file),
              (std::vector<std::string>{kHeader7, "1,0,小学館,3,コナン,青山,410",
                                        "2,0,講談社,1,ワンピース,尾田,420",
                                        "3,1,集英社,2,NARUTO,岸本,390"}))
        << "never the title that took the clicked number";

    // A ticked title the new list no longer holds is named, and nothing is ticked for it.
    Tick("1");
    Write({kHeader7, "1,0,小学館,3,コナン,青山,410"});
    const TickSave saved = list.SaveTicks(file);
    EXPECT_EQ(saved.unplaced, std::vector<std::string>{Sj("ワンピース")});
    EXPECT_EQ(test::ReadDataFile(file)[1], "1,0,小学館,3,コナン,青山,410");
}

}  // namespace
}  // namespace yomida

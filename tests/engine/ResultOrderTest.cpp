#include "engine/ResultOrder.h"

#include <gtest/gtest.h>

#include "engine/Release.h"
#include "sources/RecordLayout.h"
#include "support/FormFixture.h"
#include "support/ScriptedUi.h"
#include "support/TestSupport.h"

namespace yomida {
namespace {

using test::Sj;
using test::U8;

TEST(ResultOrder, DateAndPriceKeys) {
    EXPECT_EQ(DateKey("5"), "05");
    EXPECT_EQ(DateKey("15"), "15");
    EXPECT_EQ(DateKey(""), "");
    EXPECT_EQ(DateKey(Sj("上")), "0A");
    EXPECT_EQ(DateKey(Sj("中")), "1A");
    EXPECT_EQ(DateKey(Sj("下")), "3A");
    EXPECT_EQ(DateKey(Sj("上旬")), "00");
    EXPECT_EQ(DateKey("123"), "00");
    EXPECT_EQ(PriceKey("1200"), "0000001200");
    EXPECT_EQ(PriceKey(""), "AAAAAAAAAA");
    EXPECT_EQ(PriceKey("0"), "AAAAAAAAAA");
    EXPECT_EQ(PriceKey("000"), "AAAAAAAAAA");
    EXPECT_EQ(PriceKey("123456789012"), "3456789012");
}

class OrderTest : public ::testing::Test {
protected:
    ScriptedUi ui;
    FixedClock clock{std::chrono::year_month_day{}};
    test::WindowLogic logic{ui, clock};
    MainWindowLogic& form = logic.form;

    // Rows of No, check, publisher, date, title, author, price (UTF-8).
    void Fill(const std::vector<std::vector<std::string>>& rows) {
        ComboGrid& g = form.List.ComboGrid1;
        g.SetRowCount(static_cast<int>(rows.size()) + 1);
        for (size_t r = 0; r < rows.size(); ++r) {
            for (size_t c = 0; c < rows[r].size(); ++c) {
                if (c == kCheckCol) {
                    g.SetTicked(static_cast<int>(r) + 1, rows[r][c] == "■");
                } else {
                    g.SetCell(static_cast<int>(c), static_cast<int>(r) + 1, Sj(rows[r][c]));
                }
            }
        }
    }
    std::vector<std::string> Column(int col) {
        std::vector<std::string> values;
        for (int r = 1; r < form.List.ComboGrid1.RowCount(); ++r) {
            values.push_back(U8(ShownCell(form.List.ComboGrid1, col, r)));
        }
        return values;
    }
    void Order(int index) {
        form.List.CmbSort.itemIndex = index;
        form.List.CmbSortChange();
    }
};

TEST_F(OrderTest, ByDateWithMarkersLongTextsAndEmptyDates) {
    const char* dates[] = {"下", "20", "1", "中", "上", "31", "10", "未定の日付", "", "9", "19"};
    std::vector<std::vector<std::string>> rows;
    int n = 0;
    for (const char* d : dates) {
        rows.push_back({std::to_string(++n), "□", "a", d, "t", "x", "1"});
    }
    Fill(rows);
    Order(kByDate);
    EXPECT_EQ(Column(3), (std::vector<std::string>{"", "未定の日付", "1", "9", "上", "10", "19",
                                                   "中", "20", "31", "下"}));
    EXPECT_EQ(form.List.ComboGrid1.Col(), 2);
    EXPECT_EQ(form.List.ComboGrid1.Row(), 1);
    EXPECT_EQ(form.List.ComboGrid1.TopRow(), 1);
}

TEST_F(OrderTest, ByPriceTiesBrokenByDateThenPublisher) {
    Fill({{"1", "□", "b", "5", "t", "x", "1200"},
          {"2", "■", "a", "5", "t", "x", "980"},
          {"3", "□", "z", "7", "t", "x", ""},
          {"4", "□", "y", "7", "t", "x", "0"},
          {"5", "□", "x", "3", "t", "x", "0"}});
    Order(kByPrice);
    EXPECT_EQ(Column(6), (std::vector<std::string>{"980", "1200", "0", "0", ""}));
    EXPECT_EQ(Column(0), (std::vector<std::string>{"2", "1", "5", "4", "3"}));
    EXPECT_EQ(Column(1)[0], "■") << "the tick moves with its row";
}

TEST_F(OrderTest, ByPublisherAndTitleWithJapaneseCollation) {
    Fill({{"1", "□", "集英社", "5", "ワンピース", "x", "1"},
          {"2", "□", "講談社", "9", "進撃の巨人", "x", "1"},
          {"3", "□", "集英社", "1", "ナルト", "x", "1"},
          {"4", "□", "講談社", "9", "あひる", "x", "1"},
          {"5", "□", "KADOKAWA", "2", "abc", "x", "1"},
          {"6", "□", "kadokawa", "2", "ABC", "x", "1"}});
    Order(kByPublisher);
    // Latin before kanji; equal publishers by date, then by title.
    EXPECT_EQ(Column(0), (std::vector<std::string>{"6", "5", "4", "2", "3", "1"}));
    Order(kByTitle);
    // Case-sensitive but locale-aware: abc and ABC stay apart, next to each other.
    EXPECT_EQ(Column(4)[0], "abc");
    EXPECT_EQ(Column(4)[1], "ABC");
    EXPECT_LT(form.List.CompareRows(1, 2), 0);
    EXPECT_EQ(form.List.CompareRows(3, 3), 0);
}

TEST_F(OrderTest, KanaTypesStayApart) {
    Fill({{"1", "□", "あ社", "5", "あいう", "x", "1"},
          {"2", "□", "ア社", "3", "アイウ", "x", "1"},
          {"3", "□", "あ社", "1", "あいう", "x", "1"},
          {"4", "□", "ア社", "7", "アイウ", "x", "1"}});
    // Equal keys only for equal texts: hiragana and katakana rows do not interleave by date.
    Order(kByTitle);
    const std::vector<std::string> byTitle = Column(4);
    EXPECT_EQ(byTitle[0], byTitle[1]);
    EXPECT_EQ(byTitle[2], byTitle[3]);
    EXPECT_NE(byTitle[1], byTitle[2]);
    Order(kByPublisher);
    const std::vector<std::string> byPublisher = Column(2);
    EXPECT_EQ(byPublisher[0], byPublisher[1]);
    EXPECT_NE(byPublisher[1], byPublisher[2]);
    EXPECT_NE(form.List.CompareRows(1, 3), 0);
}

TEST_F(OrderTest, EmptyGridAndNoSelection) {
    Order(kByDate);
    EXPECT_EQ(form.List.ComboGrid1.RowCount(), 2);
    EXPECT_EQ(form.List.ComboGrid1.Col(), 2);
    form.List.ComboGrid1.SetCurrentCell(4, 1);
    Order(-1);
    EXPECT_EQ(form.List.ComboGrid1.Col(), 4) << "no order selected: nothing happens";
}

}  // namespace
}  // namespace yomida

#include "app/SearchFilter.h"

#include <gtest/gtest.h>

#include "engine/ReleaseRecordReader.h"

#include <thread>

#include "support/TestSupport.h"
#include "text/CommaText.h"

namespace yomida {
namespace {

using namespace std::chrono;
using test::Sj;

// A stored line as the loader reads it into a release.
Release Record(const std::string& cp932Line) {
    Release release;
    std::string scratch;
    ReleaseRecordReader::ReadLine(cp932Line, 0, release, scratch);
    return release;
}

class SearchFilterTest : public ::testing::Test {
protected:
    FixedClock clock{year_month_day{year{2003}, month{5}, day{7}}};
    SearchFilter f{clock};

    // A record line as the loader reads it.
    bool Matches(const std::string& utf8Line) { return f.Query().Matches(Record(Sj(utf8Line))); }
    void Search(const char* publisher, const char* title, const char* author) {
        f.CmbSrch1.text = Sj(publisher);
        f.CmbSrch2.text = Sj(title);
        f.CmbSrch3.text = Sj(author);
        f.Submit();
    }
};

TEST_F(SearchFilterTest, EmptyFilterPassesEveryRecordWithFiveFields) {
    EXPECT_TRUE(Matches("1,0,講談社,15,ワンピース"));
    EXPECT_FALSE(Matches("1,0,講談社,15"));
    EXPECT_FALSE(Matches(""));
}

TEST_F(SearchFilterTest, PublisherNarrowsAndTitleOrAuthorAreAlternatives) {
    Search("講談社", "", "");
    EXPECT_TRUE(Matches("1,0,講談社コミックス,15,何か,誰か,420"));
    EXPECT_FALSE(Matches("1,0,集英社,15,何か,誰か,420"));

    Search("講談社", "ワンピース", "");
    EXPECT_FALSE(Matches("1,0,講談社,15,何か,誰か,420"));
    EXPECT_TRUE(Matches("1,0,講談社,15,ワンピース　１,誰か,420"));
    EXPECT_FALSE(Matches("1,0,集英社,15,ワンピース,誰か,420"));

    Search("", "ワンピース", "尾田");
    EXPECT_TRUE(Matches("1,0,集英社,15,何か,尾田栄一郎,420"));
    EXPECT_TRUE(Matches("1,0,集英社,15,ワンピース,誰か,420"));
    EXPECT_FALSE(Matches("1,0,集英社,15,何か,誰か,420"));
    EXPECT_FALSE(Matches("1,0,集英社,15,何か")) << "no author field fails the author test";

    Search("講談社,集英社", "", "");
    EXPECT_TRUE(Matches("1,0,集英社,15,何か"));
    EXPECT_TRUE(Matches("1,0,講談社,15,何か"));
    EXPECT_FALSE(Matches("1,0,小学館,15,何か"));
}

TEST_F(SearchFilterTest, WordsAreNormalisedAndUpperCased) {
    Search("", "abc", "");
    EXPECT_TRUE(Matches("1,0,x,1,xABCx"));
    EXPECT_TRUE(Matches("1,0,x,1,xAbCx"));
    // The loader normalises ＡＢＣ to ABC before the filter sees it.
    EXPECT_TRUE(Matches("1,0,x,1,ＡＢＣ"));
    Search("", "ａｂｃ", "");
    EXPECT_EQ(f.CmbSrch2.text, "ABC");
    EXPECT_TRUE(Matches("1,0,x,1,ABC"));
    // A match never starts inside a double-byte character: ア ends in the byte 'A'.
    Search("", "A", "");
    EXPECT_FALSE(Matches("1,0,x,1,アイ"));
}

TEST_F(SearchFilterTest, HalfWidthSpaceIsStoredAndMatchedAsFullWidth) {
    Search("", "ドラゴン ボール", "");
    EXPECT_EQ(f.CmbSrch2.text, Sj("ドラゴン　ボール"));
    EXPECT_EQ(f.CmbSrch2.items.front(), Sj("ドラゴン　ボール"));
    EXPECT_EQ(f.Query().TitleWords().size(), 1u);
    EXPECT_TRUE(Matches("1,0,x,1,ドラゴン　ボール　１"));
    EXPECT_FALSE(Matches("1,0,x,1,ドラゴンボール"));
}

TEST_F(SearchFilterTest, EmptyWordsAndEmptyFieldsMatchNothing) {
    Search(",", "", "");
    EXPECT_EQ(f.Query().PublisherWords(), (std::vector<std::string>{"", ""}));
    EXPECT_FALSE(Matches("1,0,講談社,15,何か"));
    Search("", "x", "");
    EXPECT_FALSE(Matches("1,0,a,1,,x"));
}

TEST_F(SearchFilterTest, DateSpanAndMarkersAreIndependent) {
    f.CbDate.checked = true;
    f.SEdtF.value = 10;
    f.SEdtT.value = 20;
    for (const char* date : {"10", "15", "20", "上", "中", "下"}) {
        EXPECT_TRUE(Matches(std::string("1,0,a,") + date + ",t")) << date;
    }
    for (const char* date : {"9", "21", "", "5月", "1x", "上旬"}) {
        EXPECT_FALSE(Matches(std::string("1,0,a,") + date + ",t")) << date;
    }
    f.Cb2.checked = false;
    EXPECT_FALSE(Matches("1,0,a,中,t"));
    EXPECT_TRUE(Matches("1,0,a,上,t"));
    EXPECT_TRUE(Matches("1,0,a,15,t"));

    f.SEdtF.value = 25;
    f.SEdtT.value = 5;
    EXPECT_FALSE(Matches("1,0,a,3,t"));
    EXPECT_FALSE(Matches("1,0,a,27,t"));
    EXPECT_TRUE(Matches("1,0,a,下,t"));

    f.SEdtF.value = 1;
    f.SEdtT.value = 0;
    EXPECT_TRUE(Matches("1,0,a,31,t"));
    EXPECT_EQ(f.SEdtT.value, 31);

    f.CbDate.checked = false;
    EXPECT_TRUE(Matches("1,0,a,5月,t"));
}

TEST_F(SearchFilterTest, CheckedOnlyViewReadsTheStoredFlag) {
    f.SelCheckExecute();
    EXPECT_TRUE(f.SelCheck.checked);
    EXPECT_TRUE(Matches("1,1,a,1,t"));
    EXPECT_FALSE(Matches("1,0,a,1,t"));
    EXPECT_FALSE(Matches("1,■,a,1,t"));
    f.SelCheckExecute();
    EXPECT_TRUE(Matches("1,0,a,1,t"));
}

TEST_F(SearchFilterTest, HistoryKeepsTenDistinctEntriesNewestFirst) {
    for (int i = 0; i < 11; ++i) {
        Search("", "same", "");
    }
    EXPECT_EQ(f.CmbSrch2.items, std::vector<std::string>{"same"});

    for (int i = 1; i <= 11; ++i) {
        f.CmbSrch1.text = "p" + std::to_string(i);
        f.PushSearchHistory(1);
    }
    ASSERT_EQ(f.CmbSrch1.items.size(), 10u);
    EXPECT_EQ(f.CmbSrch1.items.front(), "p11");
    EXPECT_EQ(f.CmbSrch1.items.back(), "p2");

    // A repeated entry moves to the top without losing another.
    f.CmbSrch1.text = "p5";
    f.PushSearchHistory(1);
    EXPECT_EQ(f.CmbSrch1.items.size(), 10u);
    EXPECT_EQ(f.CmbSrch1.items[0], "p5");
    EXPECT_EQ(f.CmbSrch1.items[1], "p11");
    EXPECT_EQ(f.CmbSrch1.items.back(), "p2");

    // An empty box (blanks only) leaves the history as it was.
    auto before = f.CmbSrch1.items;
    f.CmbSrch1.text = "  \t";
    f.PushSearchHistory(1);
    EXPECT_EQ(f.CmbSrch1.items, before);
}

TEST_F(SearchFilterTest, SmallHandlers) {
    f.CbDate.checked = true;
    f.CbDateClick();
    EXPECT_TRUE(f.Pnl1.visible);
    f.CbDate.checked = false;
    f.CbDateClick();
    EXPECT_FALSE(f.Pnl1.visible);

    f.LblDateDblClick();
    EXPECT_EQ(f.SEdtF.value, 7);
    EXPECT_EQ(f.SEdtT.value, 7);
    EXPECT_FALSE(f.Cb1.checked || f.Cb2.checked || f.Cb3.checked);

    f.CmbSrch2.text = "abc";
    f.CmbSrch2Change();
    EXPECT_EQ(f.CmbSrch2.hint, "abc");
}

// A query built from typed texts, as the watch scan and yomida-cli build theirs, takes the words
// the panel takes from the same texts, and needs no controls to match.
TEST(SearchQueryTest, TypedTextsGiveThePanelsWords) {
    FixedClock clock{year_month_day{year{2003}, month{5}, day{7}}};
    for (const char* typed : {"ドラゴン ボール", "ａｂｃ,講談社", " \t", ",", "  x  ", "ｶﾞﾝﾀﾞﾑ"}) {
        SearchFilter panel{clock};
        panel.CmbSrch1.text = panel.CmbSrch2.text = panel.CmbSrch3.text = Sj(typed);
        const SearchQuery fromPanel = panel.Submit();
        const SearchQuery typedQuery = SearchQuery::FromTypedTexts(Sj(typed), Sj(typed), Sj(typed));
        EXPECT_EQ(typedQuery.PublisherWords(), fromPanel.PublisherWords()) << typed;
        EXPECT_EQ(typedQuery.TitleWords(), fromPanel.TitleWords()) << typed;
        EXPECT_EQ(typedQuery.AuthorWords(), fromPanel.AuthorWords()) << typed;
        EXPECT_EQ(typedQuery.HasWords(), !fromPanel.TitleWords().empty()) << typed;
    }

    SearchQuery q = SearchQuery::FromTypedTexts("", "", "");
    EXPECT_FALSE(q.HasWords());
    q.dateRange = true;
    q.firstDay = 28;
    q.lastDay = 0;  // the day control's "to the end of the month"
    q.marks = DayMarks{false, true, false};
    const auto record = [](const char* date) {
        return Record(Sj(std::string("1,0,a,") + date + ",t"));
    };
    EXPECT_TRUE(q.Matches(record("31")));
    EXPECT_FALSE(q.Matches(record("27")));
    EXPECT_TRUE(q.Matches(record("中")));
    EXPECT_FALSE(q.Matches(record("上")));
    EXPECT_EQ(q.lastDay, 0);
}

// The watch scan shares one query between its threads.
TEST(SearchQueryTest, OneQueryMatchesOnManyThreadsAlike) {
    const SearchQuery q = SearchQuery::FromTypedTexts("", Sj("ワンピース,abc"), Sj("尾田"));
    std::vector<Release> records;
    std::vector<bool> expected;
    for (int i = 0; i < 400; ++i) {
        const bool hit = i % 3 == 0;
        records.push_back(Record(
            Sj(hit ? "1,0,a,1,xAbCx" : "1,0,a,1,長い長い題名の本" + std::to_string(i) + ",誰か")));
        expected.push_back(hit);
    }
    std::vector<int> wrong(4, 0);
    {
        std::vector<std::jthread> threads;
        for (size_t t = 0; t < wrong.size(); ++t) {
            threads.emplace_back([&, t] {
                for (int round = 0; round < 50; ++round) {
                    for (size_t r = 0; r < records.size(); ++r) {
                        wrong[t] += q.Matches(records[r]) != expected[r] ? 1 : 0;
                    }
                }
            });
        }
    }
    EXPECT_EQ(wrong, std::vector<int>(4, 0));
}

}  // namespace
}  // namespace yomida

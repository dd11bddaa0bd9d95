#include "sources/ProductList.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "sources/Convert.h"
#include "support/TestSupport.h"
#include "text/CommaText.h"
#include "text/Numbers.h"

namespace yomida {
namespace {

using test::Sj;
using test::U8;

// One entry of a product-list page as the site writes it.
std::string Entry(const std::string& title, const std::vector<std::string>& authors,
                  const std::string& price) {
    std::string html =
        "<li><a href=\"/p/1\" class=\"text-primary font-bold no-underline "
        "hover:underline\">" +
        title + "</a>\n";
    for (const std::string& a : authors) {
        html += "<a href=\"/search?authors=" + a + "\" class=\"author\">" + a + "</a><!---->\n";
    }
    return html + "<span class=\"text-price-text font-bold mr-1\">" + price + "</span></li>\n";
}

std::string Day(const std::string& date) {
    return "<h2 class=\"publisher-title\">" + date + "(金)</h2><!--[-->\n";
}

std::string Publisher(const std::string& name) {
    return "<h3 class=\"subgroup-title\">" + name + "</h3>\n";
}

class ProductListTest : public ::testing::Test {
protected:
    test::TempDir dir;

    // Converts a page for category 1 and returns the data file's lines (UTF-8).
    std::vector<std::string> Convert(const std::string& page, const std::string& stamp = "") {
        test::WriteBytes(dir / "page.html", page);
        ConvertRequest r;
        r.category = 1;
        r.input = dir / "page.html";
        r.output = dir / "comic0305.csv";
        r.stampPrefix = stamp;
        EXPECT_TRUE(yomida::Convert(r).RanToEnd());
        if (!std::filesystem::exists(r.output)) {
            return {};
        }
        return test::ReadDataFile(r.output);
    }
};

TEST_F(ProductListTest, BuilderCutsTheNuxtBlockAndMarksTheFields) {
    const std::string page = "<html><title>x</title>" + Day("2003/05/05") + Publisher("講談社") +
                             Entry("ＡＢＣ", {"甲"}, "￥1,200") + "<script id=\"__NUXT_DATA__\">" +
                             Publisher("消える") + "</script>";
    const std::string marker = U8(MarkerPageText(page));
    EXPECT_EQ(marker.find("<html>"), std::string::npos) << "the head is dropped";
    EXPECT_EQ(marker.find("消える"), std::string::npos) << "the data block is cut";
    EXPECT_TRUE(marker.ends_with("id=\"")) << marker;
    EXPECT_EQ(marker.find("<!--"), std::string::npos);
    EXPECT_NE(marker.find("\r\n【QZ日付】2003/05/05(金)"), std::string::npos);
    EXPECT_NE(marker.find("\r\n【QZ出版社】講談社</h3>"), std::string::npos);
    EXPECT_NE(marker.find("\r\n【QZタイトル】ABC</a>"), std::string::npos) << "normalised";
    EXPECT_NE(marker.find("\r\n【QZ作者】甲\" class="), std::string::npos);
    EXPECT_NE(marker.find("\r\n【QZ価格】\\1,200</span>"), std::string::npos);
    // Without the block, the page is taken whole.
    EXPECT_NE(U8(MarkerPageText(Day("2003/05/05") + "<p>tail</p>")).find("tail"),
              std::string::npos);
}

TEST_F(ProductListTest, MarkersStartOnlyWhereACharacterStarts) {
    // In CP932 "ツ" ends in the byte "c", so "ツlass=…" holds the bytes of a marker that starts
    // inside a character, which is no marker; back to back and at the very end they count.
    const std::string marker = U8(MarkerPageText(
        "ツlass=\"publisher-title\">1<h3 class=\"subgroup-title\"><h3 class=\"subgroup-title\">"
        "ア<a href=\"/search?authors="));
    EXPECT_EQ(marker,
              "ツlass=\"publisher-title\">1\r\n【QZ出版社】\r\n【QZ出版社】ア\r\n【QZ作者】");
}

TEST_F(ProductListTest, ManyAuthorsKeepOnlyNamesNotYetThere) {
    // Enough authors for the indexed test, with names that stand inside others.
    std::vector<std::string> authors;
    std::string expected;
    for (int i = 0; i < 1500; ++i) {
        const std::string name = "作者" + std::to_string(i) + "号";
        authors.push_back(name);
        expected += (i > 0 ? "　" : "") + name;
    }
    for (const char* again : {"作者12号", "者7", "8号", "作者1499号", "者"}) {
        authors.push_back(again);
    }
    authors.push_back("新人");
    expected += "　新人";
    const auto lines = Convert(Day("2003/05/05") + Publisher("講談社") +
                               Entry("本", authors, "￥500") + Entry("次", {"乙"}, "￥600"));
    ASSERT_EQ(lines.size(), 3u);
    const std::string want = "1,0,講談社,5,本," + expected + ",500";
    const auto differ = std::mismatch(want.begin(), want.end(), lines[1].begin(), lines[1].end());
    EXPECT_TRUE(lines[1] == want) << "first difference at byte " << differ.first - want.begin()
                                  << ": " << want.substr(differ.first - want.begin(), 40) << " | "
                                  << lines[1].substr(differ.second - lines[1].begin(), 40);
    EXPECT_EQ(lines[2], "2,0,講談社,5,次,乙,600") << "the next title starts with no authors";
}

TEST_F(ProductListTest, RecordsWithAuthorsPricesAndEntities) {
    const std::string page =
        "<p>head</p>\n" + Day("2003/05/05") + Publisher("講談社") +
        Entry("ワンピース, 第1巻", {"尾田栄一郎", "尾田", "尾田栄一郎", "", "編集部"}, "￥1,200") +
        Entry("Tom &amp; Jerry &lt;1&gt; &#39;x&#39; &quot;q&quot;", {"ﾀﾛｳ"}, "￥480") +
        Day("2003/05/12") + Publisher("集英社") + Entry("ＮＡＲＵＴＯ", {}, "500");
    const std::vector<std::string> lines = Convert(page, "\"Mon, 05 May 2003\",");
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "\"Mon, 05 May 2003\",No,□,出版社,発売日,タイトル,作者,価格",
                         "1,0,講談社,5,ワンピース，　第1巻,尾田栄一郎　編集部,1200",
                         "2,0,講談社,5,Tom　&　Jerry　<1>　'x'　&quot;q&quot;,タロウ,480",
                         "3,0,集英社,12,NARUTO,,500"}));
}

// The record line's fields as the loader splits them, in UTF-8.
std::vector<std::string> FieldsOf(const std::string& utf8Line) {
    std::vector<std::string> fields;
    for (const std::string& f : SplitCommaText(Sj(utf8Line))) {
        fields.push_back(U8(f));
    }
    return fields;
}

TEST_F(ProductListTest, ControlBytesNeverSplitARecord) {
    // DEL comes out of the code page conversion as 0x1C.
    const std::string title = std::string("第\x01") + "1巻\x0b\x1f" + "\r" + "上";
    const auto lines =
        Convert(Day("2003/05/05") + Publisher("講\x02談社") + Entry(title, {"作\x7f者"}, "￥500"));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(FieldsOf(lines[1]),
              (std::vector<std::string>{"1", "0", "講談社", "5", "第1巻上", "作者", "500"}));
}

TEST_F(ProductListTest, PagesWithoutDaysOrPricesAndBadDays) {
    EXPECT_TRUE(Convert("<p>nothing here</p>\n<p>at all</p>\n").empty());
    EXPECT_FALSE(std::filesystem::exists(dir / "comic0305.csv"));
    // A day heading in the last line alone is never read.
    EXPECT_TRUE(Convert("<p>x</p>\n" + Day("2003/05/05")).empty());
    // Days but no priced entry: the header line alone.
    EXPECT_EQ(Convert(Day("2003/05/05") + Publisher("講談社") + "<p>end</p>\n").size(), 1u);

    test::WriteBytes(dir / "page.html", Day("2003/05/xx") + Publisher("a") + "<p>end</p>\n");
    ConvertRequest r{1, dir / "page.html", dir / "bad.csv", "", {}};
    EXPECT_THROW(static_cast<void>(yomida::Convert(r)), ConversionError);
    EXPECT_FALSE(std::filesystem::exists(dir / "bad.csv"));
}

TEST_F(ProductListTest, FailedConversionKeepsThePreviousDataFile) {
    test::WriteDataFile(dir / "comic0305.csv",
                        {"No,□,出版社,発売日,タイトル,作者,価格", "1,0,a,1,t,x,1"});
    const std::string before = test::ReadBytes(dir / "comic0305.csv");
    test::WriteBytes(dir / "page.html", Day("2003/05/05") + Publisher("a") +
                                            Entry("t", {"x"}, "1") + Day("2003/05/zz") +
                                            "<p>end</p>\n");
    ConvertRequest r{1, dir / "page.html", dir / "comic0305.csv", "", {}};
    EXPECT_THROW(static_cast<void>(yomida::Convert(r)), ConversionError);
    EXPECT_EQ(test::ReadBytes(dir / "comic0305.csv"), before);
    EXPECT_FALSE(std::filesystem::exists(dir / "comic0305.csv.tmp"));
    // An empty page leaves it too.
    EXPECT_TRUE(Convert("<p>nothing</p>\n<p>here</p>\n").size() == 2u);
}

TEST_F(ProductListTest, DriverRules) {
    ConvertRequest missing{1, dir / "none.html", dir / "out.csv", "", {}};
    const ConvertResult none = yomida::Convert(missing);
    EXPECT_EQ(none.outcome, ConvertOutcome::InputMissing);
    EXPECT_EQ(U8(none.message), "ダウンロードファイルが見つかりません。");

    test::WriteBytes(dir / "page.html", Day("2003/05/05") + "<p>x</p>\n");
    ConvertRequest outside{16, dir / "page.html", dir / "out.csv", "", {}};
    const ConvertResult nothing = yomida::Convert(outside);
    EXPECT_TRUE(nothing.RanToEnd());
    EXPECT_TRUE(nothing.message.empty()) << "no category, nothing to say";
    EXPECT_FALSE(std::filesystem::exists(dir / "out.csv"));

    // The extractor alone (category 5) finds no markers in a raw page.
    ConvertRequest raw{5, dir / "page.html", dir / "out.csv", "", {}};
    EXPECT_EQ(yomida::Convert(raw).outcome, ConvertOutcome::NoReleases);
    EXPECT_FALSE(std::filesystem::exists(dir / "out.csv"));

    // The input is only read: it still holds the page, not the marker page.
    const std::string before = test::ReadBytes(dir / "page.html");
    ConvertRequest page{1, dir / "page.html", dir / "out.csv", "\"\",", {}};
    EXPECT_EQ(yomida::Convert(page).outcome, ConvertOutcome::Converted);
    EXPECT_EQ(test::ReadBytes(dir / "page.html"), before);
    EXPECT_EQ(test::ReadDataFile(dir / "out.csv")[0], "\"\",No,□,出版社,発売日,タイトル,作者,価格");
}

TEST_F(ProductListTest, SamplePagesConvert) {
    for (const char* name : {"mangaoh-comic.html", "mangaoh-bl.html", "mangaoh-novel.html"}) {
        std::filesystem::copy_file(std::filesystem::path(YOMIDA_SAMPLES) / name, dir / "page.html",
                                   std::filesystem::copy_options::overwrite_existing);
        ConvertRequest r{1, dir / "page.html", dir / "out.csv", "", {}};
        ASSERT_TRUE(yomida::Convert(r).RanToEnd());
        const std::vector<std::string> lines = test::ReadDataFile(dir / "out.csv");
        EXPECT_GE(lines.size(), 4u) << name;
        for (size_t i = 1; i < lines.size(); ++i) {
            EXPECT_TRUE(lines[i].starts_with(std::to_string(i) + ",0,")) << lines[i];
            EXPECT_NE(lines[i].find("【見本】"), std::string::npos) << lines[i];
        }
    }
}

}  // namespace
}  // namespace yomida

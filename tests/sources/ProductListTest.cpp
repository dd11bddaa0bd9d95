#include "sources/MarkerPage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "platform/Cp932.h"
#include "sources/Convert.h"
#include "support/TestSupport.h"
#include "text/CommaText.h"
#include "text/LineReader.h"
#include "text/NormaliseWidth.h"
#include "text/Numbers.h"
#include "text/Sjis.h"

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
                         "2,0,講談社,5,Tom　&　Jerry　<1>　'x'　\"q\",タロウ,480",
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

TEST_F(ProductListTest, CharacterReferencesAreDecodedOnceAsThePageMeansThem) {
    const struct {
        const char* title;
        const char* stored;
    } cases[] = {
        {"Tom &amp; Jerry &quot;特別編&quot;", "Tom　&　Jerry　\"特別編\""},
        {"&#34;引用&#34; &#x27;a&#X27; &apos;b&apos;", "\"引用\"　'a'　'b'"},
        {"&hellip;&alpha;&rarr;&times;&yen;", "…α→×\\"},
        {"&#12354;&#x3044;&#X3046;", "あいう"},
        {"&#xFF21;&#65398;&#65438;&#x3000;x", "Aガ　x"},  // normalised as the page's own text
        {"a&#44;b&#32;c", "a，b　c"},                     // a comma or space must not end the field
        {"&#128512;&#xFFFF;&#0;&#xD800;&#x110000;&#99999999999;", "??????"},
        {"&#130;&#133;&#x81;", "?…?"},  // numbers 0x80-0x9F as windows-1252 has them
        {"&amp;lt;&amp;#39;", "&lt;&#39;"},
        {"&nbsp;&unknown; &amp &#; &#x; &#12a; &", "&nbsp;&unknown;　&amp　&#;　&#x;　&#12a;　&"},
        {"行&#10;替え&#13;&#1;", "行替え"},
    };
    for (const auto& c : cases) {
        const auto lines =
            Convert(Day("2003/05/05") + Publisher("講談社") + Entry(c.title, {"作者"}, "￥500"));
        ASSERT_EQ(lines.size(), 2u) << c.title;
        const std::vector<std::string> fields = FieldsOf(lines[1]);
        ASSERT_EQ(fields.size(), 7u) << lines[1];
        EXPECT_EQ(fields[4], c.stored) << c.title;
        EXPECT_EQ(fields[5], "作者") << c.title;
    }
    // Every field is decoded before its own rules apply.
    const auto lines =
        Convert(Day("2003/05/05") + Publisher("A&amp;B&#x3000;出版") +
                Entry("題", {"甲&amp;乙", "甲&乙", "&#x4e19;"}, "&yen;1&#44;200&#x20;"));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], "1,0,A&B　出版,5,題,甲&乙　丙,1200");
}

TEST_F(ProductListTest, ControlBytesNeverSplitARecord) {
    // DEL comes out of the code page conversion as 0x1C.
    const std::string title = std::string("第\x01") + "1巻\x0b\x1f" + "\r" + "上";
    const auto lines =
        Convert(Day("2003/05/05") + Publisher("講\x02談社") + Entry(title, {"作\x7f者"}, "￥500"));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(FieldsOf(lines[1]),
              (std::vector<std::string>{"1", "0", "講談社", "5", "第1巻上", "作者", "500"}));
    // A title that starts with a quote goes in quotes, so it reads back whole.
    const auto quoted = Convert(Day("2003/05/05") + Publisher("講談社") +
                                Entry("&quot;特別編&quot; 上", {"作者"}, "￥500"));
    ASSERT_EQ(quoted.size(), 2u);
    EXPECT_EQ(quoted[1], "1,0,講談社,5,\"\"\"特別編\"\"　上\",作者,500");
    EXPECT_EQ(FieldsOf(quoted[1])[4], "\"特別編\"　上");
}

TEST_F(ProductListTest, BuilderLinesAndMarkerPageTextGiveTheSameRecords) {
    // Entries of every kind, and texts that look like tags or end marks: the builder's lines,
    // which say their tags, convert as the marker page's text, whose tags are searched for.
    const std::string parts[] = {Day("2026/12/05"),
                                 Day("2026/12/31"),
                                 Publisher("講談社"),
                                 Publisher("A&amp;B, 社 "),
                                 Entry("題", {"甲"}, "￥500"),
                                 Entry("【QZ作者】偽", {"乙", "乙"}, "￥1,200"),
                                 Entry("x</a>y &quot;z", {"丙\" class=z", "【QZ価格】"}, "1 "),
                                 Entry(" 【QZタイトル】 ", {" "}, "&yen;2&#44;000"),
                                 "<p>【QZ日付】2026/12/07</p>\n",
                                 "<span class=\"text-price-text font-bold mr-1\">",
                                 "<h3 class=\"subgroup-title\">",
                                 "</span>",
                                 "</h3",
                                 "\n",
                                 "\r",
                                 " ",
                                 "【QZ出版社】",
                                 "【QZ"};
    std::mt19937 random(20261231);
    for (int round = 0; round < 40; ++round) {
        std::string page;
        const int length = static_cast<int>(random() % 30);
        for (int k = 0; k < length; ++k) {
            page += parts[random() % std::size(parts)];
        }
        std::filesystem::remove(dir / "comic0305.csv");
        const std::vector<std::string> built = Convert(page);
        test::WriteBytes(dir / "marker.txt", MarkerPageText(page) + "\r\n");
        ConvertRequest text{5, dir / "marker.txt", dir / "text.csv", "", {}};
        std::filesystem::remove(text.output);
        ASSERT_TRUE(yomida::Convert(text).RanToEnd());
        const std::vector<std::string> searched = std::filesystem::exists(text.output)
                                                      ? test::ReadDataFile(text.output)
                                                      : std::vector<std::string>{};
        ASSERT_EQ(built, searched) << ::testing::PrintToString(page);
    }
}

// The marker page as passes over the whole page make it: the page's lines joined by CR LF, the
// list cut out, one replace-all per comment and per marker.
std::string WholePageMarkerText(std::string_view raw) {
    std::vector<std::string> lines;
    LineReader page(raw);
    for (std::string_view line; page.ReadLine(line);) {
        lines.emplace_back(line);
    }
    std::string joined;
    for (size_t i = 0; i < lines.size(); ++i) {
        joined += (i > 0 ? "\r\n" : "") + lines[i];
    }
    std::string_view list = joined;
    if (const size_t start = list.find("class=\"publisher-title\">"); start != list.npos) {
        list.remove_prefix(start);
    }
    if (const size_t end = list.find("\"__NUXT_DATA__\""); end != list.npos) {
        list = list.substr(0, end + 1);
    }
    std::string text(list);
    for (const char* comment : {"<!---->", "<!--]-->", "<!--[-->"}) {
        text = ReplaceAllBytes(text, comment, "");
    }
    text = NormaliseWidth(Utf8ToCp932(text)) + "\r\n";
    const std::pair<const char*, const char*> markers[] = {
        {"class=\"publisher-title\">", "【QZ日付】"},
        {"<h3 class=\"subgroup-title\">", "【QZ出版社】"},
        {"<span class=\"text-price-text font-bold mr-1\">", "【QZ価格】"},
        {"class=\"text-primary font-bold no-underline hover:underline\">", "【QZタイトル】"},
        {"<a href=\"/search?authors=", "【QZ作者】"}};
    for (const auto& [pattern, tag] : markers) {
        text = ReplaceAllSjis(text, pattern, "\r\n" + Sj(tag));
    }
    // Its lines, joined as MarkerPageText joins them.
    std::string marker;
    LineReader markerLines(text);
    bool first = true;
    for (std::string_view line; markerLines.ReadLine(line); first = false) {
        marker += (first ? "" : "\r\n") + std::string(line);
    }
    return marker;
}

TEST(MarkerPage, PiecesOfAnySizeGiveWhatPassesOverTheWholePageGive) {
    // Fragments that start, end or almost make the patterns, with line ends, characters that
    // the normaliser joins and UTF-8 that is broken.
    std::vector<std::string> parts = {
        "<!---->", "<!--", "-->", "]",    "[",        "<!--]-->", "<!--[-->",
        "\n",      "\r\n", "\r",  "=",    "\"",       "=\"",      "ツ",
        "ｶ",       "ﾞ",    "あ",  "ＡＢ", "\xE3\x81", "\xFF",     "\x82",
        "x",       " ",    "!",   "X",    "&amp;",    "__NUXT",   "\x1a\x1c\x7f"};
    for (const char* pattern :
         {"class=\"publisher-title\">", "lass=\"publisher-title\">",
          "<h3 class=\"subgroup-title\">", "<span class=\"text-price-text font-bold mr-1\">",
          "class=\"text-primary font-bold no-underline hover:underline\">",
          "<a href=\"/search?authors=", "\"__NUXT_DATA__\"", "2026/12/05(金)</h2>"}) {
        parts.emplace_back(pattern);
    }
    parts.push_back("<p class=\"desc\">" + std::string(40, 'x') + "</p>");
    std::mt19937 random(20261205);
    for (int round = 0; round < 400; ++round) {
        std::string page;
        const int length = static_cast<int>(random() % 60);
        for (int k = 0; k < length; ++k) {
            page += parts[random() % parts.size()];
        }
        const std::string expected = WholePageMarkerText(page);
        for (size_t pieceSize : {size_t{1}, size_t{2}, size_t{7}, size_t{64 * 1024}}) {
            ASSERT_EQ(MarkerPageText(page, pieceSize), expected)
                << "page " << ::testing::PrintToString(page) << ", pieces of " << pieceSize;
        }
    }
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

#include "sources/Catalogue.h"

#include <gtest/gtest.h>

#include "support/TestSupport.h"
#include "text/Numbers.h"

namespace yomida {
namespace {

using namespace std::chrono;

struct Resolved {
    bool ok;
    std::string file;
    std::string url;
};

Resolved Resolve(int category, year_month_day target, const std::string& onOff = "OFF",
                 const BookTownProbe& probe = {}, const std::string& listId = "2003/05") {
    static const HostTable hosts;
    SourceQuery q;
    q.category = category;
    q.target = target;
    q.weekNumber = 1321;
    q.dataFolder = "/d";
    q.listId = listId;
    q.online = onOff == "ON";
    q.hosts = &hosts;
    std::filesystem::path file;
    std::string url = "previous";
    bool ok = ResolveCategorySource(q, probe, file, url);
    return {ok, file.string(), url};
}

constexpr year_month_day kMay2003{year{2003}, month{5}, day{31}};

TEST(Catalogue, FileNamesAndUrlsOfAllFifteenCategories) {
    const HostTable h;
    auto host = [&](SourceSite s) { return h.Host(s); };
    const std::string product =
        "/productlist/sale/month?count=all&group=day&displayMode=simple&category=";
    const std::string catalogue =
        "/catalog/product_list_day.php?group=label&view=LIST&count=all&term=month&category=";
    const std::string bookTown = "/P3/CM/html/bookclip/new/shoseki/";
    const std::pair<std::string, std::string> expected[] = {
        {"comic0305", "https://" + host(SourceSite::MangaOh) + product + "comic_all&date=20030501"},
        {"syosk1321", "http://" + host(SourceSite::WeeklyList) + "/1321/japa/t_a.htm"},
        {"bunko0305", "http://" + host(SourceSite::Taiyosha) + "/bunko/bunko0305_listdate.html"},
        {"tanbi0305", "https://" + host(SourceSite::MangaOh) + product + "bl&date=20030501"},
        {"comic20305", "http://" + host(SourceSite::MangaOh) + "/catalog/l/comic/2003/5/"},
        {"bngei0305", "https://" + host(SourceSite::MangaOh) + product + "novel&date=20030501"},
        {"snsyo0305", "http://" + host(SourceSite::BookTown) + bookTown + "02_s.html"},
        {"comic30305", "http://" + host(SourceSite::Taiyosha) + "/comic/comic0305_listdate.html"},
        {"cbnko0305",
         "http://" + host(SourceSite::MangaOh) + catalogue + "manga_bunko&date=20030501"},
        {"avsft0305", "http://" + host(SourceSite::MangaOh) + catalogue + "av&date=20030501"},
        {"neowg0305", "http://" + host(SourceSite::NeoWing) + "/"},
        {"ippan0305", "http://" + host(SourceSite::BookTown) + bookTown + "03_s.html"},
        {"busine0305", "http://" + host(SourceSite::BookTown) + bookTown + "05_s.html"},
        {"tetsu0305", "http://" + host(SourceSite::BookTown) + bookTown + "12_s.html"},
        {"comic40305", "http://" + host(SourceSite::MangaNoMori) + "/list.asp?listid=1"},
    };
    for (int c = 1; c <= 15; ++c) {
        Resolved r = Resolve(c, kMay2003);
        EXPECT_TRUE(r.ok);
        EXPECT_EQ(r.file, "/d/" + expected[c - 1].first + ".csv") << c;
        EXPECT_EQ(r.url, expected[c - 1].second) << c;
    }
}

TEST(Catalogue, AudioVisualCutOverAndListNumbers) {
    EXPECT_TRUE(Resolve(10, {year{2002}, month{3}, day{1}}).url.ends_with("&date=a200203d.csv"));
    EXPECT_TRUE(Resolve(10, {year{2002}, month{4}, day{1}}).url.ends_with("&date=20020401"));
    EXPECT_TRUE(Resolve(10, {year{1999}, month{12}, day{1}}).url.ends_with("&date=19991201"));

    EXPECT_EQ(MangaNoMoriListNumber("2003/05", {year{2004}, month{1}, day{1}}), 9);
    EXPECT_EQ(MangaNoMoriListNumber("2003/05", {year{2003}, month{6}, day{1}}), 2);
    EXPECT_EQ(MangaNoMoriListNumber("2003/05", {year{2003}, month{4}, day{1}}), 0);
    EXPECT_TRUE(Resolve(15, {year{2003}, month{1}, day{1}}).url.ends_with("listid=-3"));
    EXPECT_THROW(Resolve(15, kMay2003, "OFF", {}, "May 2003"), ConversionError);
}

TEST(Catalogue, BookTownMonthInfixComesFromTheProbeOnlyOnline) {
    int probes = 0;
    BookTownProbe old = [&] {
        ++probes;
        return std::optional<std::string>("_old");
    };
    EXPECT_EQ(Resolve(7, kMay2003, "OFF", old).url.find("_old"), std::string::npos);
    EXPECT_EQ(probes, 0);
    Resolved online = Resolve(13, kMay2003, "ON", old);
    EXPECT_NE(online.url.find("/new_old/shoseki/05_s.html"), std::string::npos);
    EXPECT_EQ(probes, 1);

    Resolved failed = Resolve(7, kMay2003, "ON", [] { return std::optional<std::string>(); });
    EXPECT_FALSE(failed.ok);
    EXPECT_EQ(failed.file, "/d/snsyo0305.csv") << "the path is set before the probe";
    EXPECT_EQ(failed.url, "previous");

    // Every row whose URL waits for the probe's answer says where the probe asks.
    for (const CategoryInfo& c : Categories()) {
        const bool probed = c.monthProbe.url != nullptr;
        EXPECT_EQ(NamesPlaceholder(c.url.form, "infix"), probed) << c.code;
        if (probed) {
            EXPECT_FALSE(UrlTemplateFault(c.monthProbe.url)) << c.code;
            EXPECT_TRUE(NamesPlaceholder(c.monthProbe.marker, "mm")) << c.code;
            UrlValues values;
            values.host = "bt.example";
            values.target = year_month_day{year{2003}, month{5}, day{1}};
            EXPECT_EQ(ExpandUrlTemplate(c.monthProbe.url, values),
                      "http://bt.example/P3/CM/html/bookclip/new/shoseki/under.html");
            EXPECT_EQ(ExpandUrlTemplate(c.monthProbe.marker, values), "top_s05.gif");
        }
    }
}

TEST(Catalogue, OutsideTheTableClearsBoth) {
    Resolved r = Resolve(16, kMay2003);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.file, "");
    EXPECT_EQ(r.url, "");
    EXPECT_EQ(FindCategoryByTreeNode(0), nullptr);
    EXPECT_EQ(FindCategoryByTreeNode(19)->number, 11);
}

TEST(Catalogue, HostsCanBeOverridden) {
    HostTable hosts;
    hosts.SetHost(SourceSite::Taiyosha, "127.0.0.1:8080");
    SourceQuery q;
    q.category = 3;
    q.target = kMay2003;
    q.hosts = &hosts;
    std::filesystem::path file;
    std::string url;
    EXPECT_TRUE(ResolveCategorySource(q, {}, file, url));
    EXPECT_EQ(url, "http://127.0.0.1:8080/bunko/bunko0305_listdate.html");
}

TEST(Catalogue, BuiltInFormsAreTemplatesThatExpandEveryPlaceholder) {
    for (const CategoryInfo& c : Categories()) {
        EXPECT_EQ(UrlTemplateFault(c.url.form), std::nullopt) << c.code;
        EXPECT_EQ(UrlTemplateFault(c.url.olderForm ? c.url.olderForm : "http://x"), std::nullopt);
    }
    const UrlValues v{"h:81", {year{2009}, month{3}, day{31}}, 1321, "2003/05", "_old"};
    EXPECT_EQ(
        ExpandUrlTemplate("http://{host}/{yyyy}-{yy}-{mm}-{m}-{yymm}-{week}-{list}{infix}", v),
        "http://h:81/2009-09-03-3-0903-1321-71_old");
    // The second byte of ボ is "{": a template is read character by character.
    const std::string kana = test::Sj("http://{host}/ボ{yyyy}ボ");
    EXPECT_EQ(UrlTemplateFault(kana), std::nullopt);
    EXPECT_EQ(ExpandUrlTemplate(kana, v), "http://h:81/%83%7B2009%83%7B");
    // Blanks, control bytes and CP932 text never reach a request line as they are.
    EXPECT_EQ(ExpandUrlTemplate(test::Sj("http://{host}/検索 {yyyy}\t?q=本\r\n"), v),
              "http://h:81/%8C%9F%8D%F5%202009%09?q=%96%7B%0D%0A");
}

TEST(Catalogue, HostsThatAreNoHostAndPortAreRefusedByKey) {
    HostTable hosts;
    hosts.Override({{"MANGAOH", "127.0.0.1:8080"},
                    {"WEEKLY", "www.example.jp\r\nX-Injected: 1"},
                    {"TAIYOSHA", "[::1]:8443"},
                    {"BOOKTOWN", "book town"},
                    {"MANGANOMORI", ""},
                    {"NEOWING", "http://neo.example/"}});
    EXPECT_EQ(hosts.Host(SourceSite::MangaOh), "127.0.0.1:8080");
    EXPECT_EQ(hosts.Host(SourceSite::Taiyosha), "[::1]:8443");
    EXPECT_EQ(hosts.Host(SourceSite::WeeklyList), HostTable().Host(SourceSite::WeeklyList));
    EXPECT_EQ(hosts.Host(SourceSite::NeoWing), HostTable().Host(SourceSite::NeoWing));
    std::vector<std::string> keys;
    for (const HostTable::Refusal& r : hosts.Refused()) {
        keys.push_back(r.key);
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"WEEKLY", "BOOKTOWN", "NEOWING"}));
    EXPECT_TRUE(test::U8(hosts.RefusedText())
                    .starts_with("[HOSTS] WEEKLY のホストは使えません: 書けるのはホスト名か IP "
                                 "アドレスと「:ポート番号」だけです。組み込みのホストを使います。"
                                 "\n\r[HOSTS] BOOKTOWN "))
        << test::U8(hosts.RefusedText());
    // Settings read again are judged afresh; a refused host goes back to the built-in one.
    hosts.Override({{"MANGAOH", "bad host"}});
    EXPECT_EQ(hosts.Host(SourceSite::MangaOh), HostTable().Host(SourceSite::MangaOh));
    ASSERT_EQ(hosts.Refused().size(), 1u);
    EXPECT_EQ(hosts.Refused()[0].key, "MANGAOH");
}

using Entries = std::vector<std::pair<std::string, std::string>>;

Resolved ResolveWith(const SourceOverrides& sources, int category, year_month_day target,
                     const BookTownProbe& probe = {}) {
    HostTable hosts;
    hosts.SetHost(SourceSite::MangaOh, "127.0.0.1:8443");
    SourceQuery q;
    q.category = category;
    q.target = target;
    q.listId = "2003/05";
    q.online = static_cast<bool>(probe);
    q.hosts = &hosts;
    q.sources = &sources;
    std::filesystem::path file;
    std::string url;
    const bool ok = ResolveCategorySource(q, probe, file, url);
    return {ok, file.string(), url};
}

TEST(Catalogue, SettingsTemplatesReplaceTheBuiltInForms) {
    const SourceOverrides sources(Entries{
        {"Comic", "https://{host}/list?date={yyyy}{mm}01"},
        {"avsft", "http://av.example/{yymm}.html"},
        {"tetsu", "HTTP://bt.example/new{infix}/{m}"},
        {"bunko", ""},                          // empty: the built-in form stays
        {"nosuch", "http://elsewhere/{yyyy}"},  // no such category
        {"comic", "http://second.example/"},    // the first key of a category counts
    });
    EXPECT_TRUE(sources.Refused().empty());
    EXPECT_EQ(ResolveWith(sources, 1, kMay2003).url, "https://127.0.0.1:8443/list?date=20030501");
    EXPECT_EQ(sources.Origin(1), "[SOURCES] comic");
    // A replacement serves every month: the built-in older archive is not used.
    EXPECT_EQ(ResolveWith(sources, 10, {year{2002}, month{3}, day{1}}).url,
              "http://av.example/0203.html");
    EXPECT_EQ(ResolveWith(sources, 3, kMay2003).url,
              "http://www.taiyosha.co.jp/bunko/bunko0305_listdate.html");
    EXPECT_EQ(sources.Origin(3), "built-in");
    const BookTownProbe probe = [] { return std::optional<std::string>("_old"); };
    EXPECT_EQ(ResolveWith(sources, 14, kMay2003, probe).url, "HTTP://bt.example/new_old/5");
}

TEST(Catalogue, UnusableTemplatesAreRefusedByKey) {
    const SourceOverrides sources(Entries{
        {"comic", "https://{host}/list?date={yyyymm}"},
        {"Tanbi", "www.example.com/{yyyy}/{mm}"},
        {"bngei", "ftp://{host}/{yyyy}"},
        {"comic2", "{host}/catalog/{yyyy}"},
        {"comic3", "http://{host}/comic{yymm"},
        {"comic4", "https://{host}/list.asp?listid={list}"},
    });
    std::vector<std::string> keys;
    for (const SourceOverrides::Refusal& r : sources.Refused()) {
        keys.push_back(r.key);
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"comic", "Tanbi", "bngei", "comic2", "comic3"}));
    EXPECT_TRUE(test::U8(sources.RefusedText())
                    .starts_with("[SOURCES] comic の URL は使えません: {yyyymm} は知らない置き換え"
                                 "です。組み込みの URL を使います。\n\r[SOURCES] Tanbi の URL は"
                                 "使えません: http:// か https:// で始まっていません。"))
        << test::U8(sources.RefusedText());
    EXPECT_EQ(test::U8(*UrlTemplateFault("ftp://{host}/")),
              "ftp は使えないスキームです（http か https のみ）");
    // The refused categories keep their built-in forms; the usable one is taken.
    EXPECT_TRUE(
        ResolveWith(sources, 1, kMay2003).url.ends_with("category=comic_all&date=20030501"));
    EXPECT_EQ(sources.Origin(1), "built-in");
    EXPECT_EQ(ResolveWith(sources, 15, kMay2003).url,
              "https://www.manganomori.net/list.asp?listid=1");
}

}  // namespace
}  // namespace yomida

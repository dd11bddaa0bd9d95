#include "sources/Catalogue.h"

#include <cstdio>
#include <stdexcept>

#include "text/Numbers.h"

namespace yomida {
namespace {

using CK = ConverterKind;
using SS = SourceSite;
using AQ = Acquisition;
constexpr Period M = Period::Month;
constexpr Period W = Period::Week;

const std::vector<CategoryGroup> kGroups = {
    {"コミック", "コミック"}, {"耽美", "耽美系"}, {"文庫", "文庫"},
    {"書籍", "書籍"},         {"ＡＶ", "ＡＶ"},
};

// In display order: the tree and the search menu list the categories as they stand here.
// clang-format off
const std::vector<CategoryInfo> kCategories = {
    {1,  "comic",  "SelCOMIC",   0, "まんが王倶楽部（CSV）", "まんが王倶楽部",      CK::ProductList,          AQ::DirectOrBrowserPage, M, SS::MangaOh,
     {true,  "/productlist/sale/month?count=all&group=day&displayMode=simple&category=comic_all&date={yyyy}{mm}01"}, true, false},
    {5,  "comic2", "SelCOMIC2",  0, "まんが王倶楽部（Web）", "×××××××××",         CK::ProductListExtractor, AQ::DirectFetch, M, SS::MangaOh,
     {false, "/catalog/l/comic/{yyyy}/{m}/"}, true, false},
    {8,  "comic3", "SelCOMIC3",  0, "太洋社",               "×××××××××",         CK::TaiyoshaComic,        AQ::BrowserPage, M, SS::Taiyosha,
     {false, "/comic/comic{yymm}_listdate.html"}, true, false},
    {15, "comic4", "SelCOMIC4",  0, "まんがの森",           "×××××××××",         CK::MangaNoMoriTable,     AQ::DirectFetch, M, SS::MangaNoMori,
     {false, "/list.asp?listid={listid}"}, false, false},
    {4,  "tanbi",  "SelTANBI",   1, "耽美",                 "まんが王倶楽部・BL",   CK::ProductList,          AQ::DirectOrBrowserPage, M, SS::MangaOh,
     {true,  "/productlist/sale/month?count=all&group=day&displayMode=simple&category=bl&date={yyyy}{mm}01"}, true, false},
    {3,  "bunko",  "SelBUNKO",   2, "文庫",                 "×××××××××",         CK::TaiyoshaBunko,        AQ::BrowserPage, M, SS::Taiyosha,
     {false, "/bunko/bunko{yymm}_listdate.html"}, true, false},
    {9,  "cbnko",  "SelCBUNKO",  2, "漫画文庫",             "×××××××××",         CK::ProductList,          AQ::BrowserPage, M, SS::MangaOh,
     {false, "/catalog/product_list_day.php?group=label&view=LIST&count=all&term=month&category=manga_bunko&date={yyyy}{mm}01"}, true, false},
    {6,  "bngei",  "SelBUNGEI",  3, "文芸",                 "まんが王倶楽部・小説", CK::ProductList,          AQ::DirectOrBrowserPage, M, SS::MangaOh,
     {true,  "/productlist/sale/month?count=all&group=day&displayMode=simple&category=novel&date={yyyy}{mm}01"}, true, false},
    {7,  "snsyo",  "SelSINSYO",  3, "新書",                 "×××××××××",         CK::BookTownTable,        AQ::DirectFetch, M, SS::BookTown,
     {false, "/P3/CM/html/bookclip/new{probe}/shoseki/02_s.html"}, true, false},
    {12, "ippan",  "SelIPPAN",   3, "社会一般",             "×××××××××",         CK::BookTownTable,        AQ::DirectFetch, M, SS::BookTown,
     {false, "/P3/CM/html/bookclip/new{probe}/shoseki/03_s.html"}, true, false},
    {13, "busine", "SelBUSSINE", 3, "ビジネス",             "×××××××××",         CK::BookTownTable,        AQ::DirectFetch, M, SS::BookTown,
     {false, "/P3/CM/html/bookclip/new{probe}/shoseki/05_s.html"}, true, false},
    {14, "tetsu",  "SelTETSU",   3, "哲学・宗教",           "×××××××××",         CK::BookTownTable,        AQ::DirectFetch, M, SS::BookTown,
     {false, "/P3/CM/html/bookclip/new{probe}/shoseki/12_s.html"}, true, false},
    {2,  "syosk",  "SelSYOSEKI", 3, "一般書籍",             "×××××××××",         CK::WeeklyList,           AQ::DirectFetch, W, SS::WeeklyList,
     {false, "/{week}/japa/t_a.htm"}, true, false},
    // The site's older archive before 2002/04 is a CSV file per month.
    {10, "avsft",  "SelAV",      4, "ＡＶ",                 "×××××××××",         CK::ProductList,          AQ::BrowserPage, M, SS::MangaOh,
     {false, "/catalog/product_list_day.php?group=label&view=LIST&count=all&term=month&category=av&date={yyyy}{mm}01",
             "/catalog/product_list_day.php?group=label&view=LIST&count=all&term=month&category=av&date=a{yyyymm}d.csv", "0204"}, true, true},
    {11, "neowg",  "SelNEOWING", 4, "NEO WING",             "×××××××××",         CK::NeoWingCsv,           AQ::KosumiraCsv, M, SS::NeoWing,
     {false, "/"}, false, true},
};
// clang-format on

struct SiteDefault {
    SourceSite site;
    const char* key;  // in the settings file's host section
    const char* host;
};
constexpr SiteDefault kSiteDefaults[] = {
    {SS::MangaOh, "MANGAOH", "www.mangaoh.co.jp"},
    {SS::WeeklyList, "WEEKLY", "www.1book.co.jp"},
    {SS::Taiyosha, "TAIYOSHA", "www.taiyosha.co.jp"},
    {SS::BookTown, "BOOKTOWN", "www.hontown.com"},
    {SS::MangaNoMori, "MANGANOMORI", "www.manganomori.net"},
    {SS::NeoWing, "NEOWING", "www.neowing.co.jp"},
};

std::string TwoDigits(unsigned v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02u", v % 100);
    return buf;
}

// The path of a URL form with its placeholders filled in; `value` gives each placeholder's text.
template <typename Value>
std::string FillPath(std::string_view form, const Value& value) {
    std::string path;
    size_t at = 0;
    while (at < form.size()) {
        const size_t open = form.find('{', at);
        const size_t close = open == std::string_view::npos ? open : form.find('}', open);
        if (close == std::string_view::npos) {
            path.append(form.substr(at));
            break;
        }
        path.append(form.substr(at, open - at));
        path += value(form.substr(open + 1, close - open - 1));
        at = close + 1;
    }
    return path;
}

}  // namespace

const std::vector<CategoryInfo>& Categories() {
    return kCategories;
}

const std::vector<CategoryGroup>& CategoryGroups() {
    return kGroups;
}

const CategoryInfo* FindCategory(int number) {
    for (const CategoryInfo& c : kCategories) {
        if (c.number == number) {
            return &c;
        }
    }
    return nullptr;
}

const std::vector<CategoryTreeSlot>& CategoryTreeSlots() {
    static const std::vector<CategoryTreeSlot> slots = [] {
        std::vector<CategoryTreeSlot> s;
        for (const CategoryInfo& c : kCategories) {
            if (s.empty() || s.back().group != c.group) {
                s.push_back({c.group, nullptr});
            }
            s.push_back({c.group, &c});
        }
        return s;
    }();
    return slots;
}

int TreeNodeOf(int category) {
    const std::vector<CategoryTreeSlot>& slots = CategoryTreeSlots();
    for (size_t i = 0; i < slots.size(); ++i) {
        if (slots[i].category != nullptr && slots[i].category->number == category) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

const CategoryInfo* FindCategoryByTreeNode(int node) {
    const std::vector<CategoryTreeSlot>& slots = CategoryTreeSlots();
    return node >= 0 && node < static_cast<int>(slots.size())
               ? slots[static_cast<size_t>(node)].category
               : nullptr;
}

HostTable::HostTable() {
    for (const SiteDefault& d : kSiteDefaults) {
        hosts_[d.site] = d.host;
    }
}

const std::string& HostTable::Host(SourceSite site) const {
    return hosts_.at(site);
}

void HostTable::Override(const std::map<std::string, std::string>& byKey) {
    for (const SiteDefault& d : kSiteDefaults) {
        auto found = byKey.find(d.key);
        if (found != byKey.end() && !found->second.empty()) {
            hosts_[d.site] = found->second;
        }
    }
}

int MangaNoMoriListNumber(const std::string& listId, std::chrono::year_month_day target) {
    const std::string_view id = listId;
    const int y0 = StrToInt(id.substr(0, 4));
    const int m0 = StrToInt(id.size() > 5 ? id.substr(5, 2) : std::string_view{});
    const int y = static_cast<int>(target.year());
    const int m = static_cast<int>(static_cast<unsigned>(target.month()));
    return (y * 12 + m) - (y0 * 12 + m0) + 1;
}

bool ResolveCategorySource(const SourceQuery& q, const BookTownProbe& probe,
                           std::filesystem::path& dataFile, std::string& url) {
    const CategoryInfo* c = FindCategory(q.category);
    if (c == nullptr) {
        dataFile.clear();
        url.clear();
        return true;
    }
    const int y = static_cast<int>(q.target.year());
    const unsigned mo = static_cast<unsigned>(q.target.month());
    const std::string yyyy = std::to_string(y);
    const std::string mm = TwoDigits(mo);
    const std::string yymm = TwoDigits(static_cast<unsigned>(y % 100)) + mm;
    const std::string monthKey = c->period == Period::Week ? std::to_string(q.weekNumber) : yymm;
    dataFile = q.dataFolder / (std::string(c->code) + monthKey + ".csv");

    const UrlForm& form = c->url;
    const bool older = form.olderPath != nullptr && yymm < form.olderBefore;
    const std::string_view pathForm = older ? form.olderPath : form.path;
    std::optional<std::string> probed;
    if (pathForm.find("{probe}") != std::string_view::npos && q.online) {
        probed = probe ? probe() : std::nullopt;
        if (!probed) {
            return false;
        }
    }
    const std::string path = FillPath(pathForm, [&](std::string_view name) -> std::string {
        if (name == "yyyy") {
            return yyyy;
        }
        if (name == "mm") {
            return mm;
        }
        if (name == "m") {
            return std::to_string(mo);
        }
        if (name == "yymm") {
            return yymm;
        }
        if (name == "yyyymm") {
            return yyyy + mm;
        }
        if (name == "week") {
            return std::to_string(q.weekNumber);
        }
        if (name == "listid") {
            return std::to_string(MangaNoMoriListNumber(q.listId, q.target));
        }
        if (name == "probe") {
            return probed.value_or("");
        }
        throw std::logic_error("unknown URL placeholder");
    });
    url = (form.https ? "https://" : "http://") + q.hosts->Host(c->site) + path;
    return true;
}

}  // namespace yomida

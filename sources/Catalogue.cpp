#include "sources/Catalogue.h"

#include "text/Numbers.h"

#include <cstdio>
#include <stdexcept>

namespace yomida {
namespace {

using CK = ConverterKind;
using SS = SourceSite;

// clang-format off
constexpr CategoryInfo kCategories[kCategoryCount] = {
    {1,  "comic",  "SelCOMIC",    1,  "まんが王倶楽部（CSV）", "まんが王倶楽部",       CK::ProductList,          false, SS::MangaOh,     false},
    {2,  "syosk",  "SelSYOSEKI",  16, "一般書籍",             "×××××××××",          CK::WeeklyList,           true,  SS::WeeklyList,  false},
    {3,  "bunko",  "SelBUNKO",    8,  "文庫",                 "×××××××××",          CK::TaiyoshaBunko,        false, SS::Taiyosha,    false},
    {4,  "tanbi",  "SelTANBI",    6,  "耽美",                 "まんが王倶楽部・BL",    CK::ProductList,          false, SS::MangaOh,     false},
    {5,  "comic2", "SelCOMIC2",   2,  "まんが王倶楽部（Web）", "×××××××××",          CK::ProductListExtractor, true,  SS::MangaOh,     false},
    {6,  "bngei",  "SelBUNGEI",   11, "文芸",                 "まんが王倶楽部・小説",  CK::ProductList,          false, SS::MangaOh,     false},
    {7,  "snsyo",  "SelSINSYO",   12, "新書",                 "×××××××××",          CK::BookTownTable,        true,  SS::BookTown,    false},
    {8,  "comic3", "SelCOMIC3",   3,  "太洋社",               "×××××××××",          CK::TaiyoshaComic,        false, SS::Taiyosha,    false},
    {9,  "cbnko",  "SelCBUNKO",   9,  "漫画文庫",             "×××××××××",          CK::ProductList,          false, SS::MangaOh,     false},
    {10, "avsft",  "SelAV",       18, "ＡＶ",                 "×××××××××",          CK::ProductList,          false, SS::MangaOh,     true},
    {11, "neowg",  "SelNEOWING",  19, "NEO WING",             "×××××××××",          CK::NeoWingCsv,           false, SS::NeoWing,     true},
    {12, "ippan",  "SelIPPAN",    13, "社会一般",             "×××××××××",          CK::BookTownTable,        true,  SS::BookTown,    false},
    {13, "busine", "SelBUSSINE",  14, "ビジネス",             "×××××××××",          CK::BookTownTable,        true,  SS::BookTown,    false},
    {14, "tetsu",  "SelTETSU",    15, "哲学・宗教",           "×××××××××",          CK::BookTownTable,        true,  SS::BookTown,    false},
    {15, "comic4", "SelCOMIC4",   4,  "まんがの森",           "×××××××××",          CK::MangaNoMoriTable,     true,  SS::MangaNoMori, false},
};
// clang-format on

struct SiteDefault {
    SourceSite site;
    const char* key;
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

struct MonthTexts {
    std::string yymm, yyyymm, yyyy, mm, m;
};

MonthTexts TextsOf(std::chrono::year_month_day d) {
    const int y = static_cast<int>(d.year());
    const unsigned mo = static_cast<unsigned>(d.month());
    MonthTexts t;
    t.yyyy = std::to_string(y);
    t.mm = TwoDigits(mo);
    t.m = std::to_string(mo);
    t.yymm = TwoDigits(static_cast<unsigned>(y % 100)) + t.mm;
    t.yyyymm = t.yyyy + t.mm;
    return t;
}

std::string ProductListQuery(const char* category, const MonthTexts& t) {
    return "/productlist/sale/month?count=all&group=day&displayMode=simple&category=" +
           std::string(category) + "&date=" + t.yyyy + t.mm + "01";
}

std::string CatalogueQuery(const char* category) {
    return "/catalog/product_list_day.php?group=label&view=LIST&count=all&term=month&category=" +
           std::string(category) + "&date=";
}

}  // namespace

const CategoryInfo (&Categories())[kCategoryCount] {
    return kCategories;
}

const CategoryInfo* FindCategory(int number) {
    return number >= 1 && number <= kCategoryCount ? &kCategories[number - 1] : nullptr;
}

const CategoryInfo* FindCategoryByTreeNode(int node) {
    for (const CategoryInfo& c : kCategories) {
        if (c.treeNode == node) {
            return &c;
        }
    }
    return nullptr;
}

HostTable::HostTable() {
    for (const SiteDefault& d : kSiteDefaults) {
        hosts_[d.site] = d.host;
    }
}

const std::string& HostTable::Host(SourceSite site) const {
    return hosts_.at(site);
}

const char* HostTable::KeyName(SourceSite site) {
    for (const SiteDefault& d : kSiteDefaults) {
        if (d.site == site) {
            return d.key;
        }
    }
    throw std::out_of_range("source site");
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
    const MonthTexts t = TextsOf(q.target);
    const std::string monthKey = q.category == 2 ? std::to_string(q.weekNumber) : t.yymm;
    dataFile = q.dataFolder / (std::string(c->code) + monthKey + ".csv");

    std::string path;
    bool https = false;
    switch (q.category) {
        case 1:
            https = true;
            path = ProductListQuery("comic_all", t);
            break;
        case 2:
            path = "/" + std::to_string(q.weekNumber) + "/japa/t_a.htm";
            break;
        case 3:
            path = "/bunko/bunko" + t.yymm + "_listdate.html";
            break;
        case 4:
            https = true;
            path = ProductListQuery("bl", t);
            break;
        case 5:
            path = "/catalog/l/comic/" + t.yyyy + "/" + t.m + "/";
            break;
        case 6:
            https = true;
            path = ProductListQuery("novel", t);
            break;
        case 8:
            path = "/comic/comic" + t.yymm + "_listdate.html";
            break;
        case 9:
            path = CatalogueQuery("manga_bunko") + t.yyyy + t.mm + "01";
            break;
        case 10:
            // The site's older archive before 2002/04 is a CSV per month.
            path = CatalogueQuery("av") +
                   (t.yymm < "0204" ? "a" + t.yyyymm + "d" + ".csv" : t.yyyy + t.mm + "01");
            break;
        case 11:
            path = "/";
            break;
        case 15:
            path = "/list.asp?listid=" + std::to_string(MangaNoMoriListNumber(q.listId, q.target));
            break;
        default: {  // 7, 12, 13, 14: 本やタウン
            std::string infix;
            if (q.onOffLine == "ON") {
                std::optional<std::string> probed = probe ? probe() : std::nullopt;
                if (!probed) {
                    return false;
                }
                infix = *probed;
            }
            const char* page = q.category == 7    ? "02_s"
                               : q.category == 12 ? "03_s"
                               : q.category == 13 ? "05_s"
                                                  : "12_s";
            path = "/P3/CM/html/bookclip/new" + infix + "/shoseki/" + page + ".html";
            break;
        }
    }
    url = (https ? "https://" : "http://") + q.hosts->Host(c->site) + path;
    return true;
}

}  // namespace yomida

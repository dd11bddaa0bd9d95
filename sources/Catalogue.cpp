#include "sources/Catalogue.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <stdexcept>

#include "platform/Url.h"
#include "sources/DataFileName.h"
#include "text/Dates.h"
#include "text/Messages.h"
#include "text/Numbers.h"
#include "text/Sjis.h"
#include "text/SjisLiteral.h"

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

constexpr MonthProbe kBookTownProbe{"http://{host}/P3/CM/html/bookclip/new/shoseki/under.html",
                                    "top_s{mm}.gif"};

// In display order: the tree and the search menu list the categories as they stand here.
// clang-format off
const std::vector<CategoryInfo> kCategories = {
    {1,  "comic",  "SelCOMIC",   0, "まんが王倶楽部（CSV）", "まんが王倶楽部",      CK::ProductList,          AQ::DirectOrBrowserPage, M, SS::MangaOh,
     {"https://{host}/productlist/sale/month?count=all&group=day&displayMode=simple&category=comic_all&date={yyyy}{mm}01"}, true, false},
    {5,  "comic2", "SelCOMIC2",  0, "まんが王倶楽部（Web）", "×××××××××",         CK::ProductListExtractor, AQ::DirectFetch, M, SS::MangaOh,
     {"http://{host}/catalog/l/comic/{yyyy}/{m}/"}, true, false},
    {8,  "comic3", "SelCOMIC3",  0, "太洋社",               "×××××××××",         CK::TaiyoshaComic,        AQ::BrowserPage, M, SS::Taiyosha,
     {"http://{host}/comic/comic{yymm}_listdate.html"}, true, false},
    {15, "comic4", "SelCOMIC4",  0, "まんがの森",           "×××××××××",         CK::MangaNoMoriTable,     AQ::DirectFetch, M, SS::MangaNoMori,
     {"http://{host}/list.asp?listid={list}"}, false, false},
    {4,  "tanbi",  "SelTANBI",   1, "耽美",                 "まんが王倶楽部・BL",   CK::ProductList,          AQ::DirectOrBrowserPage, M, SS::MangaOh,
     {"https://{host}/productlist/sale/month?count=all&group=day&displayMode=simple&category=bl&date={yyyy}{mm}01"}, true, false},
    {3,  "bunko",  "SelBUNKO",   2, "文庫",                 "×××××××××",         CK::TaiyoshaBunko,        AQ::BrowserPage, M, SS::Taiyosha,
     {"http://{host}/bunko/bunko{yymm}_listdate.html"}, true, false},
    {9,  "cbnko",  "SelCBUNKO",  2, "漫画文庫",             "×××××××××",         CK::ProductList,          AQ::BrowserPage, M, SS::MangaOh,
     {"http://{host}/catalog/product_list_day.php?group=label&view=LIST&count=all&term=month&category=manga_bunko&date={yyyy}{mm}01"}, true, false},
    {6,  "bngei",  "SelBUNGEI",  3, "文芸",                 "まんが王倶楽部・小説", CK::ProductList,          AQ::DirectOrBrowserPage, M, SS::MangaOh,
     {"https://{host}/productlist/sale/month?count=all&group=day&displayMode=simple&category=novel&date={yyyy}{mm}01"}, true, false},
    {7,  "snsyo",  "SelSINSYO",  3, "新書",                 "×××××××××",         CK::BookTownTable,        AQ::DirectFetch, M, SS::BookTown,
     {"http://{host}/P3/CM/html/bookclip/new{infix}/shoseki/02_s.html"}, true, false, kBookTownProbe},
    {12, "ippan",  "SelIPPAN",   3, "社会一般",             "×××××××××",         CK::BookTownTable,        AQ::DirectFetch, M, SS::BookTown,
     {"http://{host}/P3/CM/html/bookclip/new{infix}/shoseki/03_s.html"}, true, false, kBookTownProbe},
    {13, "busine", "SelBUSSINE", 3, "ビジネス",             "×××××××××",         CK::BookTownTable,        AQ::DirectFetch, M, SS::BookTown,
     {"http://{host}/P3/CM/html/bookclip/new{infix}/shoseki/05_s.html"}, true, false, kBookTownProbe},
    {14, "tetsu",  "SelTETSU",   3, "哲学・宗教",           "×××××××××",         CK::BookTownTable,        AQ::DirectFetch, M, SS::BookTown,
     {"http://{host}/P3/CM/html/bookclip/new{infix}/shoseki/12_s.html"}, true, false, kBookTownProbe},
    {2,  "syosk",  "SelSYOSEKI", 3, "一般書籍",             "×××××××××",         CK::WeeklyList,           AQ::DirectFetch, W, SS::WeeklyList,
     {"http://{host}/{week}/japa/t_a.htm"}, true, false},
    // The site's older archive before 2002/04 is a CSV file per month.
    {10, "avsft",  "SelAV",      4, "ＡＶ",                 "×××××××××",         CK::ProductList,          AQ::BrowserPage, M, SS::MangaOh,
     {"http://{host}/catalog/product_list_day.php?group=label&view=LIST&count=all&term=month&category=av&date={yyyy}{mm}01",
      "http://{host}/catalog/product_list_day.php?group=label&view=LIST&count=all&term=month&category=av&date=a{yyyy}{mm}d.csv", "0204"}, true, true},
    {11, "neowg",  "SelNEOWING", 4, "NEO WING",             "×××××××××",         CK::NeoWingCsv,           AQ::KosumiraCsv, M, SS::NeoWing,
     {"http://{host}/"}, false, true},
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

constexpr std::string_view kPlaceholders[] = {"host",  "yyyy", "yy",   "mm",    "m",
                                              "yymm",  "week", "list", "infix", "from",
                                              "until", "day",  "cnt",  "idx"};

// The catalogue as the program runs with it: the built-in rows, and those of the sources
// defined as data once they are installed.
struct CatalogueTable {
    std::vector<CategoryInfo> categories;
    std::vector<CategoryGroup> groups;
    std::vector<CategoryTreeSlot> slots;
    std::vector<std::pair<std::string, std::string>> definedHosts;  // key, default
};

// Each group's node followed by its leaves, groups in their order.
std::vector<CategoryTreeSlot> TreeSlotsOf(const CatalogueTable& table) {
    std::vector<CategoryTreeSlot> slots;
    for (size_t g = 0; g < table.groups.size(); ++g) {
        const int group = static_cast<int>(g);
        bool first = true;
        for (const CategoryInfo& c : table.categories) {
            if (c.group == group) {
                if (first) {
                    slots.push_back({group, nullptr});
                    first = false;
                }
                slots.push_back({group, &c});
            }
        }
    }
    return slots;
}

const CatalogueTable& BuiltInTable() {
    static const CatalogueTable table = [] {
        CatalogueTable t{kCategories, kGroups, {}, {}};
        t.slots = TreeSlotsOf(t);
        return t;
    }();
    return table;
}

std::atomic<const CatalogueTable*> installedTable{nullptr};

const CatalogueTable& Table() {
    const CatalogueTable* installed = installedTable.load(std::memory_order_acquire);
    return installed != nullptr ? *installed : BuiltInTable();
}

std::string IsoDate(std::chrono::year_month_day day) {
    return std::to_string(static_cast<int>(day.year())) + "-" +
           TwoDigits(static_cast<unsigned>(day.month())) + "-" +
           TwoDigits(static_cast<unsigned>(day.day()));
}

// Walks a template: `literal` gets the text between placeholders, `placeholder` each name in
// braces. A "{" without a closing "}" is handed on as a name running to the end, with `closed`
// false. Braces are looked for character by character: the second byte of a CP932 character
// such as ボ is a "{".
template <typename Literal, typename Placeholder>
void WalkTemplate(std::string_view form, const Literal& literal, const Placeholder& placeholder) {
    size_t at = 0;
    while (at < form.size()) {
        const size_t open = FindSjis(form, "{", at);
        if (open == std::string_view::npos) {
            literal(form.substr(at));
            return;
        }
        literal(form.substr(at, open - at));
        const size_t close = FindSjis(form, "}", open);
        if (close == std::string_view::npos) {
            placeholder(form.substr(open + 1), false);
            return;
        }
        placeholder(form.substr(open + 1, close - open - 1), true);
        at = close + 1;
    }
}

bool IsKnownPlaceholder(std::string_view name) {
    return std::ranges::find(kPlaceholders, name) != std::end(kPlaceholders);
}

// The scheme before "://" at the start of a template, or nothing when it does not start with
// one: letters, then letters, digits, "+", "-" or ".".
std::optional<std::string_view> SchemeOf(std::string_view form) {
    const size_t end = form.find("://");
    if (end == std::string_view::npos || end == 0) {
        return std::nullopt;
    }
    const auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    for (size_t i = 0; i < end; ++i) {
        const char c = form[i];
        if (!letter(c) &&
            (i == 0 || !((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'))) {
            return std::nullopt;
        }
    }
    return form.substr(0, end);
}

}  // namespace

const std::vector<CategoryInfo>& Categories() {
    return Table().categories;
}

const std::vector<CategoryGroup>& CategoryGroups() {
    return Table().groups;
}

bool CanFetchDirectly(const CategoryInfo& category) {
    return category.acquisition == Acquisition::DirectFetch ||
           category.acquisition == Acquisition::DirectOrBrowserPage;
}

const CategoryInfo* FindCategory(int number) {
    for (const CategoryInfo& c : Table().categories) {
        if (c.number == number) {
            return &c;
        }
    }
    return nullptr;
}

const std::vector<CategoryTreeSlot>& CategoryTreeSlots() {
    return Table().slots;
}

void InstallDefinedCategories(const std::vector<DefinedCategory>& categories) {
    auto table = std::make_unique<CatalogueTable>(BuiltInTable());
    table->slots.clear();
    for (const DefinedCategory& d : categories) {
        auto group = std::ranges::find_if(table->groups, [&](const CategoryGroup& g) {
            return std::string_view(g.treeCaption) == d.group;
        });
        if (group == table->groups.end()) {
            table->groups.push_back({d.group, d.group});
            group = table->groups.end() - 1;
        }
        CategoryInfo row = d.info;
        row.group = static_cast<int>(group - table->groups.begin());
        const auto last =
            std::ranges::find_if(table->categories.rbegin(), table->categories.rend(),
                                 [&](const CategoryInfo& c) { return c.group == row.group; });
        // The first row of a new group goes after every other, as its group does.
        table->categories.insert(
            last == table->categories.rend() ? table->categories.end() : last.base(), row);
        if (row.hostKey != nullptr) {
            table->definedHosts.emplace_back(row.hostKey, d.defaultHost);
        }
    }
    table->slots = TreeSlotsOf(*table);
    // Tables replaced stay alive: a row read from one before must never dangle.
    static std::mutex mutex;
    static std::vector<std::unique_ptr<CatalogueTable>> tables;
    const std::lock_guard lock(mutex);
    tables.push_back(std::move(table));
    installedTable.store(tables.back().get(), std::memory_order_release);
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

bool IsSiteHostKey(std::string_view key) {
    return std::ranges::any_of(kSiteDefaults, [&](const SiteDefault& d) { return key == d.key; });
}

HostTable::HostTable() {
    for (const SiteDefault& d : kSiteDefaults) {
        hosts_[d.key] = d.host;
    }
    for (const auto& [key, host] : Table().definedHosts) {
        hosts_.emplace(key, host);
    }
}

const std::string& HostTable::Host(SourceSite site) const {
    return hosts_.find(std::ranges::find(kSiteDefaults, site, &SiteDefault::site)->key)->second;
}

const std::string& HostTable::HostOf(const CategoryInfo& category) const {
    if (category.hostKey != nullptr) {
        if (const auto found = hosts_.find(std::string_view(category.hostKey));
            found != hosts_.end()) {
            return found->second;
        }
    }
    return Host(category.site);
}

void HostTable::SetHost(SourceSite site, std::string host) {
    hosts_[std::ranges::find(kSiteDefaults, site, &SiteDefault::site)->key] = std::move(host);
}

void HostTable::Override(const std::map<std::string, std::string>& byKey) {
    refused_.clear();
    const HostTable defaults;
    // The built-in sites first, in the order the settings file lists them, then the hosts of
    // defined sources, so refusals read in a steady order.
    std::vector<std::string> keys;
    for (const SiteDefault& d : kSiteDefaults) {
        keys.emplace_back(d.key);
    }
    for (const auto& [key, host] : hosts_) {
        if (!IsSiteHostKey(key)) {
            keys.push_back(key);
        }
    }
    for (const std::string& key : keys) {
        std::string& host = hosts_.find(key)->second;
        auto found = byKey.find(key);
        if (found == byKey.end() || found->second.empty()) {
            continue;
        }
        // Whatever else a value holds would go into every request line and Host line sent to
        // the site.
        if (Url::IsHostAndPort(found->second)) {
            host = found->second;
        } else {
            host = defaults.hosts_.at(key);
            refused_.push_back({key, "[HOSTS] " + key +
                                         " のホストは使えません: 書けるのはホスト名か IP "
                                         "アドレスと「:ポート番号」だけです。組み込みのホスト"
                                         "を使います。"_sj});
        }
    }
}

std::string HostTable::RefusedText() const {
    std::string text;
    for (const Refusal& r : refused_) {
        text += (text.empty() ? "" : "\n\r") + r.message;
    }
    return text;
}

int MangaNoMoriListNumber(const std::string& listId, std::chrono::year_month_day target) {
    const std::string_view id = listId;
    const int y0 = StrToInt(id.substr(0, 4));
    const int m0 = StrToInt(id.size() > 5 ? id.substr(5, 2) : std::string_view{});
    const int y = static_cast<int>(target.year());
    const int m = static_cast<int>(static_cast<unsigned>(target.month()));
    return (y * 12 + m) - (y0 * 12 + m0) + 1;
}

std::string ExpandUrlTemplate(std::string_view form, const UrlValues& v) {
    const int y = static_cast<int>(v.target.year());
    const unsigned mo = static_cast<unsigned>(v.target.month());
    const std::string yy = TwoDigits(static_cast<unsigned>(y % 100));
    std::string url;
    WalkTemplate(
        form, [&](std::string_view text) { url.append(text); },
        [&](std::string_view name, bool) {
            if (name == "host") {
                url += v.host;
            } else if (name == "yyyy") {
                url += std::to_string(y);
            } else if (name == "yy") {
                url += yy;
            } else if (name == "mm") {
                url += TwoDigits(mo);
            } else if (name == "m") {
                url += std::to_string(mo);
            } else if (name == "yymm") {
                url += yy + TwoDigits(mo);
            } else if (name == "week") {
                url += std::to_string(v.week);
            } else if (name == "list") {
                url += std::to_string(MangaNoMoriListNumber(v.listId, v.target));
            } else if (name == "infix") {
                url += v.infix;
            } else if (name == "from") {
                url += IsoDate(v.target.year() / v.target.month() / 1);
            } else if (name == "until") {
                url += IsoDate(v.target.year() / v.target.month() / std::chrono::last);
            } else if (name == "day") {
                url += IsoDate(v.day.ok() ? v.day : v.target.year() / v.target.month() / 1);
            } else if (name == "cnt") {
                url += std::to_string(v.count);
            } else if (name == "idx") {
                url += std::to_string(v.index);
            } else {
                throw std::logic_error("URL template with an unknown placeholder");
            }
        });
    return Url::Encode(url);
}

bool NamesPlaceholder(std::string_view form, std::string_view name) {
    bool named = false;
    WalkTemplate(
        form, [](std::string_view) {},
        [&](std::string_view found, bool closed) { named = named || (closed && found == name); });
    return named;
}

std::optional<std::string> UrlTemplateFault(std::string_view form) {
    const std::optional<std::string_view> scheme = SchemeOf(form);
    if (!scheme) {
        return MsgText(Msg::UrlNoScheme);
    }
    const std::string lower = AsciiLower(*scheme);
    if (lower != "http" && lower != "https") {
        return std::string(*scheme) + MsgText(Msg::UrlBadScheme);
    }
    std::optional<std::string> fault;
    WalkTemplate(
        form, [](std::string_view) {},
        [&](std::string_view name, bool closed) {
            if (!fault && (!closed || !IsKnownPlaceholder(name))) {
                fault = "{" + std::string(name) + (closed ? "}" : "") +
                        MsgText(Msg::UrlUnknownPlaceholder);
            }
        });
    return fault;
}

SourceOverrides::SourceOverrides(const std::vector<std::pair<std::string, std::string>>& entries) {
    std::vector<int> seen;
    for (const auto& [key, value] : entries) {
        const auto category = std::ranges::find(Categories(), AsciiLower(key), &CategoryInfo::code);
        if (category == Categories().end() || value.empty() ||
            std::find(seen.begin(), seen.end(), category->number) != seen.end()) {
            continue;
        }
        seen.push_back(category->number);
        if (const std::optional<std::string> fault = UrlTemplateFault(value)) {
            refused_.push_back({category->number, key,
                                "[SOURCES] " + key + MsgText(Msg::UrlUnusable) + *fault +
                                    MsgText(Msg::UsingBuiltInUrl)});
        } else {
            templates_.emplace(category->number, value);
        }
    }
}

const std::string* SourceOverrides::Find(int category) const {
    const auto found = templates_.find(category);
    return found == templates_.end() ? nullptr : &found->second;
}

std::string SourceOverrides::Origin(int category) const {
    const CategoryInfo* c = FindCategory(category);
    return c != nullptr && Find(category) != nullptr ? std::string("[SOURCES] ") + c->code
                                                     : "built-in";
}

std::string SourceOverrides::RefusedText() const {
    std::string text;
    for (const Refusal& r : refused_) {
        text += (text.empty() ? "" : "\n\r") + r.message;
    }
    return text;
}

bool ResolveCategorySource(const SourceQuery& q, const BookTownProbe& probe,
                           std::filesystem::path& dataFile, std::string& url) {
    const CategoryInfo* c = FindCategory(q.category);
    if (c == nullptr) {
        dataFile.clear();
        url.clear();
        return true;
    }
    const std::string yymm = YyMm({q.target.year(), q.target.month()});
    dataFile = q.dataFolder / DataFileName::For(*c, q.target, q.weekNumber).Text();

    const std::string* replaced = q.sources != nullptr ? q.sources->Find(c->number) : nullptr;
    const UrlForm& builtIn = c->url;
    const std::string_view form = replaced != nullptr ? std::string_view(*replaced)
                                  : builtIn.olderForm != nullptr && yymm < builtIn.olderBefore
                                      ? builtIn.olderForm
                                      : builtIn.form;
    UrlValues values;
    values.host = q.hosts->HostOf(*c);
    values.count = c->pageSize;
    values.target = q.target;
    values.week = q.weekNumber;
    values.listId = q.listId;
    if (q.online && NamesPlaceholder(form, "infix")) {
        std::optional<std::string> infix = probe ? probe() : std::nullopt;
        if (!infix) {
            return false;
        }
        values.infix = std::move(*infix);
    }
    url = ExpandUrlTemplate(form, values);
    return true;
}

}  // namespace yomida

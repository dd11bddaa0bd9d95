#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "sources/RecordLayout.h"

namespace yomida {

// The web sites the sources come from. Each has one host, which the user can override.
enum class SourceSite { MangaOh, WeeklyList, Taiyosha, BookTown, MangaNoMori, NeoWing };

// How a category's page becomes a release list.
enum class ConverterKind {
    ProductList,           // product-list pages (まんが王倶楽部)
    ProductListExtractor,  // catalogue pages: the extractor alone
    BookTownTable,         // 本やタウン table rows
    MangaNoMoriTable,      // まんがの森 table rows
    TaiyoshaBunko,         // 太洋社 paperback list items
    TaiyoshaComic,         // 太洋社 comic list items
    WeeklyList,            // the weekly new-book list
    NeoWingCsv,            // KOSUMIRA's CSV file
    DefinedSource,         // a source defined as data: its definition's selectors and filters
};

// How the program gets a category's page.
enum class Acquisition {
    DirectFetch,  // downloaded by the program itself
    // Downloaded by the program itself unless the user switched that off; when the download
    // fails the user may still import the page saved from the browser.
    DirectOrBrowserPage,
    BrowserPage,  // opened in the browser, saved there by the user, then imported
    KosumiraCsv,  // made by the sibling program KOSUMIRA, then imported
};

// The period one data file covers: a month, or a numbered week.
enum class Period { Month, Week };

// A source URL as a template: the whole URL with the parts that vary written as placeholders
// (ExpandUrlTemplate names them). The settings file may replace a category's form.
struct UrlForm {
    const char* form;
    // The site's older archive, for target months whose yymm sorts before `olderBefore`.
    const char* olderForm = nullptr;
    const char* olderBefore = nullptr;
};

// How a site tells which month its pages of new books show, for the {infix} of its URL forms:
// a page whose images name the month it shows.
struct MonthProbe {
    const char* url = nullptr;     // a URL template of {host} alone
    const char* marker = nullptr;  // what the page holds for the month {mm} it shows
};

// A group of categories in the tree and in the search menu.
struct CategoryGroup {
    const char* treeCaption;  // UTF-8
    const char* menuCaption;  // UTF-8
};

struct CategoryInfo {
    int number;                 // 1 to 15, as stored in the settings
    const char* code;           // names the data files
    const char* action;         // the action that selects it
    int group;                  // index into CategoryGroups()
    const char* designCaption;  // UTF-8
    const char* displayName;    // UTF-8; the caption after start-up
    ConverterKind converter;
    Acquisition acquisition;
    Period period;
    SourceSite site;
    UrlForm url;
    bool updateCheck;         // the page's Last-Modified tells whether the stored list is current
    bool audioVisual;         // shows the audio-visual icons
    MonthProbe monthProbe{};  // none: the site's URLs do not vary with the month it shows
    // A source defined as data names its host by its key in the settings file's [HOSTS];
    // nullptr: the host of `site`.
    const char* hostKey = nullptr;
    int pageSize = 0;  // {cnt} of a source defined as data
};

// The built-in categories; sources defined as data are numbered from kFirstDefinedCategory, so
// that a stored category number keeps meaning the same list.
constexpr int kCategoryCount = 15;
constexpr int kFirstDefinedCategory = 16;

// Whether the program can download the category's page itself (for some only while the user's
// switch says so); the others are imported by hand.
bool CanFetchDirectly(const CategoryInfo& category);

// Every row, the built-in ones and those of the installed definitions, in the order the tree
// and the search menu show them.
const std::vector<CategoryInfo>& Categories();
const std::vector<CategoryGroup>& CategoryGroups();
// Row for a category number, or nullptr when no category has it.
const CategoryInfo* FindCategory(int number);

// A category defined as data as the catalogue takes it: its row (whose group is worked out from
// `group`), the caption of the tree group it is shown in, and the default of its host key. The
// texts must outlive the catalogue's use of them.
struct DefinedCategory {
    CategoryInfo info;
    const char* group;  // UTF-8; a built-in group's caption joins that group
    const char* defaultHost;
};
// Makes the categories part of the catalogue, each after the last row of its group and new
// groups after the built-in ones, in place of those an earlier call installed. Done once at
// start, before anything reads the catalogue; rows handed out before stay readable.
void InstallDefinedCategories(const std::vector<DefinedCategory>& categories);

// The category tree: each group node followed by its leaves, in display order.
struct CategoryTreeSlot {
    int group;
    const CategoryInfo* category;  // nullptr for the group's own node
};
const std::vector<CategoryTreeSlot>& CategoryTreeSlots();
// Tree node of a category's leaf, or -1.
int TreeNodeOf(int category);
// Row for a tree node, or nullptr for a group node.
const CategoryInfo* FindCategoryByTreeNode(int node);

// Whether a key of the settings file's [HOSTS] section belongs to a built-in site.
bool IsSiteHostKey(std::string_view key);

// Web host of each source site and of each defined source's host key, overridable by key (for
// example "127.0.0.1:8080").
class HostTable {
public:
    struct Refusal {
        std::string key;      // as the settings file names the site
        std::string message;  // CP932, names the key and the reason
    };

    // The defaults of the built-in sites and of the installed definitions.
    HostTable();
    const std::string& Host(SourceSite site) const;
    // The host of the category's source: its definition's host key, else its site's.
    const std::string& HostOf(const CategoryInfo& category) const;
    void SetHost(SourceSite site, std::string host);
    // Takes the overrides of the settings file's host section, by key name; empty values and
    // unknown keys change nothing. A value that is more than a host name or an IPv4 or IPv6
    // address with an optional port is left out and remembered: the site keeps its host.
    void Override(const std::map<std::string, std::string>& byKey);
    const std::vector<Refusal>& Refused() const { return refused_; }
    // Every refusal in one text for a message box, one refusal a line; empty when none.
    std::string RefusedText() const;

private:
    std::map<std::string, std::string, std::less<>> hosts_;  // by [HOSTS] key
    std::vector<Refusal> refused_;
};

// What the placeholders of a URL template stand for:
//   {host}  the web host of the category's site, as the host table gives it
//   {yyyy}  the target year in decimal (2003)
//   {yy}    the last two digits of the target year (03)
//   {mm}    the target month in two digits (05)
//   {m}     the target month without a leading zero (5)
//   {yymm}  {yy} followed by {mm} (0305)
//   {week}  the week number in decimal (1321)
//   {list}  the まんがの森 list number in decimal, negative before the LISTID month (1)
//   {infix} what the 本やタウン month probe answered ("" or "_old"); empty offline
//   {from}  the first day of the target month, yyyy-mm-dd (2003-05-01)
//   {until} the last day of the target month, yyyy-mm-dd (2003-05-31)
//   {day}   the day one request asks for, yyyy-mm-dd; the first of the month unless set
//   {cnt}   the records one request asks for
//   {idx}   the number of the first record a request asks for
struct UrlValues {
    std::string host;
    std::chrono::year_month_day target{};
    int week = 0;
    std::string listId;  // {list} is worked out from it only when a template names it
    std::string infix;
    std::chrono::year_month_day day{};  // not ok(): the first of the target month
    int count = 0;
    int index = 1;
};

// The one expansion of URL templates. Bytes that no URL may hold (blanks, control bytes, CP932
// text) come out percent-encoded. Throws ConversionError when {list} is named and the LISTID is
// not "yyyy/mm"; a template that UrlTemplateFault refuses must not come here.
std::string ExpandUrlTemplate(std::string_view form, const UrlValues& values);
// Whether a template names the placeholder `name` (given without braces).
bool NamesPlaceholder(std::string_view form, std::string_view name);
// Why a template cannot be used, in CP932 for the user: a placeholder it does not know, or a
// scheme other than http:// or https:// (upper or lower case) at its start. Nothing when usable.
std::optional<std::string> UrlTemplateFault(std::string_view form);

// The settings file's replacements for the built-in URL forms, each keyed by the category's
// code. A replacement serves every target month: the built-in older archive does not apply.
class SourceOverrides {
public:
    struct Refusal {
        int category;
        std::string key;      // as written in the file
        std::string message;  // CP932, names the key and the reason
    };

    SourceOverrides() = default;
    // Takes the source section's keys and values in file order. A key names a category by its
    // code, in any case; unknown keys and empty values change nothing, and of two keys for one
    // category the first counts. A template UrlTemplateFault refuses is left out and remembered.
    explicit SourceOverrides(const std::vector<std::pair<std::string, std::string>>& entries);

    // The template that replaces the category's built-in form, or nullptr.
    const std::string* Find(int category) const;
    // Where the category's URL form comes from: "built-in" or "[SOURCES] code".
    std::string Origin(int category) const;
    const std::vector<Refusal>& Refused() const { return refused_; }
    // Every refusal in one text for a message box, one refusal a line; empty when none.
    std::string RefusedText() const;

private:
    std::map<int, std::string> templates_;
    std::vector<Refusal> refused_;
};

struct SourceQuery {
    int category = 0;
    std::chrono::year_month_day target{};
    int weekNumber = 0;
    std::filesystem::path dataFolder;
    std::string listId;  // "yyyy/mm": the month of the まんがの森 list number 1
    bool online = true;  // offline, the 本やタウン month is not probed
    const HostTable* hosts = nullptr;
    const SourceOverrides* sources = nullptr;  // none: the built-in forms
};

// Outcome of the 本やタウン month check: the month infix, or nothing when it failed (it has
// shown its own message).
using BookTownProbe = std::function<std::optional<std::string>()>;

// Computes the data file path and the source URL of a category and period into `dataFile` and
// `url`. The path is always set first; returns false only when the 本やタウン probe fails, in
// which case the URL keeps its previous value. A category outside 1 to 15 clears both. Throws
// ConversionError when the まんがの森 category needs a LISTID that is not "yyyy/mm".
[[nodiscard]] bool ResolveCategorySource(const SourceQuery& query, const BookTownProbe& probe,
                                         std::filesystem::path& dataFile, std::string& url);

// The まんがの森 list number of a target month.
int MangaNoMoriListNumber(const std::string& listId, std::chrono::year_month_day target);

}  // namespace yomida

#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
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

// A source URL: the path takes the target period through the placeholders {yyyy}, {mm}, {m},
// {yymm}, {yyyymm}, {week}, {listid} (the まんがの森 list number) and {probe} (what the 本やタウン
// month probe answers; empty offline).
struct UrlForm {
    bool https;
    const char* path;
    // The site's older archive, for target months whose yymm sorts before `olderBefore`.
    const char* olderPath = nullptr;
    const char* olderBefore = nullptr;
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
    bool updateCheck;  // the page's Last-Modified tells whether the stored list is current
    bool audioVisual;  // shows the audio-visual icons
};

constexpr int kCategoryCount = 15;

// All fifteen rows, in the order the tree and the search menu show them.
const std::vector<CategoryInfo>& Categories();
const std::vector<CategoryGroup>& CategoryGroups();
// Row for a category number, or nullptr outside 1 to 15.
const CategoryInfo* FindCategory(int number);

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

// Web host of each source site, overridable per site (for example "127.0.0.1:8080").
class HostTable {
public:
    HostTable();
    const std::string& Host(SourceSite site) const;
    void SetHost(SourceSite site, std::string host) { hosts_[site] = std::move(host); }
    // Takes the overrides of the settings file's host section, by key name; empty values and
    // unknown keys change nothing.
    void Override(const std::map<std::string, std::string>& byKey);

private:
    std::map<SourceSite, std::string> hosts_;
};

struct SourceQuery {
    int category = 0;
    std::chrono::year_month_day target{};
    int weekNumber = 0;
    std::filesystem::path dataFolder;
    std::string listId;  // "yyyy/mm": the month of the まんがの森 list number 1
    bool online = true;  // offline, the 本やタウン month is not probed
    const HostTable* hosts = nullptr;
};

// Outcome of the 本やタウン month check: the month infix, or nothing when it failed (it has
// shown its own message).
using BookTownProbe = std::function<std::optional<std::string>()>;

// Computes the data file path and the source URL of a category and period into `dataFile` and
// `url`. The path is always set first; returns false only when the 本やタウン probe fails, in
// which case the URL keeps its previous value. A category outside 1 to 15 clears both. Throws
// ConversionError when the まんがの森 category needs a LISTID that is not "yyyy/mm".
bool ResolveCategorySource(const SourceQuery& query, const BookTownProbe& probe,
                           std::filesystem::path& dataFile, std::string& url);

// The まんがの森 list number of a target month.
int MangaNoMoriListNumber(const std::string& listId, std::chrono::year_month_day target);

}  // namespace yomida

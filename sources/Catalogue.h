#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>

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

struct CategoryInfo {
    int number;                 // 1 to 15, as stored in the settings
    const char* code;           // names the data files
    const char* action;         // the action that selects it
    int treeNode;               // position in the category tree, in display order
    const char* designCaption;  // UTF-8
    const char* displayName;    // UTF-8; the caption after start-up
    ConverterKind converter;
    bool directFetch;  // fetched by the program itself rather than imported by hand
    SourceSite site;
    bool audioVisual;  // shows the audio-visual icons
};

constexpr int kCategoryCount = 15;

// Row for a category number, or nullptr outside 1 to 15.
const CategoryInfo* FindCategory(int number);
// Row for a tree node, or nullptr for a group node.
const CategoryInfo* FindCategoryByTreeNode(int node);
// All fifteen rows, in category number order.
const CategoryInfo (&Categories())[kCategoryCount];

// Web host of each source site, overridable per site (for example "127.0.0.1:8080").
class HostTable {
public:
    HostTable();
    const std::string& Host(SourceSite site) const;
    void SetHost(SourceSite site, std::string host) { hosts_[site] = std::move(host); }
    // The name of a site's key in the settings file's host section.
    static const char* KeyName(SourceSite site);
    static const char* SectionName() { return "HOSTS"; }

private:
    std::map<SourceSite, std::string> hosts_;
};

struct SourceQuery {
    int category = 0;
    std::chrono::year_month_day target{};
    int weekNumber = 0;
    std::filesystem::path dataFolder;
    std::string listId;     // "yyyy/mm": the month of the まんがの森 list number 1
    std::string onOffLine;  // "ON" or "OFF"
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

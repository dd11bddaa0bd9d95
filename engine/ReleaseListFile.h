#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/ComboGrid.h"
#include "engine/SearchQuery.h"
#include "platform/Collation.h"

namespace yomida {

class ScrambledWriter;

// One data file's release list in a grid: the records a query matches, loaded and ordered, and
// their ticks saved back into the file. The window's list and yomida-cli each hold one over the
// grid they show; it remembers what a save needs to tell the user's ticks from another's.
class ReleaseListFile {
public:
    explicit ReleaseListFile(ComboGrid& grid) : grid_(grid) {}
    ReleaseListFile(const ReleaseListFile&) = delete;
    ReleaseListFile& operator=(const ReleaseListFile&) = delete;

    // Reads the records of the data file that the query matches into the grid, under the header
    // line, and orders the rows by `order` (a SortOrder; any other number keeps file order).
    // Returns the number of records. A read that fails part way leaves its rows ordered and
    // throws.
    [[nodiscard]] int Load(const std::filesystem::path& dataFile, const SearchQuery& query,
                           int order);

    // Orders the record rows by a SortOrder; any other number leaves them as they are.
    void Order(int order);
    // Negative, zero or positive as row a sorts before, with or after row b under the order.
    [[nodiscard]] int CompareRows(int rowA, int rowB, int order);

    // Writes the tick of every row shown into the data file; every other byte of the file stays,
    // and the file is replaced only by a complete new one. A missing file is left alone.
    void SaveTicks(const std::filesystem::path& dataFile);

private:
    Collator& SortCollator();
    // Writes the data file's lines, ticks updated, into its new version; `written` gets the
    // flag given to each record number shown, in file order.
    void WriteCheckedLines(const std::filesystem::path& dataFile, ScrambledWriter& out,
                           std::vector<std::pair<std::string, bool>>& written);

    ComboGrid& grid_;
    std::unique_ptr<Collator> collator_;
    // The first entry of a record number counts. Plain lists: a load of a long list builds no
    // map it may never need.
    // The grid's ticks, in grid order, when the list was loaded or last saved.
    std::vector<std::pair<std::string, bool>> shownTicks_;
    // The file's flags, in file order, as they were read or last written.
    std::vector<std::pair<std::string, bool>> storedTicks_;
    // After a save, a record nobody touched keeps the flag written; after a load, the tick its
    // first row shows (so every line of a repeated number takes that row's tick).
    bool keepStored_ = false;
};

// The column's text of the ticked rows, at most `most` of them, top to bottom.
[[nodiscard]] std::vector<std::string_view> TickedCells(const ComboGrid& grid, int column,
                                                        size_t most);

}  // namespace yomida

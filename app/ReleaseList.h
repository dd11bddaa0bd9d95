#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/Controls.h"
#include "app/SearchFilter.h"
#include "engine/ComboGrid.h"
#include "engine/SearchQuery.h"
#include "platform/Clock.h"
#include "platform/Collation.h"
#include "platform/Ui.h"

namespace yomida {

class ScrambledWriter;

enum class GridKey { Left, Other };
enum class CellAlignment { Left, Center, Right };

// How the grid draws one cell.
struct CellLook {
    CellAlignment alignment = CellAlignment::Left;
    bool ticked = false;  // the row is ticked: pure green background
};

// One data file as the result grid shows it: loaded through the filter, ordered, ticked, the
// ticks saved back, exported as CSV. The main window owns one; yomida-cli uses one alone.
class ReleaseList {
public:
    // The export writes at most this many rows.
    static constexpr int kMaxExportRows = 30;

    ReleaseList(Ui& ui, const Clock& clock);

    ComboGrid ComboGrid1;  // the result grid
    SearchFilter Filter;   // the search panel's words, date range and ticked-only switch
    ComboBox CmbSort;      // the order box: 発売日順, 出版社順, タイトル順, 価格順
    int CurrentSortOrder = 0;

    // Reads the records of the data file that the query matches into the grid, under the
    // header line, and orders the rows. Returns the number of records shown.
    int Load(const std::filesystem::path& dataFile, const SearchQuery& query);

    void CmbSortChange();
    // Negative, zero or positive as row a sorts before, with or after row b.
    int CompareRows(int rowA, int rowB);

    void ComboGrid1Click();
    // Returns true when the key is swallowed.
    bool ComboGrid1KeyDown(GridKey key);
    void ComboGrid1MouseWheelDown(int linesPerNotch);
    void ComboGrid1MouseWheelUp(int linesPerNotch);
    CellLook ComboGrid1AlignCellEvent(int col, int row);

    // Writes the tick of every row shown into the data file; every other byte of the file stays.
    // A missing file is left alone.
    void SaveTicks(const std::filesystem::path& dataFile);
    // Writes the first rows as CSV lines dated in `month`, replacing `file` only when complete.
    void ExportCsv(const std::filesystem::path& file, std::chrono::year_month month);
    // Appends the column's text of every ticked row (at most 100) to a search box, comma
    // separated; with `protectSpaces` spaces become full-width so a title stays one word.
    void AppendTickedColumn(int box, int column, bool protectSpaces);

private:
    Collator& SortCollator();
    // Writes the data file's lines, ticks updated, into its new version; `written` gets the
    // flag given to each record number shown, in file order.
    void WriteCheckedLines(const std::filesystem::path& dataFile, ScrambledWriter& out,
                           std::vector<std::pair<std::string, bool>>& written);

    Ui& ui_;
    std::unique_ptr<Collator> collator_;
    // What a save needs to tell the user's ticks from another process's. The first entry of a
    // record number counts. Plain lists: a load of a long list builds no map it may never need.
    // The grid's ticks, in grid order, when the list was loaded or last saved.
    std::vector<std::pair<std::string, bool>> shownTicks_;
    // The file's flags, in file order, as they were read or last written.
    std::vector<std::pair<std::string, bool>> storedTicks_;
    // After a save, a record nobody touched keeps the flag written; after a load, the tick its
    // first row shows (so every line of a repeated number takes that row's tick).
    bool keepStored_ = false;
};

}  // namespace yomida

#pragma once

#include <chrono>
#include <filesystem>

#include "app/ComboGrid.h"
#include "app/Controls.h"
#include "app/SearchFilter.h"
#include "engine/ReleaseListFile.h"
#include "engine/SearchQuery.h"
#include "platform/Clock.h"
#include "platform/Ui.h"

namespace yomida {

enum class GridKey { Left, Other };
enum class CellAlignment { Left, Center, Right };

// How the grid draws one cell.
struct CellLook {
    CellAlignment alignment = CellAlignment::Left;
    bool ticked = false;  // the row is ticked: pure green background
};

// The result grid and the controls around it: the search panel, the order box, the grid's own
// events. The main window owns one; loading, ordering, saving the ticks and the CSV export are
// the engine's, with the hourglass shown meanwhile.
class ReleaseList {
public:
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

    // Writes the ticks changed here into the data file; every other byte of the file stays. A
    // missing file is left alone.
    [[nodiscard]] TickSave SaveTicks(const std::filesystem::path& dataFile);
    // Writes the first rows as CSV lines dated in `month`, replacing `file` only when complete.
    void ExportCsv(const std::filesystem::path& file, std::chrono::year_month month);
    // Appends the column's text of every ticked row (at most 100) to a search box, comma
    // separated; with `protectSpaces` spaces become full-width so a title stays one word.
    void AppendTickedColumn(int box, int column, bool protectSpaces);

private:
    // After an ordering chosen in the order box, the first record's publisher is current.
    void ShowFirstRecord();

    Ui& ui_;
    ReleaseListFile file_{ComboGrid1.Table()};
};

}  // namespace yomida

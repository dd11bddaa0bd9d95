#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace yomida {

// The result grid `ComboGrid1` as the logic sees it: a string grid with one fixed row (the
// column captions) and one fixed column (the record numbers). Cells may be set outside the
// current column count; they show when the grid is widened. The desktop view reads it lazily.
//
// A list holds up to a few hundred thousand rows, so each row keeps its cells in one string,
// separated by NUL bytes: one allocation per row instead of one per cell.
class ComboGrid {
public:
    static constexpr int kDefaultColWidth = 64;
    static constexpr int kFixedRows = 1;
    static constexpr int kFixedCols = 1;
    static constexpr char kCellSeparator = '\0';
    // The row of the first record, right under the captions.
    static constexpr int kFirstRecordRow = kFixedRows;

    ComboGrid();

    int RowCount() const { return static_cast<int>(rows_.size()); }
    // The rows under the captions: one per record, or the one blank row a list without records
    // keeps, so it is never less than one.
    int RecordRowCount() const { return RowCount() - kFirstRecordRow; }
    int LastRow() const { return RowCount() - 1; }
    // Rows past the new count are dropped; new rows are empty. A grid keeps at least two rows.
    void SetRowCount(int count);
    int ColCount() const { return static_cast<int>(widths_.size()); }
    // New columns take the default width; dropped columns lose theirs.
    void SetColCount(int count);

    std::string_view Cell(int col, int row) const;
    // A cell's text ends at its first NUL byte, if it has one.
    void SetCell(int col, int row, std::string_view text);
    void ClearRow(int row);
    // The header row above one blank row, as a list with no record shows.
    void KeepHeaderOnly();

    // A row read from a data file carries a tick, on or off; a row added or cleared carries
    // none until one is set. The tick is data: how it is drawn is the view's business.
    bool HasTick(int row) const { return TickAt(row) != Tick::None; }
    bool Ticked(int row) const { return TickAt(row) == Tick::On; }
    void SetTicked(int row, bool ticked);
    // A click on the check column: ticks an unticked record and unticks a ticked one.
    void ToggleTick(int row) { SetTicked(row, !Ticked(row)); }
    // Rows `first` onwards take the order given: new row first + i is old row first + order[i].
    // Each row's tick moves with it.
    void ReorderRows(int first, const std::vector<int>& order);

    // Changes with every change of size or content, so a view knows when to read again.
    uint64_t Revision() const { return revision_; }

    // The packed cells of a row, for code that fills or moves whole rows: cell texts joined by
    // kCellSeparator, trailing empty cells optional.
    std::string& RowData(int row) {
        ++revision_;
        return rows_.at(static_cast<size_t>(row));
    }
    const std::string& RowData(int row) const { return rows_.at(static_cast<size_t>(row)); }

    int ColWidth(int col) const { return widths_.at(static_cast<size_t>(col)); }
    void SetColWidth(int col, int width) { widths_.at(static_cast<size_t>(col)) = width; }
    int DefaultColWidth() const { return kDefaultColWidth; }

    // The width column 7 takes whenever a list of 8 or more columns is shown; a 7-column list
    // drops column 7 and its width with it.
    int EighthColWidth() const { return eighthColWidth_; }
    void SetEighthColWidth(int width) { eighthColWidth_ = width; }

    int Col() const { return col_; }
    int Row() const { return row_; }
    void SetCurrentCell(int col, int row);
    int TopRow() const { return topRow_; }
    void SetTopRow(int row) { topRow_ = row; }
    // Asks the view to take the input focus and show the current cell with TopRow at the top.
    void RequestFocus() { ++focusRequests_; }
    uint64_t FocusRequests() const { return focusRequests_; }

private:
    // Where each cell of a wide row starts, so that reading cell after cell of a row with a
    // million cells costs the same per cell as in a row of seven. Valid while the grid's
    // revision is the one it was built at.
    struct RowIndex {
        int row = -1;
        uint64_t revision = 0;
        std::vector<uint32_t> starts;
    };
    static constexpr int kIndexedFromCol = 16;
    static constexpr size_t kIndexedRows = 8;
    const RowIndex& IndexOf(int row) const;

    enum class Tick : unsigned char { None, Off, On };
    Tick TickAt(int row) const { return ticks_.at(static_cast<size_t>(row)); }

    std::vector<std::string> rows_;
    std::vector<Tick> ticks_;
    std::vector<int> widths_;
    int eighthColWidth_ = kDefaultColWidth;
    int col_ = 1;
    int row_ = kFirstRecordRow;
    int topRow_ = kFirstRecordRow;
    uint64_t revision_ = 0;
    uint64_t focusRequests_ = 0;
    mutable std::array<RowIndex, kIndexedRows> indexes_;
    mutable size_t nextIndex_ = 0;
};

}  // namespace yomida

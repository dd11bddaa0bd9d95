#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/Release.h"

namespace yomida {

// The result grid `ComboGrid1` as the window's logic sees it: the list's releases under the
// header line's captions (row 0, the fixed row), with the cursor, the first row shown, the
// column widths and the focus the view follows. The first column is the record numbers (the
// fixed column). A list without releases keeps one blank row under the captions. The desktop
// view reads it lazily.
class ComboGrid {
public:
    static constexpr int kDefaultColWidth = 64;
    static constexpr int kFixedRows = 1;
    static constexpr int kFixedCols = 1;
    // The row of the first release, right under the captions.
    static constexpr int kFirstRecordRow = kFixedRows;

    ComboGrid();

    // The list the grid shows; a load fills it, then Settle() makes it a grid again.
    ReleaseTable& Table() { return table_; }
    const ReleaseTable& Table() const { return table_; }
    // After the table was filled: one blank row when it holds no release, the column count
    // from the widest line, and the view told to read again.
    void Settle();
    // The releases in the order shown (the blank row of an empty list among them).
    const std::vector<Release>& Rows() const { return table_.rows; }
    // The releases were put in another order: the view reads them again.
    void Reordered() { ++revision_; }

    int RowCount() const { return static_cast<int>(table_.rows.size()) + kFirstRecordRow; }
    // The rows under the captions: one per release, or the one blank row a list without
    // releases keeps, so it is never less than one.
    int RecordRowCount() const { return static_cast<int>(table_.rows.size()); }
    int LastRow() const { return RowCount() - 1; }
    // Rows past the new count are dropped; new rows are blank. A grid keeps at least two rows.
    void SetRowCount(int count);
    int ColCount() const { return static_cast<int>(widths_.size()); }
    // New columns take the default width; dropped columns lose theirs.
    void SetColCount(int count);

    // The release of a row under the captions.
    const Release& RowAt(int row) const;
    Release& RowAt(int row);
    std::string_view Cell(int col, int row) const;
    // A cell's text ends at its first NUL byte, if it has one.
    void SetCell(int col, int row, std::string_view text);
    void ClearRow(int row);
    // The header row above one blank row, as a list with no release shows.
    void KeepHeaderOnly();

    // A row read from a data file carries a tick, on or off; a row added or cleared carries
    // none until one is set.
    bool HasTick(int row) const { return Row(row).HasTick(); }
    bool Ticked(int row) const { return Row(row).Ticked(); }
    void SetTicked(int row, bool ticked);
    // A click on the check column: ticks an unticked release and unticks a ticked one.
    void ToggleTick(int row) { SetTicked(row, !Ticked(row)); }

    // Changes with every change of size or content, so a view knows when to read again.
    uint64_t Revision() const { return revision_; }

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
    // Where each field of a wide row starts, so that reading cell after cell of a row with a
    // million fields costs the same per cell as in a row of seven. Valid while the grid's
    // revision is the one it was built at.
    struct RowIndex {
        int row = -1;
        uint64_t revision = 0;
        std::vector<uint32_t> starts;
    };
    static constexpr int kIndexedFromCol = 16;
    static constexpr size_t kIndexedRows = 8;
    const RowIndex& IndexOf(int row) const;
    const Release& Row(int row) const;

    ReleaseTable table_;
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

// A cell as the grid draws it: a row that carries a tick shows its glyph in the check column.
std::string_view ShownCell(const ComboGrid& grid, int col, int row);

}  // namespace yomida

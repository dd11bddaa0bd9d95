#include "app/ComboGrid.h"

#include <algorithm>
#include <stdexcept>

#include "sources/RecordLayout.h"
#include "text/Sjis.h"

namespace yomida {

ComboGrid::ComboGrid() : widths_(kRecordColumns, kDefaultColWidth) {
    table_.rows.resize(1);
}

void ComboGrid::Settle() {
    ++revision_;
    if (table_.rows.empty()) {
        table_.rows.resize(1);
    }
    if (table_.columns > 0) {
        SetColCount(table_.columns);
    }
    if (table_.columns > kCodeCol) {
        SetColWidth(kCodeCol, EighthColWidth());
    }
    row_ = std::min(row_, LastRow());
    topRow_ = std::min(topRow_, LastRow());
}

void ComboGrid::SetRowCount(int count) {
    ++revision_;
    table_.rows.resize(static_cast<size_t>(std::max(count, kFirstRecordRow + 1) - kFirstRecordRow));
    row_ = std::min(row_, LastRow());
    topRow_ = std::min(topRow_, LastRow());
}

void ComboGrid::SetColCount(int count) {
    ++revision_;
    widths_.resize(static_cast<size_t>(std::max(count, kFixedCols + 1)), kDefaultColWidth);
    table_.columns = ColCount();
    col_ = std::min(col_, ColCount() - 1);
}

const Release& ComboGrid::Row(int row) const {
    if (row == 0) {
        return table_.header;
    }
    return table_.rows.at(static_cast<size_t>(row - kFirstRecordRow));
}

const Release& ComboGrid::RowAt(int row) const {
    return Row(row);
}

Release& ComboGrid::RowAt(int row) {
    ++revision_;
    return row == 0 ? table_.header : table_.rows.at(static_cast<size_t>(row - kFirstRecordRow));
}

const ComboGrid::RowIndex& ComboGrid::IndexOf(int row) const {
    for (const RowIndex& index : indexes_) {
        if (index.row == row && index.revision == revision_) {
            return index;
        }
    }
    RowIndex& index = indexes_[nextIndex_];
    nextIndex_ = (nextIndex_ + 1) % indexes_.size();
    index.row = row;
    index.revision = revision_;
    index.starts.clear();
    const std::string& data = Row(row).Packed();
    index.starts.push_back(0);
    for (size_t p = data.find(Release::kSeparator); p != std::string::npos;
         p = data.find(Release::kSeparator, p + 1)) {
        index.starts.push_back(static_cast<uint32_t>(p + 1));
    }
    return index;
}

std::string_view ComboGrid::Cell(int col, int row) const {
    if (row < 0 || row >= RowCount() || col < 0) {
        return {};
    }
    const std::string& data = Row(row).Packed();
    if (col >= kIndexedFromCol && data.size() < UINT32_MAX) {
        const std::vector<uint32_t>& starts = IndexOf(row).starts;
        const auto c = static_cast<size_t>(col);
        if (c >= starts.size()) {
            return {};
        }
        const size_t end = c + 1 < starts.size() ? starts[c + 1] - 1 : data.size();
        return TrimControls(std::string_view(data).substr(starts[c], end - starts[c]));
    }
    return Row(row).Field(col);
}

void ComboGrid::SetCell(int col, int row, std::string_view text) {
    if (col < 0) {
        throw std::out_of_range("grid column");
    }
    RowAt(row).SetField(col, text);
}

void ComboGrid::ClearRow(int row) {
    RowAt(row).Clear();
}

void ComboGrid::KeepHeaderOnly() {
    SetRowCount(kFirstRecordRow + 1);
    ClearRow(kFirstRecordRow);
}

void ComboGrid::SetTicked(int row, bool ticked) {
    RowAt(row).SetTicked(ticked);
}

void ComboGrid::SetCurrentCell(int col, int row) {
    col_ = std::clamp(col, 0, ColCount() - 1);
    row_ = std::clamp(row, 0, LastRow());
}

std::string_view ShownCell(const ComboGrid& grid, int col, int row) {
    if (col == kCheckCol && row >= 0 && row < grid.RowCount()) {
        return ShownField(grid.RowAt(row), col);
    }
    return grid.Cell(col, row);
}

}  // namespace yomida

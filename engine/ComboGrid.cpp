#include "engine/ComboGrid.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "sources/RecordLayout.h"

namespace yomida {
namespace {

// Start and end of cell `col` in a packed row; start == npos when the row has fewer cells.
std::pair<size_t, size_t> CellSpan(std::string_view data, int col) {
    size_t start = 0;
    for (int c = 0; c < col; ++c) {
        size_t sep = data.find(ComboGrid::kCellSeparator, start);
        if (sep == std::string_view::npos) {
            return {std::string_view::npos, std::string_view::npos};
        }
        start = sep + 1;
    }
    size_t end = data.find(ComboGrid::kCellSeparator, start);
    return {start, end == std::string_view::npos ? data.size() : end};
}

}  // namespace

ComboGrid::ComboGrid()
    : rows_(kFirstRecordRow + 1),
      ticks_(rows_.size(), Tick::None),
      widths_(kRecordColumns, kDefaultColWidth) {}

void ComboGrid::SetRowCount(int count) {
    ++revision_;
    rows_.resize(static_cast<size_t>(std::max(count, kFirstRecordRow + 1)));
    ticks_.resize(rows_.size(), Tick::None);
    row_ = std::min(row_, LastRow());
    topRow_ = std::min(topRow_, LastRow());
}

void ComboGrid::SetColCount(int count) {
    ++revision_;
    widths_.resize(static_cast<size_t>(std::max(count, kFixedCols + 1)), kDefaultColWidth);
    col_ = std::min(col_, ColCount() - 1);
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
    const std::string& data = rows_[static_cast<size_t>(row)];
    index.starts.push_back(0);
    for (size_t p = data.find(kCellSeparator); p != std::string::npos;
         p = data.find(kCellSeparator, p + 1)) {
        index.starts.push_back(static_cast<uint32_t>(p + 1));
    }
    return index;
}

std::string_view ComboGrid::Cell(int col, int row) const {
    if (row < 0 || row >= RowCount() || col < 0) {
        return {};
    }
    std::string_view data = rows_[static_cast<size_t>(row)];
    if (col >= kIndexedFromCol && data.size() < UINT32_MAX) {
        const std::vector<uint32_t>& starts = IndexOf(row).starts;
        const auto c = static_cast<size_t>(col);
        if (c >= starts.size()) {
            return {};
        }
        const size_t end = c + 1 < starts.size() ? starts[c + 1] - 1 : data.size();
        return data.substr(starts[c], end - starts[c]);
    }
    auto [start, end] = CellSpan(data, col);
    return start == std::string_view::npos ? std::string_view{} : data.substr(start, end - start);
}

void ComboGrid::SetCell(int col, int row, std::string_view text) {
    if (col < 0) {
        throw std::out_of_range("grid column");
    }
    text = text.substr(0, text.find(kCellSeparator));
    std::string& data = RowData(row);
    auto [start, end] = CellSpan(data, col);
    if (start == std::string::npos) {
        // Pad with empty cells up to the one being set.
        size_t cells = data.empty() ? 0 : std::count(data.begin(), data.end(), kCellSeparator) + 1;
        if (cells == 0) {
            cells = 1;  // an empty row reads as one empty cell
        }
        data.append(static_cast<size_t>(col) + 1 - cells, kCellSeparator);
        data.append(text);
        return;
    }
    data.replace(start, end - start, text);
}

void ComboGrid::ClearRow(int row) {
    RowData(row).clear();
    ticks_[static_cast<size_t>(row)] = Tick::None;
}

void ComboGrid::KeepHeaderOnly() {
    SetRowCount(kFirstRecordRow + 1);
    ClearRow(kFirstRecordRow);
}

void ComboGrid::SetTicked(int row, bool ticked) {
    ++revision_;
    ticks_.at(static_cast<size_t>(row)) = ticked ? Tick::On : Tick::Off;
}

void ComboGrid::ReorderRows(int first, const std::vector<int>& order) {
    ++revision_;
    std::vector<std::string> rows(order.size());
    std::vector<Tick> ticks(order.size());
    for (size_t i = 0; i < order.size(); ++i) {
        const size_t from = static_cast<size_t>(first + order[i]);
        rows[i] = std::move(rows_.at(from));
        ticks[i] = ticks_.at(from);
    }
    std::move(rows.begin(), rows.end(), rows_.begin() + first);
    std::copy(ticks.begin(), ticks.end(), ticks_.begin() + first);
}

void ComboGrid::SetCurrentCell(int col, int row) {
    col_ = std::clamp(col, 0, ColCount() - 1);
    row_ = std::clamp(row, 0, LastRow());
}

}  // namespace yomida

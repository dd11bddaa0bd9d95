#include "app/ReleaseList.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "engine/CsvExport.h"
#include "platform/FileSystem.h"
#include "sources/RecordLayout.h"
#include "text/Sjis.h"
#include "text/SjisLiteral.h"

namespace yomida {
namespace {

constexpr size_t kMaxCopiedRows = 100;

}  // namespace

ReleaseList::ReleaseList(Ui& ui, const Clock& clock) : Filter(clock), ui_(ui) {
    CmbSort.items = {"発売日順"_sj, "出版社順"_sj, "タイトル順"_sj, "価格順"_sj};
}

int ReleaseList::Load(const std::filesystem::path& dataFile, const SearchQuery& query) {
    HourglassCursor hourglass(ui_);
    const int order = CmbSort.itemIndex;
    if (order >= 0) {
        CurrentSortOrder = order;
    }
    int count = 0;
    try {
        count = file_.Load(dataFile, query, order);
    } catch (...) {
        // What was read before the failure is shown as a finished load would be.
        ComboGrid1.Settle();
        ShowFirstRecord();
        throw;
    }
    ComboGrid1.Settle();
    ShowFirstRecord();
    return count;
}

void ReleaseList::ShowFirstRecord() {
    if (CmbSort.itemIndex < 0) {
        return;
    }
    ComboGrid1.SetCurrentCell(kPublisherCol, ComboGrid::kFirstRecordRow);
    ComboGrid1.SetTopRow(ComboGrid::kFirstRecordRow);
    ComboGrid1.RequestFocus();
}

void ReleaseList::CmbSortChange() {
    if (CmbSort.itemIndex < 0) {
        return;
    }
    CurrentSortOrder = CmbSort.itemIndex;
    file_.Order(CurrentSortOrder);
    ComboGrid1.Reordered();
    ShowFirstRecord();
}

int ReleaseList::CompareRows(int rowA, int rowB) {
    const auto index = [](int row) {
        return static_cast<size_t>(row - ComboGrid::kFirstRecordRow);
    };
    return file_.CompareRows(index(rowA), index(rowB), CurrentSortOrder);
}

void ReleaseList::ComboGrid1Click() {
    const int row = ComboGrid1.Row();
    if (ComboGrid1.Col() != kCheckCol || row < ComboGrid::kFirstRecordRow) {
        return;
    }
    ComboGrid1.ToggleTick(row);
    ComboGrid1.SetCurrentCell(kPublisherCol, row);
}

bool ReleaseList::ComboGrid1KeyDown(GridKey key) {
    // The arrow keys never reach the check column; ticks are made by clicking.
    return key == GridKey::Left && ComboGrid1.Col() == kPublisherCol;
}

void ReleaseList::ComboGrid1MouseWheelDown(int linesPerNotch) {
    const int last = ComboGrid1.LastRow();
    ComboGrid1.SetTopRow(std::min(ComboGrid1.TopRow() + linesPerNotch, last));
    ComboGrid1.SetCurrentCell(ComboGrid1.Col(), std::min(ComboGrid1.Row() + linesPerNotch, last));
}

void ReleaseList::ComboGrid1MouseWheelUp(int linesPerNotch) {
    const int first = ComboGrid::kFirstRecordRow;
    if (linesPerNotch < ComboGrid1.TopRow()) {
        ComboGrid1.SetTopRow(ComboGrid1.TopRow() - linesPerNotch);
        ComboGrid1.SetCurrentCell(ComboGrid1.Col(),
                                  std::max(ComboGrid1.Row() - linesPerNotch, first));
    } else {
        ComboGrid1.SetTopRow(first);
        ComboGrid1.SetCurrentCell(ComboGrid1.Col(), std::max(ComboGrid1.Row() - 1, first));
    }
}

CellLook ReleaseList::ComboGrid1AlignCellEvent(int col, int row) {
    if (ComboGrid1.ColCount() > kCodeCol &&
        ComboGrid1.ColWidth(kCodeCol) != ComboGrid1.DefaultColWidth()) {
        ComboGrid1.SetEighthColWidth(ComboGrid1.ColWidth(kCodeCol));
    }
    CellLook look;
    if (row < ComboGrid::kFixedRows || col < ComboGrid::kFixedCols) {
        look.alignment = CellAlignment::Center;
        return look;
    }
    look.ticked = ComboGrid1.Ticked(row);
    look.alignment = (col == kCheckCol || col == kDateCol) ? CellAlignment::Center
                     : col == kPriceCol                    ? CellAlignment::Right
                                                           : CellAlignment::Left;
    return look;
}

TickSave ReleaseList::SaveTicks(const std::filesystem::path& dataFile) {
    if (!FileExists(dataFile)) {
        return {};
    }
    HourglassCursor hourglass(ui_);
    TickSave saved = file_.SaveTicks(dataFile);
    ComboGrid1.Reordered();
    return saved;
}

void ReleaseList::ExportCsv(const std::filesystem::path& file, std::chrono::year_month month) {
    HourglassCursor hourglass(ui_);
    yomida::ExportCsv(ComboGrid1.Rows(), file, month);
}

void ReleaseList::AppendTickedColumn(int box, int column, bool protectSpaces) {
    std::string text = Filter.SearchBox(box).text;
    for (const std::string_view cell : TickedFields(ComboGrid1.Rows(), column, kMaxCopiedRows)) {
        if (!text.empty()) {
            text += ',';
        }
        text += cell;
    }
    Filter.SearchBox(box).text = protectSpaces ? ReplaceAllSjis(text, " ", "　"_sj) : text;
}

}  // namespace yomida

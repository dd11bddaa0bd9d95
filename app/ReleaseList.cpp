#include "app/ReleaseList.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/ReleaseRecord.h"
#include "engine/ReleaseRecordReader.h"
#include "engine/ResultOrder.h"
#include "platform/FileReplacement.h"
#include "platform/FileSystem.h"
#include "sources/RecordLayout.h"
#include "text/CommaText.h"
#include "text/Dates.h"
#include "text/NormaliseWidth.h"
#include "text/ScrambledFile.h"
#include "text/Sjis.h"
#include "text/SjisLiteral.h"

namespace yomida {
namespace {

constexpr size_t kMaxCopiedRows = 100;

// Hides a half-width space from the comma split; it is never part of a double-byte character.
constexpr char kSpaceStandIn = '\x7F';

// A load fills the grid's rows in file order from row 0, so the header line, read first, takes
// the fixed row; `kept` counts the rows filled and `widest` gets the most fields of any of them.
void ReadLinesIntoGrid(ReleaseRecordReader& file, const SearchQuery& query, ComboGrid& grid,
                       int& kept, int& widest) {
    std::string scratch;
    std::string rowData;
    std::vector<std::string> fields;
    while (file.Next(fields)) {
        // The header line is shown whatever the query says.
        if (!ReleaseRecordReader::IsHeader(fields) && !query.Matches(fields)) {
            continue;
        }
        rowData.clear();
        for (size_t i = 0; i < fields.size(); ++i) {
            if (i > 0) {
                rowData += ComboGrid::kCellSeparator;
            }
            if (i != kCheckCol) {  // the tick is kept apart from the texts
                AppendCellText(fields[i], scratch, rowData);
            }
        }
        if (kept >= grid.RowCount()) {
            grid.SetRowCount(kept + 1);
        }
        grid.RowData(kept) = rowData;
        grid.SetTicked(kept, StoredFlagTicked(fields[kCheckCol]));
        ++kept;
        widest = std::max(widest, static_cast<int>(fields.size()));
    }
}

// Settles the rows of a finished load: a list with no record keeps the header row above one
// blank row. Returns the number of records.
int SettleRows(ComboGrid& grid, int kept) {
    const int records = kept - ComboGrid::kFixedRows;
    if (records > 0) {
        grid.SetRowCount(kept);
        return records;
    }
    grid.KeepHeaderOnly();
    return 0;
}

// Splits a stored line at commas only: a half-width space inside a field does not cut it.
// Spaces are hidden from the split behind DEL, and a DEL already in the line is doubled, so
// every byte of every field comes back as it was.
void SplitStoredLine(const std::string& line, std::string& scratch,
                     std::vector<std::string>& fields) {
    scratch.clear();
    for (size_t i = 0; i < line.size();) {
        const size_t n = CharLength(line, i);
        if (line[i] == ' ') {
            scratch += kSpaceStandIn;
            scratch += '_';
        } else if (line[i] == kSpaceStandIn) {
            scratch += kSpaceStandIn;
            scratch += kSpaceStandIn;
        } else {
            scratch.append(line, i, n);
        }
        i += n;
    }
    SplitCommaText(scratch, fields);
    for (std::string& f : fields) {
        if (f.find(kSpaceStandIn) == std::string::npos) {
            continue;
        }
        std::string restored;
        for (size_t i = 0; i < f.size(); ++i) {
            if (f[i] == kSpaceStandIn && i + 1 < f.size()) {
                restored += f[i + 1] == '_' ? ' ' : kSpaceStandIn;
                ++i;
            } else {
                restored += f[i];
            }
        }
        f = std::move(restored);
    }
}

// The record number as the grid shows it after loading, so a stored number with blanks or
// full-width digits still finds its row.
const std::string& ShownNumber(std::string_view field, std::string& plain, std::string& scratch,
                               std::string& shown) {
    NormaliseWidthInto(field, plain);
    shown.clear();
    AppendCellText(plain, scratch, shown);
    return shown;
}

// Appends a rebuilt field. The split would cut a field at a comma or a control byte and strip
// its quotes, so such a field goes back in quotes; a space is kept apart from the split by the
// reader. Neither kind of byte can be the second byte of a double-byte character.
void AppendField(std::string_view field, bool quote, std::string& line) {
    quote = quote || std::any_of(field.begin(), field.end(), [](char c) {
                return c == ',' || c == '"' || (c > '\0' && c < ' ');
            });
    if (quote) {
        AppendQuoted(field, line);
    } else {
        line += field;
    }
}

// The tick of every row in the grid's present order.
void NoteTicks(const ComboGrid& grid, std::vector<std::pair<std::string, bool>>& ticks) {
    ticks.clear();
    ticks.reserve(static_cast<size_t>(grid.RowCount()));
    for (int r = ComboGrid::kFixedRows; r < grid.RowCount(); ++r) {
        ticks.emplace_back(grid.Cell(kNumberCol, r), grid.Ticked(r));
    }
}

// The first tick noted for each record number.
std::unordered_map<std::string_view, bool> FirstTicks(
    const std::vector<std::pair<std::string, bool>>& ticks) {
    std::unordered_map<std::string_view, bool> first;
    first.reserve(ticks.size());
    for (const auto& [number, tick] : ticks) {
        first.emplace(number, tick);
    }
    return first;
}

// The first grid row of each record number, the one whose tick counts.
std::unordered_map<std::string, int> FirstRowOfNumber(const ComboGrid& grid) {
    std::unordered_map<std::string, int> rowOf;
    for (int r = ComboGrid::kFixedRows; r < grid.RowCount(); ++r) {
        rowOf.emplace(std::string(grid.Cell(kNumberCol, r)), r);
    }
    return rowOf;
}

// Puts a stored line back together with only its flag changed, so a save touches no other field.
void RebuildWithTick(const std::vector<std::string>& fields, bool tick, std::string& rebuilt) {
    rebuilt.clear();
    AppendField(fields[kNumberCol], false, rebuilt);
    rebuilt += ',';
    rebuilt += StoredFlag(tick);
    for (size_t i = kPublisherCol; i < fields.size(); ++i) {
        rebuilt += ',';
        AppendField(fields[i], i == kTitleCol, rebuilt);
    }
}

}  // namespace

ReleaseList::ReleaseList(Ui& ui, const Clock& clock) : Filter(clock), ui_(ui) {
    CmbSort.items = {"発売日順"_sj, "出版社順"_sj, "タイトル順"_sj, "価格順"_sj};
}

int ReleaseList::Load(const std::filesystem::path& dataFile, const SearchQuery& query) {
    HourglassCursor hourglass(ui_);
    ReleaseRecordReader file(dataFile);
    ComboGrid1.SetRowCount(ComboGrid::kFixedRows + 1);
    int kept = 0;
    int widest = 0;

    int count = 0;
    try {
        ReadLinesIntoGrid(file, query, ComboGrid1, kept, widest);
        count = SettleRows(ComboGrid1, kept);
        if (widest > 0) {
            ComboGrid1.SetColCount(widest);
        }
        if (widest > kCodeCol) {
            ComboGrid1.SetColWidth(kCodeCol, ComboGrid1.EighthColWidth());
        }
    } catch (...) {
        file.Close();
        shownTicks_.clear();
        storedTicks_.clear();
        CmbSortChange();
        throw;
    }
    file.Close();
    // Still in file order, so the first entry of a repeated number is its first line.
    NoteTicks(ComboGrid1, storedTicks_);
    CmbSortChange();
    NoteTicks(ComboGrid1, shownTicks_);
    keepStored_ = false;
    return count;
}

Collator& ReleaseList::SortCollator() {
    if (!collator_) {
        collator_ = std::make_unique<Collator>("ja");
    }
    return *collator_;
}

void ReleaseList::CmbSortChange() {
    if (CmbSort.itemIndex < 0) {
        return;
    }
    CurrentSortOrder = CmbSort.itemIndex;
    OrderRows(ComboGrid1, CurrentSortOrder, SortCollator());
    ComboGrid1.SetCurrentCell(kPublisherCol, 1);
    ComboGrid1.SetTopRow(1);
    ComboGrid1.RequestFocus();
}

int ReleaseList::CompareRows(int rowA, int rowB) {
    std::string a;
    std::string b;
    AppendRowKey(ComboGrid1, rowA, CurrentSortOrder, SortCollator(), a);
    AppendRowKey(ComboGrid1, rowB, CurrentSortOrder, SortCollator(), b);
    const int c = a.compare(b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

void ReleaseList::ComboGrid1Click() {
    const int row = ComboGrid1.Row();
    if (ComboGrid1.Col() != kCheckCol || row < ComboGrid::kFixedRows) {
        return;
    }
    ComboGrid1.SetTicked(row, !ComboGrid1.Ticked(row));
    ComboGrid1.SetCurrentCell(kPublisherCol, row);
}

bool ReleaseList::ComboGrid1KeyDown(GridKey key) {
    // The arrow keys never reach the check column; ticks are made by clicking.
    return key == GridKey::Left && ComboGrid1.Col() == kPublisherCol;
}

void ReleaseList::ComboGrid1MouseWheelDown(int linesPerNotch) {
    const int last = ComboGrid1.RowCount() - 1;
    ComboGrid1.SetTopRow(std::min(ComboGrid1.TopRow() + linesPerNotch, last));
    ComboGrid1.SetCurrentCell(ComboGrid1.Col(), std::min(ComboGrid1.Row() + linesPerNotch, last));
}

void ReleaseList::ComboGrid1MouseWheelUp(int linesPerNotch) {
    if (linesPerNotch < ComboGrid1.TopRow()) {
        ComboGrid1.SetTopRow(ComboGrid1.TopRow() - linesPerNotch);
        ComboGrid1.SetCurrentCell(ComboGrid1.Col(), std::max(ComboGrid1.Row() - linesPerNotch, 1));
    } else {
        ComboGrid1.SetTopRow(1);
        ComboGrid1.SetCurrentCell(ComboGrid1.Col(), std::max(ComboGrid1.Row() - 1, 1));
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

void ReleaseList::WriteCheckedLines(const std::filesystem::path& dataFile, ScrambledWriter& out,
                                    std::vector<std::pair<std::string, bool>>& written) {
    const std::unordered_map<std::string, int> rowOf = FirstRowOfNumber(ComboGrid1);
    const auto shownBefore = FirstTicks(shownTicks_);
    const auto storedBefore = FirstTicks(storedTicks_);
    // The tick each record number gets, settled at its first line so every line of it agrees.
    std::unordered_map<std::string_view, bool> settled;
    auto tickFor = [&](const std::string& number, int row, bool storedNow) {
        const bool shownNow = ComboGrid1.Ticked(row);
        const auto shown = shownBefore.find(number);
        if (shown == shownBefore.end() || shown->second != shownNow) {
            return shownNow;  // the user's own tick
        }
        const auto stored = storedBefore.find(number);
        if (stored == storedBefore.end() || stored->second != storedNow) {
            return storedNow;  // another process saved this record meanwhile
        }
        return keepStored_ ? storedNow : shownNow;
    };

    written.clear();
    ScrambledReader in(dataFile);
    std::string line;
    std::string scratch;
    std::string plain;
    std::string shown;
    std::string rebuilt;
    std::vector<std::string> fields;
    bool header = true;
    while (in.ReadLine(line)) {
        if (header) {
            header = false;
            out.WriteLine(line);
            continue;
        }
        SplitStoredLine(line, scratch, fields);
        auto found = fields.empty()
                         ? rowOf.end()
                         : rowOf.find(ShownNumber(fields[kNumberCol], plain, scratch, shown));
        if (found == rowOf.end()) {
            out.WriteLine(line);
            continue;
        }
        auto [tick, first] = settled.try_emplace(found->first);
        if (first) {
            const bool stored = fields.size() > kCheckCol && StoredFlagTicked(fields[kCheckCol]);
            tick->second = tickFor(found->first, found->second, stored);
            written.emplace_back(found->first, tick->second);
        }
        RebuildWithTick(fields, tick->second, rebuilt);
        out.WriteLine(rebuilt);
    }
}

void ReleaseList::SaveTicks(const std::filesystem::path& dataFile) {
    if (!FileExists(dataFile)) {
        return;
    }
    HourglassCursor hourglass(ui_);
    // The replacement holds the file's lock, so the lines read below are the latest saved ones
    // and no other writer's save is lost between the read and the rename.
    FileReplacement out(dataFile);
    ScrambledWriter writer(out.Writer(), dataFile);
    std::vector<std::pair<std::string, bool>> written;
    WriteCheckedLines(dataFile, writer, written);
    out.Commit();
    storedTicks_ = std::move(written);
    NoteTicks(ComboGrid1, shownTicks_);
    keepStored_ = true;
}

void ReleaseList::ExportCsv(const std::filesystem::path& file, std::chrono::year_month month) {
    HourglassCursor hourglass(ui_);
    const std::string prefix = MonthPrefix(month);
    const int rows = std::min(ComboGrid1.RowCount() - 1, kMaxExportRows);

    // An existing file keeps its content until the new one is complete.
    FileReplacement out(file);
    std::string line;
    for (int r = 1; r <= rows; ++r) {
        auto cell = [&](int col) { return ComboGrid1.Cell(col, r); };
        line = prefix;
        line += cell(kDateCol);
        line += ",\"";
        line += cell(kTitleCol);
        line += "\",";
        line += cell(kPriceCol);
        line += ",\"";
        line += cell(kAuthorCol);
        line += "\",\"";
        line += cell(kPublisherCol);
        line += '"';
        out.Writer().WriteLine(line);
    }
    out.Commit();
}

void ReleaseList::AppendTickedColumn(int box, int column, bool protectSpaces) {
    std::string text = Filter.SearchBox(box).text;
    size_t added = 0;
    for (int r = 1; r < ComboGrid1.RowCount() && added < kMaxCopiedRows; ++r) {
        if (!ComboGrid1.Ticked(r)) {
            continue;
        }
        if (!text.empty()) {
            text += ',';
        }
        text += ComboGrid1.Cell(column, r);
        ++added;
    }
    Filter.SearchBox(box).text = protectSpaces ? ReplaceAllSjis(text, " ", "　"_sj) : text;
}

}  // namespace yomida

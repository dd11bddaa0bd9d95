#include "engine/ReleaseListFile.h"

#include <algorithm>
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
#include "text/NormaliseWidth.h"
#include "text/ScrambledFile.h"
#include "text/Sjis.h"

namespace yomida {
namespace {

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
    const int records = kept - ComboGrid::kFirstRecordRow;
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
    ticks.reserve(static_cast<size_t>(grid.RecordRowCount()));
    for (int r = ComboGrid::kFirstRecordRow; r < grid.RowCount(); ++r) {
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
    for (int r = ComboGrid::kFirstRecordRow; r < grid.RowCount(); ++r) {
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

int ReleaseListFile::Load(const std::filesystem::path& dataFile, const SearchQuery& query,
                          int order) {
    ReleaseRecordReader file(dataFile);
    grid_.SetRowCount(ComboGrid::kFirstRecordRow + 1);
    int kept = 0;
    int widest = 0;

    int count = 0;
    try {
        ReadLinesIntoGrid(file, query, grid_, kept, widest);
        count = SettleRows(grid_, kept);
        if (widest > 0) {
            grid_.SetColCount(widest);
        }
        if (widest > kCodeCol) {
            grid_.SetColWidth(kCodeCol, grid_.EighthColWidth());
        }
    } catch (...) {
        file.Close();
        shownTicks_.clear();
        storedTicks_.clear();
        Order(order);
        throw;
    }
    file.Close();
    // Still in file order, so the first entry of a repeated number is its first line.
    NoteTicks(grid_, storedTicks_);
    Order(order);
    NoteTicks(grid_, shownTicks_);
    keepStored_ = false;
    return count;
}

Collator& ReleaseListFile::SortCollator() {
    if (!collator_) {
        collator_ = std::make_unique<Collator>("ja");
    }
    return *collator_;
}

void ReleaseListFile::Order(int order) {
    if (order < kByDate || order > kByPrice) {
        return;
    }
    OrderRows(grid_, order, SortCollator());
}

int ReleaseListFile::CompareRows(int rowA, int rowB, int order) {
    std::string a;
    std::string b;
    AppendRowKey(grid_, rowA, order, SortCollator(), a);
    AppendRowKey(grid_, rowB, order, SortCollator(), b);
    const int c = a.compare(b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

void ReleaseListFile::WriteCheckedLines(const std::filesystem::path& dataFile, ScrambledWriter& out,
                                        std::vector<std::pair<std::string, bool>>& written) {
    const std::unordered_map<std::string, int> rowOf = FirstRowOfNumber(grid_);
    const auto shownBefore = FirstTicks(shownTicks_);
    const auto storedBefore = FirstTicks(storedTicks_);
    // The tick each record number gets, settled at its first line so every line of it agrees.
    std::unordered_map<std::string_view, bool> settled;
    auto tickFor = [&](const std::string& number, int row, bool storedNow) {
        const bool shownNow = grid_.Ticked(row);
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

void ReleaseListFile::SaveTicks(const std::filesystem::path& dataFile) {
    if (!FileExists(dataFile)) {
        return;
    }
    // The replacement holds the file's lock, so the lines read below are the latest saved ones
    // and no other writer's save is lost between the read and the rename.
    FileReplacement out(dataFile);
    ScrambledWriter writer(out.Writer(), dataFile);
    std::vector<std::pair<std::string, bool>> written;
    WriteCheckedLines(dataFile, writer, written);
    out.Commit();
    storedTicks_ = std::move(written);
    NoteTicks(grid_, shownTicks_);
    keepStored_ = true;
}

std::vector<std::string_view> TickedCells(const ComboGrid& grid, int column, size_t most) {
    std::vector<std::string_view> cells;
    for (int r = ComboGrid::kFirstRecordRow; r < grid.RowCount() && cells.size() < most; ++r) {
        if (grid.Ticked(r)) {
            cells.push_back(grid.Cell(column, r));
        }
    }
    return cells;
}

}  // namespace yomida

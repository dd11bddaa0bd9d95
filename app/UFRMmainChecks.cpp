#include <algorithm>
#include <string>
#include <unordered_map>
#include <vector>

#include "app/ResultOrder.h"
#include "app/UFRMmain.h"
#include "platform/FileReplacement.h"
#include "platform/FileSystem.h"
#include "platform/TextFile.h"
#include "text/CommaText.h"
#include "text/Sjis.h"
#include "text/SjisLiteral.h"

namespace yomida {
namespace {

constexpr int kCheckCol = 1;
constexpr int kPublisherCol = 2;

// Stands in for a half-width space while a stored line is split, so the split cuts at commas
// only and every byte of a field comes back as it was; printable text never holds DEL.
constexpr char kSpaceStandIn = '\x7F';

void SplitStoredLine(const std::string& line, std::string& scratch,
                     std::vector<std::string>& fields) {
    scratch.assign(line);
    for (size_t i = 0; i < scratch.size(); i += CharLength(scratch, i)) {
        if (scratch[i] == ' ') {
            scratch[i] = kSpaceStandIn;
        }
    }
    SplitCommaText(scratch, fields);
    for (std::string& f : fields) {
        std::replace(f.begin(), f.end(), kSpaceStandIn, ' ');
    }
}

// A field in double quotes; quotes inside it are doubled, so the title reads back whole.
void AppendQuoted(std::string_view field, std::string& line) {
    line += '"';
    for (char c : field) {
        line += c;
        if (c == '"') {
            line += '"';
        }
    }
    line += '"';
}

}  // namespace

Collator& TFRMmain::SortCollator() {
    if (!collator_) {
        collator_ = std::make_unique<Collator>("ja");
    }
    return *collator_;
}

void TFRMmain::CmbSortChange() {
    if (CmbSort.itemIndex < 0) {
        return;
    }
    CurrentSortOrder = CmbSort.itemIndex;
    OrderRows(ComboGrid1, CurrentSortOrder, SortCollator());
    ComboGrid1.SetCurrentCell(kPublisherCol, 1);
    ComboGrid1.SetTopRow(1);
    ComboGrid1.RequestFocus();
}

int TFRMmain::CompareRows(int rowA, int rowB) {
    std::string a;
    std::string b;
    AppendRowKey(ComboGrid1, rowA, CurrentSortOrder, SortCollator(), a);
    AppendRowKey(ComboGrid1, rowB, CurrentSortOrder, SortCollator(), b);
    const int c = a.compare(b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

void TFRMmain::ComboGrid1Click() {
    const int row = ComboGrid1.Row();
    if (ComboGrid1.Col() != kCheckCol || row < ComboGrid::kFixedRows) {
        return;
    }
    const bool ticked = ComboGrid1.Cell(kCheckCol, row) == "■"_sj;
    ComboGrid1.SetCell(kCheckCol, row, ticked ? "□"_sj : "■"_sj);
    ComboGrid1.SetCurrentCell(kPublisherCol, row);
}

bool TFRMmain::ComboGrid1KeyDown(GridKey key) {
    // The arrow keys never reach the check column; ticks are made by clicking.
    return key == GridKey::Left && ComboGrid1.Col() == kPublisherCol;
}

void TFRMmain::ComboGrid1MouseWheelDown(int linesPerNotch) {
    const int last = ComboGrid1.RowCount() - 1;
    ComboGrid1.SetTopRow(std::min(ComboGrid1.TopRow() + linesPerNotch, last));
    ComboGrid1.SetCurrentCell(ComboGrid1.Col(), std::min(ComboGrid1.Row() + linesPerNotch, last));
}

void TFRMmain::ComboGrid1MouseWheelUp(int linesPerNotch) {
    if (linesPerNotch < ComboGrid1.TopRow()) {
        ComboGrid1.SetTopRow(ComboGrid1.TopRow() - linesPerNotch);
        ComboGrid1.SetCurrentCell(ComboGrid1.Col(), std::max(ComboGrid1.Row() - linesPerNotch, 1));
    } else {
        ComboGrid1.SetTopRow(1);
        ComboGrid1.SetCurrentCell(ComboGrid1.Col(), std::max(ComboGrid1.Row() - 1, 1));
    }
}

CellLook TFRMmain::ComboGrid1AlignCellEvent(int col, int row) {
    if (ComboGrid1.ColCount() >= 8 && ComboGrid1.ColWidth(7) != ComboGrid1.DefaultColWidth()) {
        ComboGrid1.SetEighthColWidth(ComboGrid1.ColWidth(7));
    }
    CellLook look;
    if (row < ComboGrid::kFixedRows || col < ComboGrid::kFixedCols) {
        look.alignment = CellAlignment::Center;
        return look;
    }
    look.ticked = ComboGrid1.Cell(kCheckCol, row) == "■"_sj;
    look.alignment = (col == kCheckCol || col == 3) ? CellAlignment::Center
                     : col == 6                     ? CellAlignment::Right
                                                    : CellAlignment::Left;
    return look;
}

void TFRMmain::WriteCheckedLines(const std::filesystem::path& plainFile) {
    // The first row of each record number is the one whose tick counts.
    std::unordered_map<std::string, int> rowOf;
    for (int r = ComboGrid::kFixedRows; r < ComboGrid1.RowCount(); ++r) {
        rowOf.emplace(std::string(ComboGrid1.Cell(0, r)), r);
    }
    const std::string& ticked = "■"_sj;
    TextFileReader in(DataFilePath);
    TextFileWriter out(plainFile);
    scrambler_.ResetScramble();
    std::string line;
    std::string scratch;
    std::string rebuilt;
    std::vector<std::string> fields;
    bool header = true;
    while (in.ReadLine(line)) {
        scrambler_.ScrambleLineInPlace(line);
        if (header) {
            header = false;
            out.WriteLine(line);
            continue;
        }
        SplitStoredLine(line, scratch, fields);
        auto found = fields.empty() ? rowOf.end() : rowOf.find(fields[0]);
        if (found == rowOf.end()) {
            out.WriteLine(line);
            continue;
        }
        rebuilt = fields[0];
        rebuilt += ComboGrid1.Cell(kCheckCol, found->second) == ticked ? ",1" : ",0";
        for (size_t i = 2; i < fields.size(); ++i) {
            rebuilt += ',';
            if (i == 4) {
                AppendQuoted(fields[i], rebuilt);
            } else {
                rebuilt += fields[i];
            }
        }
        out.WriteLine(rebuilt);
    }
    out.Close();
}

void TFRMmain::CheckSaveExecute() {
    if (!FileExists(DataFilePath)) {
        return;
    }
    HourglassCursor hourglass(ui_);
    const std::filesystem::path plainFile = Settings.dataFolder / "newfiles.$$$";
    struct RemovePlain {
        const std::filesystem::path& path;
        ~RemovePlain() { DeleteFile(path); }
    } removePlain{plainFile};

    WriteCheckedLines(plainFile);

    // The data file is replaced only once its new version is complete.
    TextFileReader in(plainFile);
    FileReplacement out(DataFilePath);
    scrambler_.ResetScramble();
    std::string line;
    while (in.ReadLine(line)) {
        scrambler_.ScrambleLineInPlace(line);
        out.Writer().WriteLine(line);
    }
    in.Close();
    out.Commit();
}

}  // namespace yomida

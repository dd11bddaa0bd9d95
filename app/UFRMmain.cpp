#include "app/UFRMmain.h"

#include <string>
#include <vector>

#include "platform/TextFile.h"
#include "text/CommaText.h"
#include "text/NormaliseWidth.h"
#include "text/Sjis.h"
#include "text/SjisLiteral.h"

namespace yomida {
namespace {

// Appends a field as the grid shows it: full-width spaces as half-width ones, no blanks at
// either end.
void AppendCellText(std::string_view field, std::string& scratch, std::string& row) {
    scratch.clear();
    ReplaceAllSjisInto(field, "　"_sj, " ", scratch);
    row.append(TrimControls(scratch));
}

}  // namespace

TFRMmain::TFRMmain(Ui& ui, Scrambler& scrambler, const Clock& clock)
    : SearchFilter(clock), ui_(ui), scrambler_(scrambler) {
    ComboGrid1.SetColWidth(0, 0);  // record numbers stay hidden until the user widens column 0
}

void TFRMmain::ReadLinesIntoGrid(TextFileReader& file, int& widest) {
    const std::string& fullWidthSpace = "　"_sj;
    const std::string& ticked = "■"_sj;
    const std::string& unticked = "□"_sj;
    std::string line;
    std::string plain;
    std::string spaced;
    std::string scratch;
    std::string rowData;
    std::vector<std::string> fields;
    while (file.ReadLine(line)) {
        scrambler_.ScrambleLineInPlace(line);
        NormaliseWidthInto(line, plain);
        // Protect spaces so the split cuts at commas only.
        spaced.clear();
        ReplaceAllSjisInto(plain, " ", fullWidthSpace, spaced);
        SplitCommaText(spaced, fields);
        if (fields.size() >= 2 && fields[1] == "No") {
            fields.erase(fields.begin());  // drop the update stamp in front of the header
        }
        if (fields.size() < 2) {
            continue;  // never written by the program; nothing to show
        }
        if (fields[0] != "No" && !RecordMatches(fields)) {
            continue;
        }
        rowData.clear();
        for (size_t i = 0; i < fields.size(); ++i) {
            if (i > 0) {
                rowData += ComboGrid::kCellSeparator;
            }
            if (i == 1) {
                rowData += fields[i] == "1" ? ticked : unticked;
            } else {
                AppendCellText(fields[i], scratch, rowData);
            }
        }
        ComboGrid1.SetRowCount(ComboGrid1.RowCount() + 1);
        ComboGrid1.RowData(ComboGrid1.RowCount() - 3) = rowData;
        widest = std::max(widest, static_cast<int>(fields.size()));
    }
}

void TFRMmain::LoadReleaseList() {
    HourglassCursor hourglass(ui_);
    TextFileReader file(DataFilePath);
    ComboGrid1.SetRowCount(2);
    int widest = 0;

    for (int box = 1; box <= 3; ++box) {
        PushSearchHistory(box);
    }
    BuildWordLists();
    scrambler_.ResetScramble();

    try {
        ReadLinesIntoGrid(file, widest);
        const int rows = ComboGrid1.RowCount();
        if (rows > 3) {
            ComboGrid1.SetRowCount(rows - 2);
            StBar.panels[1].text = std::to_string(rows - 3) + "件"_sj;
        } else {
            ComboGrid1.SetRowCount(2);
            ComboGrid1.ClearRow(1);
            StBar.panels[1].text = "0件"_sj;
        }
        if (widest > 0) {
            ComboGrid1.SetColCount(widest);
        }
        if (widest >= 8) {
            ComboGrid1.SetColWidth(7, ComboGrid1.EighthColWidth());
        }
        RefreshCategoryIcons();
    } catch (...) {
        file.Close();
        CmbSortChange();
        throw;
    }
    file.Close();
    CmbSortChange();
}

}  // namespace yomida

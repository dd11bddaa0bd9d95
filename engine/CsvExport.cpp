#include "engine/CsvExport.h"

#include <algorithm>
#include <string>

#include "platform/FileReplacement.h"
#include "sources/RecordLayout.h"
#include "text/Dates.h"

namespace yomida {

void ExportCsv(const ComboGrid& grid, const std::filesystem::path& file,
               std::chrono::year_month month) {
    const std::string prefix = MonthPrefix(month);
    // A list without records exports its blank row, as it always has.
    const int end = ComboGrid::kFirstRecordRow + std::min(grid.RecordRowCount(), kMaxCsvExportRows);

    FileReplacement out(file);
    std::string line;
    for (int r = ComboGrid::kFirstRecordRow; r < end; ++r) {
        auto cell = [&](int col) { return grid.Cell(col, r); };
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

}  // namespace yomida

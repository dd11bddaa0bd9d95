#include "engine/CsvExport.h"

#include <algorithm>
#include <string>

#include "platform/FileReplacement.h"
#include "sources/RecordLayout.h"
#include "text/Dates.h"

namespace yomida {

void ExportCsv(const std::vector<Release>& rows, const std::filesystem::path& file,
               std::chrono::year_month month) {
    const std::string prefix = MonthPrefix(month);
    // A list without releases exports a blank row, as it always has.
    const Release blank;
    const size_t end = std::min(std::max(rows.size(), size_t{1}), size_t{kMaxCsvExportRows});

    FileReplacement out(file);
    std::string line;
    for (size_t r = 0; r < end; ++r) {
        const Release& release = rows.empty() ? blank : rows[r];
        auto cell = [&](int col) { return release.Field(col); };
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

#include <cstdio>
#include <string>

#include "app/UFRMmain.h"
#include "platform/Cp932.h"
#include "platform/FileReplacement.h"
#include "text/SjisLiteral.h"

namespace yomida {
namespace {

constexpr int kMaxExportRows = 30;

}  // namespace

void TFRMmain::SaveCSVExecute() {
    FileDialogRequest request;
    request.filter = "CSVﾌｧｲﾙ|*.csv|すべてのﾌｧｲﾙ|*.*"_sj;
    request.defaultExtension = "csv";
    request.initialFolder = Cp932ToUtf8(Settings.csvFolder);
    const std::optional<std::filesystem::path> chosen = ui_.SaveFileDialog(request);
    if (!chosen) {
        return;
    }
    HourglassCursor hourglass(ui_);
    Settings.csvFolder = Utf8ToCp932((chosen->parent_path() / "").string());

    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "%04d/%02u/", static_cast<int>(TargetDate.year()),
                  static_cast<unsigned>(TargetDate.month()));
    const int rows = std::min(ComboGrid1.RowCount() - 1, kMaxExportRows);

    // An existing file keeps its content until the new one is complete.
    FileReplacement out(*chosen);
    std::string line;
    for (int r = 1; r <= rows; ++r) {
        auto cell = [&](int col) { return ComboGrid1.Cell(col, r); };
        line = prefix;
        line += cell(3);
        line += ",\"";
        line += cell(4);
        line += "\",";
        line += cell(6);
        line += ",\"";
        line += cell(5);
        line += "\",\"";
        line += cell(2);
        line += '"';
        out.Writer().WriteLine(line);
    }
    out.Commit();
}

}  // namespace yomida

#include "app/ListExports.h"

#include "engine/CalendarExport.h"
#include "platform/Cp932.h"
#include "sources/RecordLayout.h"
#include "text/Messages.h"
#include "text/SjisLiteral.h"

namespace yomida {
namespace {

// A list with no record still shows one blank row under the captions.
bool HasNoRecord(const ComboGrid& grid) {
    const int first = ComboGrid::kFirstRecordRow;
    return grid.RecordRowCount() <= 1 && grid.Cell(kNumberCol, first).empty() &&
           grid.Cell(kTitleCol, first).empty();
}

}  // namespace

std::optional<std::filesystem::path> ListExports::Choose(const std::string& filter,
                                                         const char* extension,
                                                         const std::string& csvFolder) {
    FileDialogRequest request;
    request.filter = filter;
    request.defaultExtension = extension;
    request.initialFolder = Cp932ToUtf8(csvFolder);
    return ui_.SaveFileDialog(request);
}

void ListExports::SaveCsv(ReleaseList& list, std::chrono::year_month month,
                          std::string& csvFolder) {
    const std::optional<std::filesystem::path> chosen =
        Choose("CSVﾌｧｲﾙ|*.csv|すべてのﾌｧｲﾙ|*.*"_sj, "csv", csvFolder);
    if (!chosen) {
        return;
    }
    csvFolder = Utf8ToCp932((chosen->parent_path() / "").string());
    list.ExportCsv(*chosen, month);
}

void ListExports::SaveCalendar(const ReleaseList& list, const std::filesystem::path& dataFile,
                               const WeekNumbering& weeks, const std::string& csvFolder,
                               StatusPanel& status) {
    const std::optional<CalendarSource> source = CalendarSourceOf(dataFile, weeks);
    if (!source || HasNoRecord(list.ComboGrid1)) {
        ui_.ShowWarning(MsgText(Msg::NothingToExport));
        return;
    }
    const CalendarText cal = ListCalendar(list.ComboGrid1.Table(), *source, clock_.Today());
    if (cal.events == 0) {
        ui_.ShowWarning(MsgText(Msg::NoDatedRows));
        return;
    }
    const std::optional<std::filesystem::path> chosen =
        Choose("iCalendarﾌｧｲﾙ|*.ics|すべてのﾌｧｲﾙ|*.*"_sj, "ics", csvFolder);
    if (!chosen) {
        return;
    }
    HourglassCursor hourglass(ui_);
    WriteCalendar(cal, *chosen);
    status.text = MsgText(Msg::CalendarStatus) + std::to_string(cal.events) + MsgText(Msg::Items);
    if (cal.leftOut > 0) {
        ui_.ShowWarning(std::to_string(cal.leftOut) + MsgText(Msg::UndatedLeftOut));
    }
}

}  // namespace yomida

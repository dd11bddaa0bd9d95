#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/ComboGrid.h"

namespace yomida {

// The list a grid shows: its category and period give every event a stable identity.
struct CalendarSource {
    int category = 0;
    std::string periodKey;  // "yymm", or the week number
    std::chrono::year_month month{};
};

// The days an event covers, the end exclusive.
struct EventSpan {
    std::chrono::year_month_day first;
    std::chrono::year_month_day end;
};

// A day of the month as an all-day span: 上, 中 and 下 cover the first, middle and last third of
// the month; an empty or textual day, or one beyond the month's end, gives nothing.
std::optional<EventSpan> SpanOfDay(std::chrono::year_month month, std::string_view day);

// A TEXT value with backslash, semicolon, comma and line breaks escaped.
std::string EscapeCalendarText(std::string_view utf8);
// One content line folded at 75 octets, never inside a UTF-8 character, with CR LF after each
// piece.
std::string FoldCalendarLine(std::string_view line);
// The same for the same category, period, publisher, title and author (CP932), whatever the
// record number or the day of the export.
std::string CalendarUid(int category, std::string_view periodKey, std::string_view publisher,
                        std::string_view title, std::string_view author);

// The grid rows an export writes: the ticked ones, or every shown row when none is ticked.
std::vector<int> CalendarRows(const ComboGrid& grid);

struct CalendarText {
    std::string text;  // UTF-8, CR LF
    size_t events = 0;
    size_t leftOut = 0;  // rows without a day an event can take
};

// One all-day event per row; `stamp` is the day the calendar is made.
CalendarText MakeCalendar(const ComboGrid& grid, const std::vector<int>& rows,
                          const CalendarSource& source, std::chrono::year_month_day stamp);
// Writes the calendar of the grid's export rows into `file`, replacing it only when complete.
CalendarText ExportCalendar(const ComboGrid& grid, const CalendarSource& source,
                            std::chrono::year_month_day stamp, const std::filesystem::path& file);

}  // namespace yomida

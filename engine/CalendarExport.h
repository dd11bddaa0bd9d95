#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/Release.h"
#include "text/Dates.h"

namespace yomida {

// The list shown: its category and period give every event a stable identity.
struct CalendarSource {
    int category = 0;
    std::string periodKey;  // "yymm", or the week number
    std::chrono::year_month month{};
};

// The category and period a data file's name gives its list, whose days the events fall on;
// nothing when the name names no list.
std::optional<CalendarSource> CalendarSourceOf(const std::filesystem::path& dataFile,
                                               const WeekNumbering& weeks);

// The days an event covers, the end exclusive.
struct EventSpan {
    std::chrono::year_month_day first;
    std::chrono::year_month_day end;
};

// A day of the month as an all-day span: 上, 中 and 下 cover the first, middle and last third of
// the month; a number may be followed by 日, as some lists write it; an empty or textual day, or
// one beyond the month's end, gives nothing.
std::optional<EventSpan> SpanOfDay(std::chrono::year_month month, std::string_view day);

// A TEXT value with backslash, semicolon, comma and line breaks escaped.
std::string EscapeCalendarText(std::string_view utf8);
// One content line folded at 75 octets, never inside a UTF-8 character, with CR LF after each
// piece.
std::string FoldCalendarLine(std::string_view line);
// Appends the content line "name:value", folded.
void AddCalendarLine(std::string& text, std::string_view name, std::string_view value);
// The same for the same category, period, publisher, title and author (CP932), whatever the
// record number or the day of the export. `occurrence` tells apart rows alike in all of these
// (one title listed on several days): 0 for the first, which keeps the plain identity.
std::string CalendarUid(int category, std::string_view periodKey, std::string_view publisher,
                        std::string_view title, std::string_view author, int occurrence = 0);

// The releases an export writes (their places in the table's rows): the ticked ones, or every
// release shown when none is ticked.
std::vector<size_t> CalendarRows(const ReleaseTable& table);

struct CalendarText {
    std::string text;  // UTF-8, CR LF
    size_t events = 0;
    size_t leftOut = 0;  // rows without a day an event can take
};

// One all-day event per release; `stamp` is the day the calendar is made. Releases alike in
// identity are numbered by their day among every release of the table, so an event keeps its UID
// whichever releases are ticked and however the list is ordered.
CalendarText MakeCalendar(const ReleaseTable& table, const std::vector<size_t>& rows,
                          const CalendarSource& source, std::chrono::year_month_day stamp);
// The calendar of the list's export releases.
CalendarText ListCalendar(const ReleaseTable& table, const CalendarSource& source,
                          std::chrono::year_month_day stamp);
// Writes the calendar into `file`, replacing it only when complete. A calendar without an event
// is not a valid one: then nothing is written and the answer is false.
bool WriteCalendar(const CalendarText& cal, const std::filesystem::path& file);

}  // namespace yomida

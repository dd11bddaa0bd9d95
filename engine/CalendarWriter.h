#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace yomida {

// The days an event covers, the end exclusive.
struct EventSpan {
    std::chrono::year_month_day first;
    std::chrono::year_month_day end;
};

// One all-day event. Its texts are UTF-8 as the list gives them: the writer makes them fit.
struct CalendarEvent {
    std::string uid;
    EventSpan span;
    std::string summary;
    std::string description;           // lines separated by "\n"
    std::chrono::sys_seconds stamp{};  // when this version of the event was made
    // An event a subscriber keeps and updates carries its revision, and its stamp is then also
    // the time it last changed.
    std::optional<int> sequence;
    bool alarm = false;  // a reminder at 09:00 the day before
};

// The one writer of iCalendar text for the export and the watch calendar: a VCALENDAR of
// all-day events, UTF-8 with CR LF, every line folded at 75 octets and every text escaped.
class CalendarWriter {
public:
    // `name` is the calendar's name as a calendar program shows it; none when empty.
    explicit CalendarWriter(std::string_view name = {});

    void Add(const CalendarEvent& event);
    // The whole calendar, ended.
    std::string Finish();

private:
    void Line(std::string_view name, std::string_view value);

    std::string text_;
};

// A TEXT value without control characters, with backslash, semicolon, comma and line breaks
// escaped.
std::string EscapeCalendarText(std::string_view utf8);
// One content line folded at 75 octets, never inside a UTF-8 character, with CR LF after each
// piece.
std::string FoldCalendarLine(std::string_view line);
// 20261208T091500Z, as iCalendar writes a time in UTC.
std::string CalendarUtcTime(std::chrono::sys_seconds time);

}  // namespace yomida

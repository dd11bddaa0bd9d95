#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "engine/CalendarWriter.h"
#include "engine/Release.h"
#include "engine/ReleaseEvent.h"
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

// A release as the export writes it, its texts CP932 as the list holds them.
struct CalendarRelease {
    std::string publisher;
    std::string day;  // a day of the month, 上/中/下, or empty
    std::string title;
    std::string author;
    std::string price;
    std::string code;  // ISBN or model number; empty when the list has none
};

// What the description calls the publisher, author, price and code: a list of records or of
// discs names them its own way. UTF-8.
struct CalendarCaptions {
    std::string publisher = "出版社";
    std::string author = "作者";
    std::string price = "価格";
    std::string code = "ISBN";
};

// Every release of a list and the captions its header gives.
struct CalendarList {
    std::vector<CalendarRelease> releases;
    CalendarCaptions captions;
};

// The list loaded: its releases in the order shown, and its header's captions.
CalendarList CalendarListOf(const ReleaseTable& table);

// The releases an export writes (their places in the table's rows): the ticked ones, or every
// release shown when none is ticked.
std::vector<size_t> CalendarRows(const ReleaseTable& table);

struct CalendarText {
    std::string text;  // UTF-8, CR LF
    size_t events = 0;
    size_t leftOut = 0;  // rows without a day an event can take
};

// One all-day event per chosen release (indices into the list); `stamp` is the day the calendar
// is made. Releases alike in identity are numbered by their day among every release of the
// list, so an event keeps its UID whichever releases are chosen and however they are ordered.
CalendarText MakeCalendar(const CalendarList& list, const std::vector<size_t>& chosen,
                          const CalendarSource& source, std::chrono::year_month_day stamp);
// The calendar of the list's export releases.
CalendarText ListCalendar(const ReleaseTable& table, const CalendarSource& source,
                          std::chrono::year_month_day stamp);
// Writes the calendar into `file`, replacing it only when complete. A calendar without an event
// is not a valid one: then nothing is written and the answer is false.
bool WriteCalendar(const CalendarText& cal, const std::filesystem::path& file);

}  // namespace yomida

#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/CalendarWriter.h"

namespace yomida {

// A day of the month as an all-day span: 上, 中 and 下 cover the first, middle and last third of
// the month; a number may be followed by 日, as some lists write it; an empty or textual day, or
// one beyond the month's end, gives nothing.
std::optional<EventSpan> SpanOfDay(std::chrono::year_month month, std::string_view day);

// The same for the same category, period, publisher, title and author (CP932), whatever the
// record number or the day of the export. `occurrence` tells apart rows alike in all of these
// (one title listed on several days): 0 for the first, which keeps the plain identity.
std::string CalendarUid(int category, std::string_view periodKey, std::string_view publisher,
                        std::string_view title, std::string_view author, int occurrence = 0);

// A release with a day, as its event's UID is told apart from those of releases alike.
struct AlikeRelease {
    std::string identity;  // what the UID is made of
    EventSpan span;
    std::string rest;  // the rest of the release, which orders releases alike on one day
};

// Each release's place among those of the same identity, by day, then by the rest, then by its
// place in the list: 0 for the first. Neither the list's order nor a choice of rows changes it.
std::vector<int> OccurrencesAmongAlike(const std::vector<AlikeRelease>& releases);

}  // namespace yomida

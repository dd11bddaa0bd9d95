#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <vector>

#include "engine/WatchScan.h"

namespace yomida {

// The calendar of the watch matches, rewritten in the data folder after every scan so that a
// calendar program can subscribe to the file itself. What it remembers from one scan to the
// next (per event its sequence and dates) sits beside it under the file's name and ".state".
inline constexpr const char* kWatchCalendarFile = "watch.ics";
inline constexpr const char* kWatchCalendarState = "watch.ics.state";

struct WatchCalendarResult {
    size_t events = 0;
    bool stateDamaged = false;  // the state could not be understood and was started afresh
};

// Rewrites the calendar from the matches of a whole scan, from the first day of the month
// before `today` on; an event whose dates moved is stamped `now`, with a reminder the day before
// when `alarm` is set. The file is replaced only when complete; throws IoError.
WatchCalendarResult WriteWatchCalendar(const std::filesystem::path& dataFolder,
                                       const std::vector<WatchMatch>& matches,
                                       std::chrono::year_month_day today,
                                       std::chrono::sys_seconds now, bool alarm);

}  // namespace yomida

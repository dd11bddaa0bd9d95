#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/WatchCalendar.h"
#include "engine/WatchNewsFeed.h"
#include "engine/WatchScan.h"
#include "platform/Clock.h"

namespace yomida {

// A calendar and a news feed of the watch matches, rewritten in the data folder after every scan
// so that a calendar program or a feed reader can subscribe to the files themselves.
struct WatchFeedOptions {
    bool alarm = false;                   // a reminder the day before, at 09:00
    std::chrono::year_month_day today{};  // the calendar starts on the previous month's first day
    std::chrono::sys_seconds now{};       // stamps the events that changed and the new entries
};

// Today by the clock and now by the system's time.
WatchFeedOptions CurrentWatchFeedOptions(const Clock& clock, bool alarm);

struct WatchFeedsResult {
    size_t events = 0;          // in the calendar
    size_t entries = 0;         // in the feed
    bool stateDamaged = false;  // a state file could not be understood and was started afresh
    std::string calendarError;  // why the calendar could not be written; empty when it was
    std::string feedError;      // the same for the feed, which then does not hold the news
};

// Rewrites both files from the matches of a whole scan; the feed takes in those marked new and
// keeps the entries of earlier scans. Each file is replaced only when complete, and one that
// cannot be written leaves the other to be written all the same.
WatchFeedsResult RewriteWatchFeeds(const std::filesystem::path& dataFolder,
                                   const std::vector<WatchMatch>& matches,
                                   const WatchFeedOptions& options);
// The same, throwing the first failure (IoError) once both files were tried.
WatchFeedsResult WriteWatchFeeds(const std::filesystem::path& dataFolder,
                                 const std::vector<WatchMatch>& matches,
                                 const WatchFeedOptions& options);

}  // namespace yomida

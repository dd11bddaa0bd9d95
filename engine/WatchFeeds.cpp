#include "engine/WatchFeeds.h"

#include <exception>

namespace yomida {

using namespace std::chrono;

namespace {

// Both files, each tried whatever became of the other; the failure of each is kept.
WatchFeedsResult WriteBothFeeds(const std::filesystem::path& dataFolder,
                                const std::vector<WatchMatch>& matches,
                                const WatchFeedOptions& options, std::exception_ptr& calendar,
                                std::exception_ptr& feed) {
    WatchFeedsResult result;
    try {
        const WatchCalendarResult c =
            WriteWatchCalendar(dataFolder, matches, options.today, options.now, options.alarm);
        result.events = c.events;
        result.stateDamaged = c.stateDamaged;
    } catch (const std::exception& e) {
        calendar = std::current_exception();
        result.calendarError = e.what();
    }
    try {
        const WatchNewsFeedResult f = WriteWatchNewsFeed(dataFolder, matches, options.now);
        result.entries = f.entries;
        result.stateDamaged = result.stateDamaged || f.stateDamaged;
    } catch (const std::exception& e) {
        feed = std::current_exception();
        result.feedError = e.what();
    }
    return result;
}

}  // namespace

WatchFeedOptions CurrentWatchFeedOptions(const Clock& clock, bool alarm) {
    return {alarm, clock.Today(), floor<seconds>(system_clock::now())};
}

WatchFeedsResult RewriteWatchFeeds(const std::filesystem::path& dataFolder,
                                   const std::vector<WatchMatch>& matches,
                                   const WatchFeedOptions& options) {
    std::exception_ptr calendar;
    std::exception_ptr feed;
    return WriteBothFeeds(dataFolder, matches, options, calendar, feed);
}

WatchFeedsResult WriteWatchFeeds(const std::filesystem::path& dataFolder,
                                 const std::vector<WatchMatch>& matches,
                                 const WatchFeedOptions& options) {
    std::exception_ptr calendar;
    std::exception_ptr feed;
    WatchFeedsResult result = WriteBothFeeds(dataFolder, matches, options, calendar, feed);
    if (calendar) {
        std::rethrow_exception(calendar);
    }
    if (feed) {
        std::rethrow_exception(feed);
    }
    return result;
}

}  // namespace yomida

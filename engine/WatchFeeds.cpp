#include "engine/WatchFeeds.h"

namespace yomida {

using namespace std::chrono;

WatchFeedOptions CurrentWatchFeedOptions(const Clock& clock, bool alarm) {
    return {alarm, clock.Today(), floor<seconds>(system_clock::now())};
}

WatchFeedsResult WriteWatchFeeds(const std::filesystem::path& dataFolder,
                                 const std::vector<WatchMatch>& matches,
                                 const WatchFeedOptions& options) {
    const WatchCalendarResult calendar =
        WriteWatchCalendar(dataFolder, matches, options.today, options.now, options.alarm);
    const WatchNewsFeedResult feed = WriteWatchNewsFeed(dataFolder, matches, options.now);
    return {calendar.events, feed.entries, calendar.stateDamaged || feed.stateDamaged};
}

}  // namespace yomida

#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <vector>

#include "engine/WatchScan.h"

namespace yomida {

// The news feed of the watch matches, rewritten in the data folder after every scan so that a
// feed reader can subscribe to the file itself. Beside it, under the file's name and ".state",
// are the feed's id and its entries with the time each came in.
inline constexpr const char* kWatchFeedFile = "watch.atom";
inline constexpr const char* kWatchFeedState = "watch.atom.state";

inline constexpr size_t kWatchFeedMaxEntries = 200;

struct WatchNewsFeedResult {
    size_t entries = 0;
    bool stateDamaged = false;  // the state could not be understood and was started afresh
};

// Rewrites the feed: the matches marked new come in at `now`, ahead of the entries of earlier
// scans. The file is replaced only when complete; throws IoError.
WatchNewsFeedResult WriteWatchNewsFeed(const std::filesystem::path& dataFolder,
                                       const std::vector<WatchMatch>& matches,
                                       std::chrono::sys_seconds now);

}  // namespace yomida

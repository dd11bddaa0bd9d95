#pragma once

#include <cstddef>
#include <string>

#include "engine/WatchService.h"

namespace yomida {

// What the status bar says of the watch, CP932: a running scan's files read and in all, how a
// scan ended, and the new matches and next volumes a conversion brought.
std::string WatchProgressText(size_t done, size_t total);
// `matches` counts the watch matches only; the ending counts the next volumes.
std::string WatchEndText(const WatchService::Ending& end, size_t matches);
std::string WatchNewsText(size_t fresh, size_t freshNext = 0);
// " 次巻 n件", with how many of them are new.
std::string WatchNextPart(size_t nextVolumes, size_t freshNext);

}  // namespace yomida

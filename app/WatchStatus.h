#pragma once

#include <cstddef>
#include <string>

#include "engine/WatchService.h"

namespace yomida {

// What the status bar says of the watch, CP932: a running scan's files read and in all, how a
// scan ended, and the new matches a conversion brought.
std::string WatchProgressText(size_t done, size_t total);
std::string WatchEndText(const WatchService::Ending& end, size_t matches);
std::string WatchNewsText(size_t fresh);

}  // namespace yomida

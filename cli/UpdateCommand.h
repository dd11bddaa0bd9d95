#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace yomida::cli {

// `yomida-cli update`: every directly fetched category for this period and the next ones, one
// after another as the window fetches them, then the watch scan over the lists; for timers
// and cron. Exit 0 when every category ended updated or unchanged, 1 when any failed or the
// watch calendar or feed could not be written, 2 for a malformed command line.
int UpdateCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace yomida::cli

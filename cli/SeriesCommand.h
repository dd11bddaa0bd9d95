#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace yomida::cli {

// `yomida-cli series parse|follow|unfollow|list`: the title reader for scripts, and the series a
// data folder follows. Exit 0; 1 when a title names no series or a key is not followed (the
// others are still done) or the data folder is missing; a malformed line throws UsageError.
int SeriesCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                  std::ostream& err);

}  // namespace yomida::cli

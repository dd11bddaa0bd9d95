#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace yomida::cli {

// `yomida-cli status`: the health record of a data folder, one line per category (or one JSON
// document), for scripts that watch the sources. Exit 0; 1 when --data names no folder; 2 for
// a malformed command line.
int StatusCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace yomida::cli

#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace yomida::cli {

// `watch DATAFOLDER …`: every record of every stored list that the watch words match, one line
// each. Exit 0 when it printed a match, 1 when none; a malformed line throws UsageError.
int Watch(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace yomida::cli

#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace yomida::cli {

// The commands over one data file, through the release list as the window loads it: `args[0]`
// is the command's name. Each returns the exit status; a malformed line throws UsageError.
int Show(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int Tick(const std::vector<std::string>& args, std::ostream& err);
int Export(const std::vector<std::string>& args, std::ostream& err);
int Ical(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace yomida::cli

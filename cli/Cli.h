#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace yomida {

// yomida-cli: `args` are the arguments after the program name. Returns the exit status.
int RunCli(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
           std::ostream& err);

}  // namespace yomida

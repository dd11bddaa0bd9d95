#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "cli/Cli.h"

namespace yomida::test {

// What one run of the command line printed and how it ended.
struct CliOutput {
    int status;
    std::string out;
    std::string err;
};

// Runs `yomida-cli ARGS` in this process, with INPUT as its standard input.
inline CliOutput InvokeCli(const std::vector<std::string>& args, const std::string& input = "") {
    std::istringstream in(input);
    std::ostringstream out;
    std::ostringstream err;
    const int status = RunCli(args, in, out, err);
    return {status, out.str(), err.str()};
}

}  // namespace yomida::test

#include <iostream>

#include "cli/Cli.h"
#include "platform/TerminationCleanup.h"

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    // A command stopped by systemd or Ctrl+C leaves no download or temporary file behind.
    yomida::InstallTerminationCleanup();
    std::vector<std::string> args(argv + 1, argv + argc);
    return yomida::RunCli(args, std::cin, std::cout, std::cerr);
}

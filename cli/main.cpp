#include <iostream>

#include "cli/Cli.h"
#include "cli/ConsoleText.h"
#include "platform/TerminationCleanup.h"

int main(int argc, char** argv) {
    // A reader that goes away (`| head -1`) ends the printing, never the work; the exit status
    // says the output was lost. First, so that the streams are set up on held descriptors.
    yomida::cli::GuardStandardStreams();
    std::ios::sync_with_stdio(false);
    // A command stopped by systemd or Ctrl+C leaves no download or temporary file behind.
    yomida::InstallTerminationCleanup();
    std::vector<std::string> args(argv + 1, argv + argc);
    return yomida::RunCli(args, std::cin, std::cout, std::cerr);
}

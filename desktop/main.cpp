#include "desktop/DesktopProgram.h"
#include "platform/TerminationCleanup.h"

int main(int argc, char** argv) {
    // A window ended by the session's logout (SIGTERM) or a terminal's Ctrl+C leaves no download
    // or temporary file behind.
    yomida::InstallTerminationCleanup();
    return yomida::qt::RunDesktopProgram(argc, argv);
}

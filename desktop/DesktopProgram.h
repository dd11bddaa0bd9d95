#pragma once

// Kept free of Qt so the program's main() needs no Qt header.
namespace yomida::qt {

// Starts the desktop program and runs it until the main window closes; returns the exit status.
int RunDesktopProgram(int argc, char** argv);

}  // namespace yomida::qt

#pragma once

#include <ostream>

#include "platform/Notice.h"

namespace yomida::cli {

// Prints what a use case left to show, one line each on the error stream in UTF-8:
// "エラー: …" or "警告: …".
void PrintNotices(const Notices& notices, std::ostream& err);

// Makes printing to a reader that went away a failed write instead of the end of the process,
// so a command always finishes its work: SIGPIPE gets a handler that does nothing (which a
// program started later gets back as the default), and each of descriptors 0 to 2 that is
// closed is taken by /dev/null opened the other way, so that no file the command opens becomes
// its standard output and a write there still fails. Called once, before anything is printed.
void GuardStandardStreams();

}  // namespace yomida::cli

#pragma once

#include <ostream>

#include "platform/Notice.h"

namespace yomida::cli {

// Prints what a use case left to show, one line each on the error stream in UTF-8:
// "エラー: …" or "警告: …".
void PrintNotices(const Notices& notices, std::ostream& err);

}  // namespace yomida::cli

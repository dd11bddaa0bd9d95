#pragma once

#include <string>

#include "download/FetchOutcome.h"

namespace yomida {

// Why a download brought no list, in the words a user reads in the window (CP932): the
// server's status with its name ("サーバーが 404（ページがありません）を返しました"), or what
// happened on the way. `clientError` is the HTTP client's own text, which tells the ways apart.
std::string FailureReason(FetchOutcome outcome, int httpStatus, const std::string& clientError);

}  // namespace yomida

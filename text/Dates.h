#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace yomida {

// A date written year/month/day with "/" between (one or more digits each; a year of one or
// two digits is taken in the 2000s), or nothing when the text is not a valid date.
std::optional<std::chrono::year_month_day> ParseSlashDate(std::string_view text);
// "yyyy/mm/dd".
std::string FormatSlashDate(std::chrono::year_month_day date);

// The weekly list's week numbers go no further than this either way: beyond it a week lies
// outside any calendar, and counting days from it would overflow.
constexpr int kWeekNumberLimit = 10'000'000;

}  // namespace yomida

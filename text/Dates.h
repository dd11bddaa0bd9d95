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
// "yyyymmdd", as calendar files write a day.
std::string CompactDate(std::chrono::year_month_day date);
// "yyyy" and "mm" with `separator` between: "2003-05", "2003/05".
std::string YearMonthText(std::chrono::year_month month, char separator);
// "yyyy/mm/", which a day of the month follows in a slash date.
std::string MonthPrefix(std::chrono::year_month month);
// "yymm": the last two digits of the year, then the month ("0305").
std::string YyMm(std::chrono::year_month month);
// The last two decimal digits of `n`, a leading zero when needed.
std::string TwoDigits(unsigned n);

// The weekly list's week numbers go no further than this either way: beyond it a week lies
// outside any calendar, and counting days from it would overflow.
constexpr int kWeekNumberLimit = 10'000'000;

// How the weekly category's numbers become dates: week `baseNumber` ends on `baseDate`, and each
// week ends seven days after the one before.
struct WeekNumbering {
    std::chrono::year_month_day baseDate{};
    int baseNumber = 0;

    // The week a day belongs to: from the base date on, the one whose end day is the last on or
    // before it.
    int WeekOf(std::chrono::year_month_day day) const;
    // The day a week ends on.
    std::chrono::year_month_day EndDay(int week) const;
    // The first day of a week's list: its list runs from eight days before the week's end day
    // to two days before it.
    std::chrono::year_month_day FirstDay(int week) const;
    std::chrono::year_month_day LastDay(int week) const;
};

}  // namespace yomida

#include "text/Dates.h"

#include <charconv>
#include <cstdio>

namespace yomida {

std::optional<std::chrono::year_month_day> ParseSlashDate(std::string_view text) {
    int parts[3] = {0, 0, 0};
    size_t pos = 0;
    for (int i = 0; i < 3; ++i) {
        size_t end = i < 2 ? text.find('/', pos) : text.size();
        if (end == std::string_view::npos || end == pos) {
            return std::nullopt;
        }
        auto [p, ec] = std::from_chars(text.data() + pos, text.data() + end, parts[i]);
        if (ec != std::errc() || p != text.data() + end) {
            return std::nullopt;
        }
        pos = end + 1;
    }
    if (parts[0] < 0 || parts[1] < 1 || parts[2] < 1) {
        return std::nullopt;
    }
    if (text.find('/') <= 2) {
        parts[0] += 2000;  // a two-digit year
    }
    std::chrono::year_month_day d{std::chrono::year{parts[0]},
                                  std::chrono::month{static_cast<unsigned>(parts[1])},
                                  std::chrono::day{static_cast<unsigned>(parts[2])}};
    if (!d.ok()) {
        return std::nullopt;
    }
    return d;
}

std::string FormatSlashDate(std::chrono::year_month_day date) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d/%02u/%02u", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
    return buf;
}

std::string CompactDate(std::chrono::year_month_day date) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d%02u%02u", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
    return buf;
}

std::string YearMonthText(std::chrono::year_month month, char separator) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d%c%02u", static_cast<int>(month.year()), separator,
                  static_cast<unsigned>(month.month()));
    return buf;
}

std::string MonthPrefix(std::chrono::year_month month) {
    return YearMonthText(month, '/') + '/';
}

std::string YyMm(std::chrono::year_month month) {
    // The year's remainder is taken positive, so a year before 0 still gives two digits.
    const int yy = (static_cast<int>(month.year()) % 100 + 100) % 100;
    return TwoDigits(static_cast<unsigned>(yy)) + TwoDigits(static_cast<unsigned>(month.month()));
}

std::string TwoDigits(unsigned n) {
    const char digits[2] = {static_cast<char>('0' + n / 10 % 10), static_cast<char>('0' + n % 10)};
    return std::string(digits, 2);
}

int WeekNumbering::WeekOf(std::chrono::year_month_day day) const {
    using namespace std::chrono;
    // Whole weeks truncated towards zero, as the numbering has always counted them: the six
    // days before the base date still give the base week.
    const auto elapsed = (sys_days{day} - sys_days{baseDate}).count();
    return baseNumber + static_cast<int>(elapsed / 7);
}

std::chrono::year_month_day WeekNumbering::EndDay(int week) const {
    using namespace std::chrono;
    return year_month_day{sys_days{baseDate} + days{7 * (week - baseNumber)}};
}

std::chrono::year_month_day WeekNumbering::FirstDay(int week) const {
    using namespace std::chrono;
    return year_month_day{sys_days{EndDay(week)} - days{8}};
}

std::chrono::year_month_day WeekNumbering::LastDay(int week) const {
    using namespace std::chrono;
    return year_month_day{sys_days{EndDay(week)} - days{2}};
}

}  // namespace yomida

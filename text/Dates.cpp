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

}  // namespace yomida

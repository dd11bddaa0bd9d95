#include "engine/ReleaseEvent.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <numeric>
#include <tuple>

#include "text/Numbers.h"
#include "text/SjisLiteral.h"

namespace yomida {

using namespace std::chrono;

namespace {

uint64_t UidFnv1a(std::string_view bytes, uint64_t hash) {
    for (unsigned char c : bytes) {
        hash ^= c;
        hash *= 1099511628211ULL;
    }
    return hash;
}

}  // namespace

std::optional<EventSpan> SpanOfDay(year_month month, std::string_view day) {
    const year_month_day last{month / std::chrono::last};
    const auto on = [month](unsigned d) { return year_month_day{month / std::chrono::day{d}}; };
    const auto after = [](year_month_day d) { return year_month_day{sys_days{d} + days{1}}; };
    if (day == "上"_sj) {
        return EventSpan{on(1), on(11)};
    }
    if (day == "中"_sj) {
        return EventSpan{on(11), on(21)};
    }
    if (day == "下"_sj) {
        return EventSpan{on(21), after(last)};
    }
    if (day.size() > 2 && day.ends_with("日"_sj)) {
        day.remove_suffix(std::string_view("日"_sj).size());
    }
    const std::optional<int> number = AllDigits(day) ? TryStrToInt(day) : std::nullopt;
    if (!number || *number < 1 || static_cast<unsigned>(*number) > unsigned(last.day())) {
        return std::nullopt;
    }
    const year_month_day first = on(static_cast<unsigned>(*number));
    return EventSpan{first, after(first)};
}

std::string CalendarUid(int category, std::string_view periodKey, std::string_view publisher,
                        std::string_view title, std::string_view author, int occurrence) {
    std::string identity = std::to_string(category);
    for (std::string_view part : {periodKey, publisher, title, author}) {
        identity += '\t';
        identity += part;
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "%016llx%016llx",
                  static_cast<unsigned long long>(UidFnv1a(identity, 14695981039346656037ULL)),
                  static_cast<unsigned long long>(UidFnv1a(identity, 0x9E3779B97F4A7C15ULL)));
    std::string uid = std::string("yomida-") + std::to_string(category) + "-" +
                      std::string(periodKey) + "-" + buf;
    if (occurrence > 0) {
        uid += "-" + std::to_string(occurrence + 1);
    }
    return uid + "@yomida";
}

std::vector<int> OccurrencesAmongAlike(const std::vector<AlikeRelease>& releases) {
    std::vector<size_t> order(releases.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::sort(order.begin(), order.end(), [&releases](size_t a, size_t b) {
        const AlikeRelease& x = releases[a];
        const AlikeRelease& y = releases[b];
        return std::tie(x.identity, x.span.first, x.span.end, x.rest, a) <
               std::tie(y.identity, y.span.first, y.span.end, y.rest, b);
    });
    std::vector<int> occurrence(releases.size(), 0);
    for (size_t i = 1; i < order.size(); ++i) {
        if (releases[order[i]].identity == releases[order[i - 1]].identity) {
            occurrence[order[i]] = occurrence[order[i - 1]] + 1;
        }
    }
    return occurrence;
}

}  // namespace yomida

#include "app/TargetPeriod.h"

#include <algorithm>
#include <cstdio>

#include "sources/Catalogue.h"
#include "text/Dates.h"
#include "text/SjisLiteral.h"

namespace yomida {
namespace {

using namespace std::chrono;

std::string MonthDay(year_month_day d) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02u/%02u", static_cast<unsigned>(d.month()),
                  static_cast<unsigned>(d.day()));
    return buf;
}

}  // namespace

bool IsWeeklyCategory(int category) {
    const CategoryInfo* c = FindCategory(category);
    return c != nullptr && c->period == Period::Week;
}

year_month_day StepMonth(year_month_day date, bool next) {
    const year_month ym = year_month{date.year(), date.month()} + months{next ? 1 : -1};
    const day last = year_month_day_last{ym.year(), month_day_last{ym.month()}}.day();
    return year_month_day{ym.year(), ym.month(), std::min(date.day(), last)};
}

std::string TargetPeriodText(int category, year_month_day date, int week,
                             const SettingsRecord& settings) {
    if (IsWeeklyCategory(category)) {
        const WeekNumbering weeks = settings.Weeks();
        return MonthDay(weeks.FirstDay(week)) + "-" + MonthDay(weeks.LastDay(week));
    }
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04d", static_cast<int>(date.year()));
    std::string text = buf;
    std::snprintf(buf, sizeof buf, "%02u", static_cast<unsigned>(date.month()));
    return text + "年"_sj + buf + "月"_sj;
}

}  // namespace yomida

#include "text/Dates.h"

#include <gtest/gtest.h>

namespace yomida {
namespace {

using namespace std::chrono;

TEST(Dates, DigitsOfMonthsAndDays) {
    EXPECT_EQ(TwoDigits(0), "00");
    EXPECT_EQ(TwoDigits(7), "07");
    EXPECT_EQ(TwoDigits(31), "31");
    EXPECT_EQ(TwoDigits(2003), "03");
    EXPECT_EQ(YyMm(year{2003} / May), "0305");
    EXPECT_EQ(YyMm(year{1999} / December), "9912");
    EXPECT_EQ(YyMm(year{2100} / January), "0001");
    EXPECT_EQ(YearMonthText(year{2003} / May, '-'), "2003-05");
    EXPECT_EQ(YearMonthText(year{987} / November, '.'), "0987.11");
    EXPECT_EQ(MonthPrefix(year{2026} / December), "2026/12/");
    EXPECT_EQ(CompactDate(year{2003} / May / 7), "20030507");
    EXPECT_EQ(FormatSlashDate(year{2003} / May / 7), "2003/05/07");
}

TEST(Dates, WeekNumbering) {
    const WeekNumbering weeks{year{2001} / January / 13, 1200};
    EXPECT_EQ(weeks.EndDay(1200), year{2001} / January / 13);
    EXPECT_EQ(weeks.EndDay(1201), year{2001} / January / 20);
    EXPECT_EQ(weeks.EndDay(1199), year{2001} / January / 6);
    for (const int week : {1, 1199, 1200, 1201, 1321, 5000}) {
        EXPECT_EQ(weeks.WeekOf(weeks.EndDay(week)), week);
    }
    for (const int week : {1201, 1321, 5000}) {
        const sys_days end{weeks.EndDay(week)};
        EXPECT_EQ(weeks.WeekOf(year_month_day{end + days{6}}), week);
        EXPECT_EQ(weeks.WeekOf(year_month_day{end - days{1}}), week - 1) << week;
    }
    // Before the base date the count is truncated towards zero.
    EXPECT_EQ(weeks.WeekOf(year{2001} / January / 7), 1200);
    EXPECT_EQ(weeks.WeekOf(year{2001} / January / 6), 1199);
    EXPECT_EQ(weeks.WeekOf(year{2001} / January / 5), 1199);
    // The window's example: on 2001/01/20 the week is 1201, its list 01/12 to 01/18.
    EXPECT_EQ(weeks.WeekOf(year{2001} / January / 20), 1201);
    EXPECT_EQ(weeks.FirstDay(1201), year{2001} / January / 12);
    EXPECT_EQ(weeks.LastDay(1201), year{2001} / January / 18);
}

}  // namespace
}  // namespace yomida

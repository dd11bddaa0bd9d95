#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "sources/Catalogue.h"

namespace yomida {

// The name of a data file: the category's code, the key of the period it covers and ".csv"
// ("comic0305.csv" for May 2003, "syosk1320.csv" for week 1320). Names are written and read
// back only here, so the list the program stores is the one the watch scan finds.
class DataFileName {
public:
    // The name of a category's list: the month of `target`, or week `week` for a weekly one.
    static DataFileName For(const CategoryInfo& category, std::chrono::year_month_day target,
                            int week);
    // The category and period a file name gives, or nothing when no category names files that
    // way. Only the forms For writes are taken: four digits of a real month, or a week number
    // without leading zeros.
    static std::optional<DataFileName> Parse(std::string_view fileName);

    const CategoryInfo& Category() const { return *category_; }
    bool Weekly() const { return category_->period == Period::Week; }
    // "yymm", or the week number.
    const std::string& PeriodKey() const { return key_; }
    // The month of a monthly list; a two-digit year below 70 is taken in the 2000s.
    std::chrono::year_month Month() const { return month_; }
    // The week of a weekly list.
    int Week() const { return week_; }
    std::string Text() const;
    // The list of the period before, of the same category; nothing before week 2.
    std::optional<DataFileName> Previous() const;

private:
    DataFileName(const CategoryInfo& category, std::string key);

    const CategoryInfo* category_;
    std::string key_;
    std::chrono::year_month month_{};
    int week_ = 0;
};

}  // namespace yomida

#include "sources/DataFileName.h"

#include <utility>

#include "text/Dates.h"
#include "text/Numbers.h"

namespace yomida {
namespace {

constexpr std::string_view kExtension = ".csv";

}  // namespace

DataFileName::DataFileName(const CategoryInfo& category, std::string key)
    : category_(&category), key_(std::move(key)) {}

DataFileName DataFileName::For(const CategoryInfo& category, std::chrono::year_month_day target,
                               int week) {
    const std::chrono::year_month month{target.year(), target.month()};
    DataFileName name(category,
                      category.period == Period::Week ? std::to_string(week) : YyMm(month));
    name.month_ = month;
    name.week_ = week;
    return name;
}

std::optional<DataFileName> DataFileName::Parse(std::string_view fileName) {
    using namespace std::chrono;
    if (fileName.size() <= kExtension.size() || !fileName.ends_with(kExtension)) {
        return std::nullopt;
    }
    const std::string_view stem = fileName.substr(0, fileName.size() - kExtension.size());
    // In table order: "comic20305" is tried as "comic" with a key too long for a month first.
    for (const CategoryInfo& c : Categories()) {
        const std::string_view code = c.code;
        if (stem.size() <= code.size() || !stem.starts_with(code)) {
            continue;
        }
        const std::string_view key = stem.substr(code.size());
        if (!AllDigits(key)) {
            continue;
        }
        DataFileName name(c, std::string(key));
        if (c.period == Period::Week) {
            const std::optional<int> week = TryStrToInt(key);
            if (!week || *week > kWeekNumberLimit || std::to_string(*week) != key) {
                continue;
            }
            name.week_ = *week;
            return name;
        }
        if (key.size() != 4) {
            continue;
        }
        const int yy = (key[0] - '0') * 10 + (key[1] - '0');
        const unsigned mm = static_cast<unsigned>((key[2] - '0') * 10 + (key[3] - '0'));
        if (mm < 1 || mm > 12) {
            continue;
        }
        name.month_ = year_month{year{yy < 70 ? 2000 + yy : 1900 + yy}, month{mm}};
        return name;
    }
    return std::nullopt;
}

std::optional<DataFileName> DataFileName::Previous() const {
    if (Weekly()) {
        if (week_ <= 1) {
            return std::nullopt;
        }
        DataFileName previous(*category_, std::to_string(week_ - 1));
        previous.week_ = week_ - 1;
        return previous;
    }
    const std::chrono::year_month month = month_ - std::chrono::months{1};
    DataFileName previous(*category_, YyMm(month));
    previous.month_ = month;
    return previous;
}

std::string DataFileName::Text() const {
    return category_->code + key_ + std::string(kExtension);
}

}  // namespace yomida

#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sources/SourceDefinition.h"

namespace yomida {

// The clean-up steps of one field, compiled once (their regular expressions through ICU) and
// applied to the values of record after record. Values are UTF-8; a value a step leaves empty is
// dropped.
class FieldCleaner {
public:
    // `field` names the field in messages. Throws DefinedSourceError for an expression ICU refuses.
    FieldCleaner(std::string field, const std::vector<FieldFilter>& filters);
    ~FieldCleaner();
    FieldCleaner(FieldCleaner&&) noexcept;
    FieldCleaner& operator=(FieldCleaner&&) noexcept;

    // Returns false when a date step found a date outside `month`: the record is not of this
    // list. Throws DefinedSourceError when an expression runs too long on a value.
    bool Apply(std::vector<std::string>& values, std::chrono::year_month month) const;

private:
    struct Step;
    // Returns false when a date step found the value outside `month`.
    bool ApplyToValue(const Step& step, std::string& value, std::chrono::year_month month) const;

    std::string field_;
    std::vector<Step> steps_;
};

// Why ICU cannot use a regular expression, or nothing.
std::optional<std::string> RegexFault(const std::string& pattern);
// Whether the expression finds a match anywhere in `text`; throws DefinedSourceError when it runs
// too long.
class TextCondition {
public:
    explicit TextCondition(const std::string& pattern);
    ~TextCondition();
    TextCondition(TextCondition&&) noexcept;
    TextCondition& operator=(TextCondition&&) noexcept;
    bool Matches(std::string_view text) const;

private:
    struct Compiled;
    std::unique_ptr<Compiled> compiled_;
};

// The single steps, for whoever needs one alone.
std::string NfkcText(std::string_view text);
std::string TrimText(std::string_view text);
std::string DropLifeDates(std::string_view name);
std::string PriceDigits(std::string_view price);
std::string Isbn13(std::string_view text);

// A date as the list's day: "5", 上, 中 or 下, or empty when the text gives no day (a month
// alone, "2006.9", "196607", or no date at all). `outside` is set when the text names a year
// and month other than `month`. Full-width digits are read; a mail-style date with a time zone
// ("Thu, 04 Dec 2026 15:00:00 GMT") is taken in Japan's time.
std::string ListDay(std::string_view text, std::chrono::year_month month, bool& outside);

}  // namespace yomida

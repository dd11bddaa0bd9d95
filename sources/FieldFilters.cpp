#include "sources/FieldFilters.h"

#include <unicode/bytestream.h>
#include <unicode/normalizer2.h>
#include <unicode/regex.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <array>
#include <mutex>
#include <stdexcept>

#include "sources/DefinedSourceError.h"
#include "text/Numbers.h"

namespace yomida {
namespace {

using namespace std::chrono;

// ICU counts match steps rather than time; this is well under a second for any sane
// expression, and stops one that backtracks without end.
constexpr int32_t kRegexStepLimit = 1000;

std::unique_ptr<icu::RegexPattern> CompileRegex(const std::string& pattern, std::string* fault) {
    UErrorCode status = U_ZERO_ERROR;
    UParseError where{};
    std::unique_ptr<icu::RegexPattern> compiled(
        icu::RegexPattern::compile(icu::UnicodeString::fromUTF8(pattern), 0, where, status));
    if (U_FAILURE(status)) {
        if (fault != nullptr) {
            *fault = std::string("the expression \"") + pattern + "\" cannot be used (" +
                     u_errorName(status) + " at character " + std::to_string(where.offset + 1) +
                     ")";
        }
        return nullptr;
    }
    return compiled;
}

std::unique_ptr<icu::RegexMatcher> NewMatcher(const icu::RegexPattern& pattern) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::RegexMatcher> matcher(pattern.matcher(status));
    if (U_FAILURE(status)) {
        throw std::runtime_error(std::string("ICU cannot match: ") + u_errorName(status));
    }
    matcher->setTimeLimit(kRegexStepLimit, status);
    return matcher;
}

// Every match replaced, as RegexMatcher::replaceAll does, but with a time-out reported in
// `status` instead of taken for the last match.
icu::UnicodeString ReplaceEveryMatch(icu::RegexMatcher& matcher, const icu::UnicodeString& input,
                                     const icu::UnicodeString& replacement, UErrorCode& status) {
    icu::UnicodeString out;
    matcher.reset(input);
    while (matcher.find(status) && U_SUCCESS(status)) {
        matcher.appendReplacement(out, replacement, status);
    }
    if (U_SUCCESS(status)) {
        matcher.appendTail(out);
    }
    return out;
}

std::string Utf8Of(const icu::UnicodeString& text);

// The first group of the first match, or the whole match when the expression has no group
// that took part; empty when nothing matches.
std::string FirstGroup(icu::RegexMatcher& matcher, const icu::UnicodeString& input,
                       UErrorCode& status) {
    matcher.reset(input);
    if (!matcher.find(status) || U_FAILURE(status)) {
        return "";
    }
    const int32_t group = matcher.groupCount() >= 1 && matcher.start(1, status) >= 0 ? 1 : 0;
    return Utf8Of(matcher.group(group, status));
}

std::string Utf8Of(const icu::UnicodeString& text) {
    std::string out;
    text.toUTF8String(out);
    return out;
}

// Expressions the date and name rules use, compiled once for the whole program.
const icu::RegexPattern& BuiltInPattern(const char* pattern) {
    std::string fault;
    static std::mutex mutex;
    static std::vector<std::pair<const char*, std::unique_ptr<icu::RegexPattern>>> compiled;
    const std::lock_guard lock(mutex);
    for (const auto& [text, regex] : compiled) {
        if (text == pattern) {
            return *regex;
        }
    }
    std::unique_ptr<icu::RegexPattern> regex = CompileRegex(pattern, &fault);
    if (!regex) {
        throw std::logic_error(fault);
    }
    compiled.emplace_back(pattern, std::move(regex));
    return *compiled.back().second;
}

// The groups of the first match of a built-in expression from the start of `text`, or nothing.
std::optional<std::vector<std::string>> MatchFromStart(const char* pattern,
                                                       const icu::UnicodeString& text) {
    const std::unique_ptr<icu::RegexMatcher> matcher = NewMatcher(BuiltInPattern(pattern));
    matcher->reset(text);
    UErrorCode status = U_ZERO_ERROR;
    if (!matcher->lookingAt(status) || U_FAILURE(status)) {
        return std::nullopt;
    }
    std::vector<std::string> groups;
    for (int32_t g = 1; g <= matcher->groupCount(); ++g) {
        groups.push_back(Utf8Of(matcher->group(g, status)));
    }
    return groups;
}

int Number(const std::string& digits) {
    return digits.empty() ? 0 : StrToInt(digits.substr(0, 9));
}

std::string MarkerOf(const std::string& word) {
    // 上旬 and 上 alike: the first character is the marker.
    return word.substr(0, std::string("上").size());
}

std::string DayText(year_month month, int day) {
    const year_month_day date = month / std::chrono::day(static_cast<unsigned>(day));
    return day >= 1 && date.ok() ? std::to_string(day) : "";
}

int MonthOfName(const std::string& name) {
    static constexpr std::array<const char*, 12> kNames = {
        "jan", "feb", "mar", "apr", "may", "jun", "jul", "aug", "sep", "oct", "nov", "dec"};
    std::string lower = name.substr(0, 3);
    std::ranges::transform(lower, lower.begin(),
                           [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; });
    const auto found = std::ranges::find_if(kNames, [&](const char* n) { return lower == n; });
    return found == kNames.end() ? 0 : static_cast<int>(found - kNames.begin()) + 1;
}

// Minutes east of UTC of a mail-style zone ("+0900", "GMT"), or nothing for a zone not known.
std::optional<int> ZoneMinutes(const std::string& zone) {
    if (zone.size() == 5 && (zone[0] == '+' || zone[0] == '-')) {
        const int hhmm = Number(zone.substr(1));
        const int minutes = hhmm / 100 * 60 + hhmm % 100;
        return zone[0] == '+' ? minutes : -minutes;
    }
    if (zone == "GMT" || zone == "UT" || zone == "UTC" || zone == "Z") {
        return 0;
    }
    if (zone == "JST") {
        return 9 * 60;
    }
    return std::nullopt;
}

struct ListDate {
    std::optional<year_month> month;
    std::string day;
};

ListDate ReadMailDate(const std::vector<std::string>& g) {
    const int monthNumber = MonthOfName(g[1]);
    if (monthNumber == 0) {
        return {};
    }
    const year_month month{year{Number(g[2])}, std::chrono::month{unsigned(monthNumber)}};
    if (!(month / std::chrono::day(unsigned(std::min(Number(g[0]), 32)))).ok()) {
        return {month, ""};
    }
    sys_days day = sys_days(month / std::chrono::day(unsigned(std::min(Number(g[0]), 31))));
    const std::optional<int> zone = g[3].empty() ? std::nullopt : ZoneMinutes(g[5]);
    if (zone) {
        // A release day is a day in Japan: the moment is moved from its zone to Japan's.
        const minutes at = hours{Number(g[3])} + minutes{Number(g[4])} - minutes{*zone};
        day = floor<days>(day + at + hours{9});
    }
    const year_month_day date{day};
    return {year_month{date.year(), date.month()}, std::to_string(unsigned(date.day()))};
}

ListDate ReadDate(const icu::UnicodeString& text, year_month target) {
    const auto month = [](const std::string& y, const std::string& m) -> std::optional<year_month> {
        const year_month ym{year{Number(y)}, std::chrono::month{unsigned(Number(m))}};
        return ym.ok() ? std::optional(ym) : std::nullopt;
    };
    if (auto g = MatchFromStart(
            R"(([0-9]{4})\s*[-/.年]\s*([0-9]{1,2})\s*[-/.月]\s*([0-9]{1,2})(?![0-9]))", text)) {
        const auto ym = month((*g)[0], (*g)[1]);
        return {ym, ym ? DayText(*ym, Number((*g)[2])) : ""};
    }
    if (auto g = MatchFromStart(
            R"(([0-9]{4})\s*[-/.年]\s*([0-9]{1,2})\s*月?\s*(上旬|中旬|下旬|上|中|下))", text)) {
        return {month((*g)[0], (*g)[1]), MarkerOf((*g)[2])};
    }
    if (auto g = MatchFromStart(R"(([0-9]{4})\s*[-/.年]\s*([0-9]{1,2})(?![0-9]))", text)) {
        return {month((*g)[0], (*g)[1]), ""};
    }
    if (auto g = MatchFromStart(R"(([0-9]{4})([0-9]{2})([0-9]{2})?(?![0-9]))", text)) {
        const auto ym = month((*g)[0], (*g)[1]);
        return {ym, ym && !(*g)[2].empty() ? DayText(*ym, Number((*g)[2])) : ""};
    }
    if (auto g =
            MatchFromStart(R"((?:[A-Za-z]{3},?\s*)?([0-9]{1,2})\s+([A-Za-z]{3})[A-Za-z]*\.?\s+)"
                           R"(([0-9]{4})(?:\s+([0-9]{1,2}):([0-9]{2})(:[0-9]{2})?\s*)"
                           R"(([+-][0-9]{4}|[A-Za-z]{1,3})?)?)",
                           text)) {
        std::vector<std::string> groups = *g;
        groups.erase(groups.begin() + 5);  // the seconds
        return ReadMailDate(groups);
    }
    // Month and day without a year are taken in the list's year.
    const std::string targetYear = std::to_string(int(target.year()));
    if (auto g = MatchFromStart(R"(([0-9]{1,2})\s*[月/]\s*([0-9]{1,2})\s*日?(?![0-9]))", text)) {
        const auto ym = month(targetYear, (*g)[0]);
        return {ym, ym ? DayText(*ym, Number((*g)[1])) : ""};
    }
    if (auto g = MatchFromStart(R"(([0-9]{1,2})\s*月\s*(上旬|中旬|下旬|上|中|下))", text)) {
        return {month(targetYear, (*g)[0]), MarkerOf((*g)[1])};
    }
    if (auto g = MatchFromStart(R"(([0-9]{1,2})\s*日?\s*$)", text)) {
        return {std::nullopt, DayText(target, Number((*g)[0]))};
    }
    if (auto g = MatchFromStart(R"((上旬|中旬|下旬|上|中|下)\s*$)", text)) {
        return {std::nullopt, MarkerOf((*g)[0])};
    }
    return {};
}

bool IsTrimmed(char32_t c) {
    return c <= 0x20 || c == 0x7F || c == 0xA0 || c == 0x3000;
}

int IsbnCheck13(std::string_view twelve) {
    int sum = 0;
    for (size_t i = 0; i < 12; ++i) {
        sum += (twelve[i] - '0') * (i % 2 == 0 ? 1 : 3);
    }
    return (10 - sum % 10) % 10;
}

bool ValidIsbn10(std::string_view ten) {
    int sum = 0;
    for (size_t i = 0; i < 10; ++i) {
        const int digit = ten[i] == 'X' || ten[i] == 'x' ? 10 : ten[i] - '0';
        sum += digit * static_cast<int>(10 - i);
    }
    return sum % 11 == 0;
}

std::string FieldSteps(const std::string& field, const char* step) {
    return "the " + std::string(step) + " step of the field \"" + field + "\"";
}

}  // namespace

// One step with its expression compiled, and a matcher of its own to reuse value after value.
struct FieldCleaner::Step {
    FieldFilter filter;
    std::unique_ptr<icu::RegexPattern> pattern;
    std::unique_ptr<icu::RegexMatcher> matcher;
    icu::UnicodeString replacement;
};

FieldCleaner::FieldCleaner(std::string field, const std::vector<FieldFilter>& filters)
    : field_(std::move(field)) {
    for (const FieldFilter& filter : filters) {
        Step step{filter, nullptr, nullptr, {}};
        if (filter.kind == FilterKind::Replace || filter.kind == FilterKind::Match) {
            std::string fault;
            step.pattern = CompileRegex(filter.argument, &fault);
            if (!step.pattern) {
                throw DefinedSourceError(fault);
            }
            step.matcher = NewMatcher(*step.pattern);
            step.replacement = icu::UnicodeString::fromUTF8(filter.replacement);
        }
        steps_.push_back(std::move(step));
    }
}

FieldCleaner::~FieldCleaner() = default;
FieldCleaner::FieldCleaner(FieldCleaner&&) noexcept = default;
FieldCleaner& FieldCleaner::operator=(FieldCleaner&&) noexcept = default;

bool FieldCleaner::Apply(std::vector<std::string>& values, year_month month) const {
    bool inMonth = true;
    for (const Step& step : steps_) {
        if (step.filter.kind == FilterKind::First) {
            values.resize(std::min<size_t>(values.size(), 1));
        } else if (step.filter.kind == FilterKind::Join) {
            std::string joined;
            for (const std::string& v : values) {
                joined += (joined.empty() ? "" : step.filter.argument) + v;
            }
            values.assign(1, joined);
        } else {
            for (std::string& v : values) {
                inMonth = ApplyToValue(step, v, month) && inMonth;
            }
        }
        std::erase_if(values, [](const std::string& v) { return v.empty(); });
    }
    return inMonth;
}

bool FieldCleaner::ApplyToValue(const Step& step, std::string& v, year_month month) const {
    UErrorCode status = U_ZERO_ERROR;
    bool outside = false;
    switch (step.filter.kind) {
        case FilterKind::Trim:
            v = TrimText(v);
            break;
        case FilterKind::Nfkc:
            v = NfkcText(v);
            break;
        case FilterKind::DropLifeDates:
            v = DropLifeDates(v);
            break;
        case FilterKind::Price:
            v = PriceDigits(v);
            break;
        case FilterKind::Isbn:
            v = Isbn13(v);
            break;
        case FilterKind::Date:
            v = ListDay(v, month, outside);
            break;
        case FilterKind::Replace:
            v = Utf8Of(ReplaceEveryMatch(*step.matcher, icu::UnicodeString::fromUTF8(v),
                                         step.replacement, status));
            break;
        case FilterKind::Match:
            v = FirstGroup(*step.matcher, icu::UnicodeString::fromUTF8(v), status);
            break;
        case FilterKind::First:
        case FilterKind::Join:
            break;
    }
    const char* name = step.filter.kind == FilterKind::Match ? "match" : "replace";
    if (status == U_REGEX_TIME_OUT || status == U_REGEX_STACK_OVERFLOW) {
        throw DefinedSourceError(FieldSteps(field_, name) +
                                 " runs too long on a value of the response");
    }
    if (U_FAILURE(status)) {
        throw DefinedSourceError(FieldSteps(field_, name) +
                                 " cannot apply: " + u_errorName(status));
    }
    return !outside;
}

std::optional<std::string> RegexFault(const std::string& pattern) {
    std::string fault;
    if (!CompileRegex(pattern, &fault)) {
        return fault;
    }
    return std::nullopt;
}

struct TextCondition::Compiled {
    std::unique_ptr<icu::RegexPattern> pattern;
    std::unique_ptr<icu::RegexMatcher> matcher;
};

TextCondition::TextCondition(const std::string& pattern) : compiled_(new Compiled) {
    std::string fault;
    compiled_->pattern = CompileRegex(pattern, &fault);
    if (!compiled_->pattern) {
        throw DefinedSourceError(fault);
    }
    compiled_->matcher = NewMatcher(*compiled_->pattern);
}

TextCondition::~TextCondition() = default;
TextCondition::TextCondition(TextCondition&&) noexcept = default;
TextCondition& TextCondition::operator=(TextCondition&&) noexcept = default;

bool TextCondition::Matches(std::string_view text) const {
    const icu::UnicodeString input = icu::UnicodeString::fromUTF8(text);
    compiled_->matcher->reset(input);
    UErrorCode status = U_ZERO_ERROR;
    const bool found = compiled_->matcher->find(status);
    if (status == U_REGEX_TIME_OUT || status == U_REGEX_STACK_OVERFLOW) {
        throw DefinedSourceError("a record condition runs too long on a value of the response");
    }
    return found && U_SUCCESS(status);
}

std::string NfkcText(std::string_view text) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfkc = icu::Normalizer2::getNFKCInstance(status);
    if (U_FAILURE(status)) {
        throw std::runtime_error("ICU has no NFKC normaliser");
    }
    const icu::StringPiece piece(text.data(), static_cast<int32_t>(text.size()));
    if (nfkc->isNormalizedUTF8(piece, status) && U_SUCCESS(status)) {
        return std::string(text);
    }
    status = U_ZERO_ERROR;
    std::string out;
    icu::StringByteSink<std::string> sink(&out);
    nfkc->normalizeUTF8(0, piece, sink, nullptr, status);
    return U_SUCCESS(status) ? out : std::string(text);
}

std::string TrimText(std::string_view text) {
    const icu::UnicodeString u = icu::UnicodeString::fromUTF8(text);
    int32_t start = 0;
    int32_t end = u.length();
    while (start < end && IsTrimmed(static_cast<char32_t>(u.char32At(start)))) {
        start = u.moveIndex32(start, 1);
    }
    while (end > start && IsTrimmed(static_cast<char32_t>(u.char32At(u.moveIndex32(end, -1))))) {
        end = u.moveIndex32(end, -1);
    }
    return Utf8Of(u.tempSubStringBetween(start, end));
}

std::string DropLifeDates(std::string_view name) {
    const std::unique_ptr<icu::RegexMatcher> matcher = NewMatcher(
        BuiltInPattern(R"(\s*[,，]\s*(?:\p{Nd}{3,4}[?？]?\s*[-‐‑–—－]\s*(?:\p{Nd}{3,4}[?？]?)?|)"
                       R"([-‐‑–—－]\s*\p{Nd}{3,4}[?？]?)\s*(?=$|[;；/／、,，]))"));
    UErrorCode status = U_ZERO_ERROR;
    const icu::UnicodeString dropped = ReplaceEveryMatch(
        *matcher, icu::UnicodeString::fromUTF8(name), icu::UnicodeString(), status);
    return U_SUCCESS(status) ? Utf8Of(dropped) : std::string(name);
}

std::string PriceDigits(std::string_view price) {
    const std::string text = NfkcText(price);
    std::string digits;
    size_t at = text.find_first_of("0123456789");
    while (at < text.size()) {
        const char c = text[at];
        if (c >= '0' && c <= '9') {
            digits += c;
        } else if (!(c == ',' && at + 1 < text.size() && text[at + 1] >= '0' &&
                     text[at + 1] <= '9')) {
            break;
        }
        ++at;
    }
    return digits;
}

std::string Isbn13(std::string_view text) {
    std::string chars;
    for (const char c : NfkcText(text)) {
        if ((c >= '0' && c <= '9') || c == 'X' || c == 'x') {
            chars += c;
        } else if (c != '-' && c != ' ') {
            chars += ' ';  // a word between two numbers keeps them apart
        }
    }
    for (size_t at = 0; at + 10 <= chars.size(); ++at) {
        const std::string_view thirteen = std::string_view(chars).substr(at, 13);
        if (thirteen.size() == 13 && (thirteen.starts_with("978") || thirteen.starts_with("979")) &&
            std::ranges::all_of(thirteen, [](char c) { return c >= '0' && c <= '9'; }) &&
            IsbnCheck13(thirteen) == thirteen[12] - '0') {
            return std::string(thirteen);
        }
        const std::string_view ten = std::string_view(chars).substr(at, 10);
        if ((at == 0 || chars[at - 1] == ' ') &&
            (at + 10 == chars.size() || chars[at + 10] == ' ') &&
            std::all_of(ten.begin(), ten.end() - 1, [](char c) { return c >= '0' && c <= '9'; }) &&
            ValidIsbn10(ten)) {
            std::string isbn = "978" + std::string(ten.substr(0, 9));
            isbn += static_cast<char>('0' + IsbnCheck13(isbn));
            return isbn;
        }
    }
    return "";
}

std::string ListDay(std::string_view text, year_month month, bool& outside) {
    const ListDate date = ReadDate(icu::UnicodeString::fromUTF8(TrimText(NfkcText(text))), month);
    outside = date.month.has_value() && *date.month != month;
    return date.day;
}

}  // namespace yomida

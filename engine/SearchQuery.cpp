#include "engine/SearchQuery.h"

#include <charconv>

#include "sources/RecordLayout.h"
#include "text/CommaText.h"
#include "text/NormaliseWidth.h"
#include "text/Sjis.h"
#include "text/SjisLiteral.h"

namespace yomida {
namespace {

// The day of a date field, or -1 when the field is not a whole decimal number.
int DayOf(std::string_view field) {
    const char* first = field.data();
    const char* last = first + field.size();
    if (first != last && *first == '+') {
        ++first;
    }
    int day = -1;
    auto [end, ec] = std::from_chars(first, last, day);
    if (ec != std::errc() || end != last || first == last) {
        return -1;
    }
    return day;
}

// The words as they are compared: upper-cased, and with the full-width spaces that kept them
// whole through the split half-width again, as a release's fields hold spaces.
std::vector<std::string> UpperCased(const std::vector<std::string>& words) {
    std::vector<std::string> upper;
    upper.reserve(words.size());
    for (const std::string& w : words) {
        upper.push_back(ReplaceAllSjis(w, "　"_sj, " "));
        AnsiUpperInPlace(upper.back());
    }
    return upper;
}

bool AnyWordMatches(const std::vector<std::string>& upperWords, std::string_view field) {
    if (field.empty()) {
        return false;
    }
    // One buffer per thread, reused for every field: a query is shared by the watch scan's
    // threads, and a load compares hundreds of thousands of fields.
    thread_local std::string upperField;
    upperField.assign(field);
    AnsiUpperInPlace(upperField);
    for (const std::string& word : upperWords) {
        if (!word.empty() && FindSjis(upperField, word) != std::string::npos) {
            return true;
        }
    }
    return false;
}

}  // namespace

SearchQuery::SearchQuery(std::string_view publisherText, std::string_view titleText,
                         std::string_view authorText)
    : publisherWords_(SplitCommaText(publisherText)),
      titleWords_(SplitCommaText(titleText)),
      authorWords_(SplitCommaText(authorText)),
      upperPublisherWords_(UpperCased(publisherWords_)),
      upperTitleWords_(UpperCased(titleWords_)),
      upperAuthorWords_(UpperCased(authorWords_)) {}

SearchQuery SearchQuery::FromTypedTexts(std::string_view publisherText, std::string_view titleText,
                                        std::string_view authorText) {
    // A text that normalises to nothing is split as typed, as a search box keeps it.
    auto normalised = [](std::string_view text) {
        std::string t = NormaliseSearchText(text);
        return t.empty() ? std::string(text) : t;
    };
    return SearchQuery(normalised(publisherText), normalised(titleText), normalised(authorText));
}

bool SearchQuery::HasWords() const {
    return !publisherWords_.empty() || !titleWords_.empty() || !authorWords_.empty();
}

bool SearchQuery::Matches(const Release& release) const {
    if (release.FieldCount() <= kTitleCol) {
        return false;
    }
    if (checkedOnly && !release.TickedInFile()) {
        return false;
    }
    if (dateRange) {
        const std::string_view date = release.RawField(kDateCol);
        const int day = DayOf(date);
        const int last = lastDay == 0 ? 31 : lastDay;
        const bool inSpan = firstDay <= day && day <= last;
        const bool marker = (marks.early && date == "上"_sj) || (marks.middle && date == "中"_sj) ||
                            (marks.late && date == "下"_sj);
        if (!inSpan && !marker) {
            return false;
        }
    }
    if (!publisherWords_.empty() &&
        !AnyWordMatches(upperPublisherWords_, release.RawField(kPublisherCol))) {
        return false;
    }
    if (!titleWords_.empty() || !authorWords_.empty()) {
        const bool title = AnyWordMatches(upperTitleWords_, release.RawField(kTitleCol));
        const bool author = !title && release.FieldCount() > kAuthorCol &&
                            AnyWordMatches(upperAuthorWords_, release.RawField(kAuthorCol));
        if (!title && !author) {
            return false;
        }
    }
    return true;
}

std::string NormaliseSearchText(std::string_view text) {
    return ReplaceAllSjis(NormaliseWidth(TrimControls(text)), " ", "　"_sj);
}

}  // namespace yomida

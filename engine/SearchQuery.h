#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/Release.h"

namespace yomida {

// The date markers a record may carry instead of a day: early, middle and late in the month.
struct DayMarks {
    bool early = true;   // 上
    bool middle = true;  // 中
    bool late = true;    // 下
};

// What a search asks of a release record, whoever asks it: the search panel, the watch scan or
// yomida-cli. Words within one list are alternatives; the publisher words narrow the result,
// and the title and author words together form one group of alternatives. Texts are CP932.
class SearchQuery {
public:
    SearchQuery() = default;
    // Each text is split at its commas into words, as it stands.
    SearchQuery(std::string_view publisherText, std::string_view titleText,
                std::string_view authorText);
    // Each text normalised first as a search box normalises what is typed into it.
    static SearchQuery FromTypedTexts(std::string_view publisherText, std::string_view titleText,
                                      std::string_view authorText);

    const std::vector<std::string>& PublisherWords() const { return publisherWords_; }
    const std::vector<std::string>& TitleWords() const { return titleWords_; }
    const std::vector<std::string>& AuthorWords() const { return authorWords_; }
    bool HasWords() const;

    // The day span applies only while `dateRange` is on; a record dated by a marker passes
    // when its marker is allowed, whatever the span.
    bool dateRange = false;
    int firstDay = 1;
    int lastDay = 31;
    DayMarks marks;
    bool checkedOnly = false;  // only releases whose stored flag is ticked

    bool Matches(const Release& release) const;

private:
    std::vector<std::string> publisherWords_;
    std::vector<std::string> titleWords_;
    std::vector<std::string> authorWords_;
    std::vector<std::string> upperPublisherWords_;
    std::vector<std::string> upperTitleWords_;
    std::vector<std::string> upperAuthorWords_;
};

// A typed search text as the search box keeps it: blanks trimmed, widths normalised and
// half-width spaces made full-width, so a title typed with spaces stays one word.
std::string NormaliseSearchText(std::string_view text);

}  // namespace yomida

#include "app/SearchFilter.h"

#include <algorithm>
#include <charconv>
#include <stdexcept>

#include "sources/RecordLayout.h"
#include "text/CommaText.h"
#include "text/NormaliseWidth.h"
#include "text/Sjis.h"
#include "text/SjisLiteral.h"

namespace yomida {
namespace {

// The day of a date field, or -1 when the field is not a whole decimal number.
int DayOf(const std::string& field) {
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

std::vector<std::string> UpperCased(const std::vector<std::string>& words) {
    std::vector<std::string> upper = words;
    for (std::string& w : upper) {
        AnsiUpperInPlace(w);
    }
    return upper;
}

}  // namespace

SearchFilter::SearchFilter(const Clock& clock) : clock_(clock) {
    CbDate.caption = "日付範囲検索をする"_sj;
    Pnl1.visible = false;
    SEdtF = SpinEdit{1, 31, 1};
    SEdtT = SpinEdit{0, 31, 31};
    Cb1 = CheckBox{"上"_sj, true};
    Cb2 = CheckBox{"中"_sj, true};
    Cb3 = CheckBox{"下"_sj, true};
    SelCheck.caption = "チェックのみ表示"_sj;
    SelCheck.hint = "チェックのみ表示"_sj;
}

ComboBox& SearchFilter::SearchBox(int box) {
    switch (box) {
        case 1:
            return CmbSrch1;
        case 2:
            return CmbSrch2;
        case 3:
            return CmbSrch3;
    }
    throw std::out_of_range("search box number");
}

void SearchFilter::PushSearchHistory(int box) {
    ComboBox& cmb = SearchBox(box);
    const std::string t = ReplaceAllSjis(NormaliseWidth(TrimControls(cmb.text)), " ", "　"_sj);
    if (t.empty()) {
        return;
    }
    std::vector<std::string>& history = cmb.items;
    auto same = std::find(history.begin(), history.end(), t);
    if (same != history.end()) {
        history.erase(same);
    }
    if (history.size() < kMaxHistory) {
        history.push_back(t);
    }
    // Everything moves one place down and the new text takes the top; when the history was
    // already full, the oldest entry falls off.
    std::move_backward(history.begin(), history.end() - 1, history.end());
    history.front() = t;
    cmb.text = t;
}

void SearchFilter::BuildWordLists() {
    SplitCommaText(CmbSrch1.text, PublisherWords);
    SplitCommaText(CmbSrch2.text, TitleWords);
    SplitCommaText(CmbSrch3.text, AuthorWords);
    upperPublisherWords_ = UpperCased(PublisherWords);
    upperTitleWords_ = UpperCased(TitleWords);
    upperAuthorWords_ = UpperCased(AuthorWords);
}

bool SearchFilter::AnyWordMatches(const std::vector<std::string>& upperWords,
                                  const std::string& field) {
    if (field.empty()) {
        return false;
    }
    upperField_.assign(field);
    AnsiUpperInPlace(upperField_);
    for (const std::string& word : upperWords) {
        if (!word.empty() && FindSjis(upperField_, word) != std::string::npos) {
            return true;
        }
    }
    return false;
}

bool SearchFilter::RecordMatches(const std::vector<std::string>& fields) {
    if (fields.size() <= kTitleCol) {
        return false;
    }
    if (SelCheck.checked && fields[kCheckCol] != "1") {
        return false;
    }
    if (CbDate.checked) {
        const std::string& date = fields[kDateCol];
        const int day = DayOf(date);
        if (SEdtT.value == 0) {
            SEdtT.value = 31;
        }
        const bool inSpan = SEdtF.value <= day && day <= SEdtT.value;
        const bool marker = (Cb1.checked && date == "上"_sj) || (Cb2.checked && date == "中"_sj) ||
                            (Cb3.checked && date == "下"_sj);
        if (!inSpan && !marker) {
            return false;
        }
    }
    if (!PublisherWords.empty() && !AnyWordMatches(upperPublisherWords_, fields[kPublisherCol])) {
        return false;
    }
    if (!TitleWords.empty() || !AuthorWords.empty()) {
        const bool title = AnyWordMatches(upperTitleWords_, fields[kTitleCol]);
        const bool author = !title && fields.size() > kAuthorCol &&
                            AnyWordMatches(upperAuthorWords_, fields[kAuthorCol]);
        if (!title && !author) {
            return false;
        }
    }
    return true;
}

void SearchFilter::LblDateDblClick() {
    const int today = static_cast<int>(static_cast<unsigned>(clock_.Today().day()));
    SEdtF.SetValue(today);
    SEdtT.SetValue(today);
    Cb1.checked = false;
    Cb2.checked = false;
    Cb3.checked = false;
}

}  // namespace yomida

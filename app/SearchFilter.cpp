#include "app/SearchFilter.h"

#include <algorithm>
#include <stdexcept>

#include "text/SjisLiteral.h"

namespace yomida {

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
    const std::string t = NormaliseSearchText(cmb.text);
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

SearchQuery SearchFilter::Query() {
    SearchQuery query(CmbSrch1.text, CmbSrch2.text, CmbSrch3.text);
    query.dateRange = CbDate.checked;
    if (query.dateRange && SEdtT.value == 0) {
        SEdtT.value = 31;
    }
    query.firstDay = SEdtF.value;
    query.lastDay = SEdtT.value;
    query.marks = DayMarks{Cb1.checked, Cb2.checked, Cb3.checked};
    query.checkedOnly = SelCheck.checked;
    return query;
}

SearchQuery SearchFilter::Submit() {
    for (int box = 1; box <= 3; ++box) {
        PushSearchHistory(box);
    }
    return Query();
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

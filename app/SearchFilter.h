#pragma once

#include <string>
#include <vector>

#include "app/Controls.h"
#include "engine/SearchQuery.h"
#include "platform/Clock.h"

namespace yomida {

// The filter controls of the main window's search panel, which build the query a display
// applies to every line of a data file.
class SearchFilter {
public:
    static constexpr size_t kMaxHistory = 10;

    explicit SearchFilter(const Clock& clock);

    ComboBox CmbSrch1;     // 出版社: publisher words, with their history
    ComboBox CmbSrch2;     // タイトル: title words
    ComboBox CmbSrch3;     // 作者名: author words
    CheckBox CbDate;       // 日付範囲検索をする: the date range switch
    Panel Pnl1;            // the date range controls, shown while the switch is on
    SpinEdit SEdtF;        // first day of the range
    SpinEdit SEdtT;        // last day of the range; 0 stands for 31
    CheckBox Cb1;          // 上: records dated "early in the month" pass the range
    CheckBox Cb2;          // 中: "middle of the month"
    CheckBox Cb3;          // 下: "late in the month"
    ActionState SelCheck;  // チェックのみ表示: only ticked records

    // Box 1, 2 or 3 (publisher, title, author).
    ComboBox& SearchBox(int box);

    // Normalises the box's text and puts it at the top of the box's history.
    void PushSearchHistory(int box);
    // The query the controls ask, words split from the boxes' texts as they stand. With the
    // date range on, a last day of 0 stands for 31 and the control is set to show it.
    SearchQuery Query();
    // What a display does with the panel: every box's text normalised and put at the top of
    // its history, then the query built.
    SearchQuery Submit();

    void CmbSrch1Change() { CmbSrch1.hint = CmbSrch1.text; }
    void CmbSrch2Change() { CmbSrch2.hint = CmbSrch2.text; }
    void CmbSrch3Change() { CmbSrch3.hint = CmbSrch3.text; }
    void CbDateClick() { Pnl1.visible = CbDate.checked; }
    void LblDateDblClick();
    void SelCheckExecute() { SelCheck.checked = !SelCheck.checked; }

private:
    const Clock& clock_;
};

}  // namespace yomida

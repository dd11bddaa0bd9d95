#pragma once

#include <string>
#include <vector>

#include "app/Controls.h"
#include "platform/Clock.h"

namespace yomida {

// The filter controls of the main window and the predicate that the loader applies to every
// line of a data file. Words within one box are alternatives; the publisher box narrows the
// result, and the title and author boxes together form one group of alternatives.
class SearchFilter {
public:
    static constexpr size_t kMaxHistory = 10;

    explicit SearchFilter(const Clock& clock);

    ComboBox CmbSrch1;  // publisher words
    ComboBox CmbSrch2;  // title words
    ComboBox CmbSrch3;  // author words
    CheckBox CbDate;
    Panel Pnl1;
    SpinEdit SEdtF;
    SpinEdit SEdtT;  // 0 stands for 31
    CheckBox Cb1;
    CheckBox Cb2;
    CheckBox Cb3;
    ActionState SelCheck;

    // Rebuilt from the boxes at every display.
    std::vector<std::string> PublisherWords;
    std::vector<std::string> TitleWords;
    std::vector<std::string> AuthorWords;

    // Box 1, 2 or 3 (publisher, title, author).
    ComboBox& SearchBox(int box);

    // Normalises the box's text and puts it at the top of the box's history.
    void PushSearchHistory(int box);
    // Fills the three word lists from the boxes' texts.
    void BuildWordLists();
    // The fields of one data line, spaces still stored as full-width spaces.
    bool RecordMatches(const std::vector<std::string>& fields);

    void CmbSrch1Change() { CmbSrch1.hint = CmbSrch1.text; }
    void CmbSrch2Change() { CmbSrch2.hint = CmbSrch2.text; }
    void CmbSrch3Change() { CmbSrch3.hint = CmbSrch3.text; }
    void CbDateClick() { Pnl1.visible = CbDate.checked; }
    void LblDateDblClick();
    void SelCheckExecute() { SelCheck.checked = !SelCheck.checked; }

private:
    bool AnyWordMatches(const std::vector<std::string>& upperWords, const std::string& field);

    const Clock& clock_;
    std::vector<std::string> upperPublisherWords_;
    std::vector<std::string> upperTitleWords_;
    std::vector<std::string> upperAuthorWords_;
    std::string upperField_;  // reused for every field compared
};

}  // namespace yomida

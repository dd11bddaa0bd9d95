#pragma once

#include <string>
#include <vector>

namespace yomida {

// The logic of the word-list editor "YOMIDA エディター": a search box's words one per line,
// sorted and without duplicates, joined back with commas on OK.
class TFRMedit {
public:
    std::vector<std::string> Memo1;  // the lines, CP932
    std::string EdtName;             // "CmbSrch1", "CmbSrch2" or "CmbSrch3"
    bool visible = false;

    // Opens (or reopens) the editor on a box's text; unsaved lines are replaced.
    void Open(const std::string& boxName, const std::string& boxText);
    // The box text OK writes: the lines joined by single commas.
    std::string JoinedText() const;
    void Close() { visible = false; }
};

}  // namespace yomida

#pragma once

#include <functional>
#include <string>
#include <vector>

namespace yomida {

// The logic of the word-list editor "YOMIDA エディター": a search box's words one per line,
// sorted and without duplicates, joined back with commas on OK.
class WordListEditor {
public:
    // `writeBox` puts the joined words into the search box the editor was opened on.
    explicit WordListEditor(
        std::function<void(const std::string& boxName, const std::string& text)> writeBox)
        : writeBox_(std::move(writeBox)) {}

    std::vector<std::string> Memo1;  // the lines, CP932
    std::string EdtName;             // "CmbSrch1", "CmbSrch2" or "CmbSrch3"
    bool visible = false;

    // Opens (or reopens) the editor on a box's text; unsaved lines are replaced.
    void Open(const std::string& boxName, const std::string& boxText);
    // The box text OK writes: the lines joined by single commas.
    std::string JoinedText() const;
    // Writes the lines into the box and closes.
    void BtnOKClick();
    void Close() { visible = false; }

private:
    std::function<void(const std::string&, const std::string&)> writeBox_;
};

}  // namespace yomida

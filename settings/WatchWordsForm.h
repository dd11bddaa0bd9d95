#pragma once

#include <array>
#include <string>
#include <vector>

#include "settings/SettingsRecord.h"

namespace yomida {

// The logic of the dialog ウォッチ設定: the publisher, title and author watch words, one word a
// line in each box, kept in the settings as comma texts like the search boxes'.
class WatchWordsForm {
public:
    explicit WatchWordsForm(SettingsRecord& settings) : settings_(settings) {}

    // The boxes' lines, CP932: publisher, title, author.
    std::array<std::vector<std::string>, 3> Memo;

    // Fills the boxes from the settings.
    void FormShow();
    // Puts the boxes' words into the settings; blank lines are dropped.
    void BtnOkClick();

    // A comma text as one word a line, and back; a word holding a comma or a quote is quoted so it
    // comes back whole; spaces stay inside a word, as in the search boxes.
    static std::vector<std::string> WordLines(const std::string& commaText);
    static std::string CommaTextOf(const std::vector<std::string>& lines);

private:
    SettingsRecord& settings_;
};

}  // namespace yomida

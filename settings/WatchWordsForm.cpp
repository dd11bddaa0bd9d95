#include "settings/WatchWordsForm.h"

#include "text/CommaText.h"
#include "text/Sjis.h"
#include "text/SjisLiteral.h"

namespace yomida {

void WatchWordsForm::FormShow() {
    Memo[0] = WordLines(settings_.watchPublisher);
    Memo[1] = WordLines(settings_.watchTitle);
    Memo[2] = WordLines(settings_.watchAuthor);
}

void WatchWordsForm::BtnOkClick() {
    settings_.watchPublisher = CommaTextOf(Memo[0]);
    settings_.watchTitle = CommaTextOf(Memo[1]);
    settings_.watchAuthor = CommaTextOf(Memo[2]);
}

std::vector<std::string> WatchWordsForm::WordLines(const std::string& commaText) {
    std::vector<std::string> lines;
    // Spaces are protected as the search boxes protect them, so a line splits at commas only.
    for (const std::string& item : SplitCommaText(ReplaceAllSjis(commaText, " ", "　"_sj))) {
        if (!item.empty()) {
            lines.push_back(ReplaceAllSjis(item, "　"_sj, " "));
        }
    }
    return lines;
}

std::string WatchWordsForm::CommaTextOf(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        const std::string word = Trimmed(line);
        if (word.empty()) {
            continue;
        }
        if (!text.empty()) {
            text += ',';
        }
        bool quote = false;
        for (char c : word) {
            quote =
                quote || c == ',' || c == '"' || (c != ' ' && static_cast<unsigned char>(c) < 0x20);
        }
        if (!quote) {
            text += word;
            continue;
        }
        AppendQuoted(word, text);
    }
    return text;
}

}  // namespace yomida

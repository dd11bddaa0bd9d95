#include "settings/WordListEditor.h"

#include <algorithm>

#include "platform/Collation.h"
#include "text/CommaText.h"

namespace yomida {

void WordListEditor::Open(const std::string& boxName, const std::string& boxText) {
    std::vector<std::string> words = SplitCommaText(boxText);
    // Sorted without regard to letter case; only byte-equal neighbours are duplicates.
    Collator collator("ja", Collator::Strength::IgnoreCase);
    std::vector<std::pair<std::string, std::string>> keyed;
    for (std::string& w : words) {
        std::string key;
        collator.AppendSortKey(w, key);
        keyed.emplace_back(std::move(key), std::move(w));
    }
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    Memo1.clear();
    for (auto& [key, word] : keyed) {
        if (Memo1.empty() || Memo1.back() != word) {
            Memo1.push_back(std::move(word));
        }
    }
    EdtName = boxName;
    visible = true;
}

std::string WordListEditor::JoinedText() const {
    std::string text;
    for (size_t i = 0; i < Memo1.size(); ++i) {
        if (i > 0) {
            text += ',';
        }
        text += Memo1[i];
    }
    return text;
}

void WordListEditor::BtnOKClick() {
    writeBox_(EdtName, JoinedText());
    Close();
}

}  // namespace yomida

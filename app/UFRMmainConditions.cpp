#include <string>

#include "app/UFRMmain.h"
#include "platform/Cp932.h"
#include "text/CommaText.h"
#include "text/Numbers.h"
#include "text/Sjis.h"
#include "text/SjisLiteral.h"

namespace yomida {
namespace {

constexpr size_t kMaxCopiedRows = 100;

}  // namespace

std::string TFRMmain::ConditionOptions() const {
    const std::string order = std::to_string(CmbSort.itemIndex);
    if (!CbDate.checked) {
        return order + ",0,0,0,0,0,0";
    }
    auto flag = [](bool on) { return on ? "1" : "0"; };
    return order + ",1," + std::to_string(SEdtF.value) + "," + std::to_string(SEdtT.value) + "," +
           flag(Cb1.checked) + "," + flag(Cb2.checked) + "," + flag(Cb3.checked);
}

void TFRMmain::ApplySavedCondition(int slot) {
    const SavedCondition& condition = Settings.conditions.at(static_cast<size_t>(slot - 1));
    if (TrimControls(condition[0]).empty()) {
        return;
    }
    const std::vector<std::string> options = SplitCommaText(condition[1]);
    if (options.size() != 7) {
        return;
    }
    CmbSort.itemIndex = StrToInt(options[0]);
    if (options[1] == "0") {
        CbDate.checked = false;
        Pnl1.visible = false;
    } else {
        CbDate.checked = true;
        Pnl1.visible = true;
        SEdtF.SetValue(StrToInt(options[2]));
        SEdtT.SetValue(StrToInt(options[3]));
        Cb1.checked = options[4] != "0";
        Cb2.checked = options[5] != "0";
        Cb3.checked = options[6] != "0";
    }
    CmbSrch1.text = condition[2];
    CmbSrch2.text = condition[3];
    CmbSrch3.text = condition[4];
}

void TFRMmain::JoukenDelExecute() {
    CbDate.checked = false;
    Pnl1.visible = false;
    CmbSrch1.text.clear();
    CmbSrch2.text.clear();
    CmbSrch3.text.clear();
}

void TFRMmain::OpenWordEditor(int box) {
    static const char* const kNames[] = {"CmbSrch1", "CmbSrch2", "CmbSrch3"};
    edit.Open(kNames[box - 1], SearchBox(box).text);
}

void TFRMmain::WordEditorOK() {
    for (int box = 1; box <= 3; ++box) {
        if (edit.EdtName == "CmbSrch" + std::to_string(box)) {
            SearchBox(box).text = edit.JoinedText();
        }
    }
    edit.Close();
}

void TFRMmain::CopyCheckedColumn(int box, int column, bool protectSpaces) {
    std::string text = SearchBox(box).text;
    const std::string& ticked = "■"_sj;
    size_t added = 0;
    for (int r = 1; r < ComboGrid1.RowCount() && added < kMaxCopiedRows; ++r) {
        if (ComboGrid1.Cell(1, r) != ticked) {
            continue;
        }
        if (!text.empty()) {
            text += ',';
        }
        text += ComboGrid1.Cell(column, r);
        ++added;
    }
    // A title is one word, spaces and all.
    SearchBox(box).text = protectSpaces ? ReplaceAllSjis(text, " ", "　"_sj) : text;
}

void TFRMmain::CopyTITLEExecute() {
    CopyCheckedColumn(2, 4, true);
}

void TFRMmain::CopySAKUSYAExecute() {
    CopyCheckedColumn(3, 5, false);
}

void TFRMmain::VERSIONExecute() {
    ver.Fill(Utf8ToCp932(Settings.manualFile.string()));
}

}  // namespace yomida

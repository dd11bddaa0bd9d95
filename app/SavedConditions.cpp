#include "app/SavedConditions.h"

#include "text/CommaText.h"
#include "text/Numbers.h"
#include "text/Sjis.h"

namespace yomida {

std::string SavedConditions::ConditionOptions() const {
    const SearchFilter& f = list_.Filter;
    const std::string order = std::to_string(list_.CmbSort.itemIndex);
    if (!f.CbDate.checked) {
        return order + ",0,0,0,0,0,0";
    }
    auto flag = [](bool on) { return on ? "1" : "0"; };
    return order + ",1," + std::to_string(f.SEdtF.value) + "," + std::to_string(f.SEdtT.value) +
           "," + flag(f.Cb1.checked) + "," + flag(f.Cb2.checked) + "," + flag(f.Cb3.checked);
}

void SavedConditions::JoukenExecute(int slot) {
    const SavedCondition& condition = slots_.at(static_cast<size_t>(slot - 1));
    if (TrimControls(condition[0]).empty()) {
        return;
    }
    const std::vector<std::string> options = SplitCommaText(condition[1]);
    if (options.size() != 7) {
        return;
    }
    SearchFilter& f = list_.Filter;
    list_.CmbSort.itemIndex = StrToInt(options[0]);
    if (options[1] == "0") {
        f.CbDate.checked = false;
        f.Pnl1.visible = false;
    } else {
        f.CbDate.checked = true;
        f.Pnl1.visible = true;
        f.SEdtF.SetValue(StrToInt(options[2]));
        f.SEdtT.SetValue(StrToInt(options[3]));
        f.Cb1.checked = options[4] != "0";
        f.Cb2.checked = options[5] != "0";
        f.Cb3.checked = options[6] != "0";
    }
    f.CmbSrch1.text = condition[2];
    f.CmbSrch2.text = condition[3];
    f.CmbSrch3.text = condition[4];
}

void SavedConditions::JoukenDelExecute() {
    SearchFilter& f = list_.Filter;
    f.CbDate.checked = false;
    f.Pnl1.visible = false;
    f.CmbSrch1.text.clear();
    f.CmbSrch2.text.clear();
    f.CmbSrch3.text.clear();
}

void SavedConditions::RefreshCaptions() {
    for (size_t n = 0; n < kSavedConditionCount; ++n) {
        Jouken[n].caption = slots_[n][0];
        Jouken[n].hint = slots_[n][0];
    }
}

}  // namespace yomida

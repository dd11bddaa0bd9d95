#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "platform/Ui.h"
#include "settings/SettingsRecord.h"

namespace yomida {

using ConditionSlots = std::array<SavedCondition, kSavedConditionCount>;

// The logic of the dialog "YOMIDA 検索条件編集": a working copy of the ten saved conditions that
// replaces the main window's only on OK. Used slots always form one run from slot 1, so list
// entry k is slot k + 1.
class TFRMslist {
public:
    // `currentCondition` gives strings 1 to 4 of a condition from the main window's controls:
    // the condition options and the three search box texts.
    TFRMslist(Ui& ui, std::function<std::array<std::string, 4>()> currentCondition)
        : ui_(ui), currentCondition_(std::move(currentCondition)) {}

    // Controls.
    std::string EdtName;
    std::vector<std::string> LbxName;
    int LbxNameIndex = -1;
    std::string LbxNameHint;

    ConditionSlots Working{};

    void FormShow(const ConditionSlots& mainSlots);
    void LbxNameClick();
    void BtnAddClick();
    void BtnRepClick();
    void BtnDelClick();
    void BtnUpClick();
    void BtnDownClick();
    // Copies the working slots into the main window's and runs `applySettings`.
    void BtnOKClick(ConditionSlots& mainSlots, const std::function<void()>& applySettings);

    void RefreshNameList();
    void StoreCurrentCondition(size_t slot);

private:
    bool NameTakenByOther(const std::string& name, int except) const;

    Ui& ui_;
    std::function<std::array<std::string, 4>()> currentCondition_;
};

}  // namespace yomida

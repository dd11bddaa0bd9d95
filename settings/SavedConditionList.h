#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "platform/Result.h"
#include "settings/SettingsRecord.h"

namespace yomida {

using ConditionSlots = std::array<SavedCondition, kSavedConditionCount>;

// What the condition list works on, handed in by the main window: its ten slots, the condition
// its search controls hold now, how to apply the settings after OK, and how to open the manual.
struct SavedConditionListLinks {
    ConditionSlots& conditions;
    // Strings 1 to 4 of a condition: the condition options and the three search box texts.
    std::function<std::array<std::string, 4>()> currentCondition;
    std::function<void()> applySettings;
    std::function<void(const std::string& section)> openManual;
};

// The logic of the dialog "YOMIDA 検索条件編集": a working copy of the ten saved conditions that
// replaces the main window's only on OK. Used slots always form one run from slot 1, so list
// entry k is slot k + 1.
class SavedConditionList {
public:
    explicit SavedConditionList(SavedConditionListLinks links) : links_(std::move(links)) {}

    // Controls.
    std::string EdtName;               // the name field
    std::vector<std::string> LbxName;  // the list of saved names
    int LbxNameIndex = -1;             // the selected name
    std::string LbxNameHint;           // the list's tooltip: the selected condition's strings

    ConditionSlots Working{};

    // Takes a working copy of the main window's slots.
    void FormShow();
    void LbxNameClick();
    // The buttons that change the list say why they could not (CP932), for the user.
    using Refusal = Result<void>;
    Refusal BtnAddClick();
    Refusal BtnRepClick();
    Refusal BtnDelClick();
    Refusal BtnUpClick();
    Refusal BtnDownClick();
    // Copies the working slots into the main window's and applies the settings.
    void BtnOKClick();
    void BtnHelpClick() { links_.openManual("conditions"); }

    void RefreshNameList();
    void StoreCurrentCondition(size_t slot);

private:
    bool NameTakenByOther(const std::string& name, int except) const;

    SavedConditionListLinks links_;
};

}  // namespace yomida

#include "settings/SavedConditionList.h"

#include "text/Messages.h"
#include "text/Sjis.h"

namespace yomida {

void SavedConditionList::FormShow() {
    Working = links_.conditions;
    RefreshNameList();
    EdtName.clear();
}

void SavedConditionList::RefreshNameList() {
    LbxName.clear();
    for (const SavedCondition& slot : Working) {
        const std::string name = Trimmed(slot[0]);
        if (!name.empty()) {
            LbxName.push_back(name);
        }
    }
    LbxNameIndex = -1;
}

void SavedConditionList::StoreCurrentCondition(size_t slot) {
    SavedCondition& target = Working.at(slot);
    target[0] = Trimmed(EdtName);
    const std::array<std::string, 4> current = links_.currentCondition();
    for (size_t k = 0; k < 4; ++k) {
        target[k + 1] = current[k];
    }
}

void SavedConditionList::LbxNameClick() {
    if (LbxNameIndex < 0 || LbxNameIndex >= static_cast<int>(LbxName.size())) {
        return;
    }
    EdtName = LbxName[static_cast<size_t>(LbxNameIndex)];
    LbxNameHint.clear();
    for (const std::string& s : Working[static_cast<size_t>(LbxNameIndex)]) {
        LbxNameHint += s + "\n\r";
    }
}

bool SavedConditionList::NameTakenByOther(const std::string& name, int except) const {
    for (size_t s = 0; s < Working.size(); ++s) {
        if (static_cast<int>(s) != except && Working[s][0] == name) {
            return true;
        }
    }
    return false;
}

SavedConditionList::Refusal SavedConditionList::BtnAddClick() {
    const std::string name = Trimmed(EdtName);
    if (name.empty()) {
        return Fail(MsgText(Msg::EnterConditionName));
    }
    if (LbxName.size() >= kSavedConditionCount) {
        return Fail(MsgText(Msg::NoMoreConditions));
    }
    if (NameTakenByOther(name, -1)) {
        return Fail(MsgText(Msg::ConditionNameTaken));
    }
    StoreCurrentCondition(LbxName.size());
    RefreshNameList();
    LbxNameIndex = static_cast<int>(LbxName.size()) - 1;
    return {};
}

SavedConditionList::Refusal SavedConditionList::BtnRepClick() {
    const std::string name = Trimmed(EdtName);
    if (name.empty()) {
        return Fail(MsgText(Msg::EnterConditionName));
    }
    if (LbxNameIndex < 0) {
        return Fail(MsgText(Msg::ChooseConditionToReplace));
    }
    if (NameTakenByOther(name, LbxNameIndex)) {
        return Fail(MsgText(Msg::ConditionNameTaken));
    }
    StoreCurrentCondition(static_cast<size_t>(LbxNameIndex));
    RefreshNameList();
    return {};
}

SavedConditionList::Refusal SavedConditionList::BtnDelClick() {
    if (LbxNameIndex < 0) {
        return Fail(MsgText(Msg::ChooseConditionToDelete));
    }
    for (size_t s = static_cast<size_t>(LbxNameIndex); s + 1 < Working.size(); ++s) {
        Working[s] = Working[s + 1];
    }
    Working.back() = SavedCondition{};
    RefreshNameList();
    return {};
}

SavedConditionList::Refusal SavedConditionList::BtnUpClick() {
    if (LbxNameIndex <= 0) {
        return {};
    }
    const int moved = LbxNameIndex - 1;
    std::swap(Working[static_cast<size_t>(LbxNameIndex)], Working[static_cast<size_t>(moved)]);
    RefreshNameList();
    LbxNameIndex = moved;
    return {};
}

SavedConditionList::Refusal SavedConditionList::BtnDownClick() {
    if (LbxNameIndex < 0 || LbxNameIndex + 1 >= static_cast<int>(LbxName.size())) {
        return {};
    }
    const int moved = LbxNameIndex + 1;
    std::swap(Working[static_cast<size_t>(LbxNameIndex)], Working[static_cast<size_t>(moved)]);
    RefreshNameList();
    LbxNameIndex = moved;
    return {};
}

void SavedConditionList::BtnOKClick() {
    links_.conditions = Working;
    links_.applySettings();
}

}  // namespace yomida

#pragma once

#include <array>
#include <string>

#include "app/Controls.h"
#include "app/ReleaseList.h"
#include "settings/SettingsRecord.h"

namespace yomida {

// The ten saved search conditions as the main window uses them: the commands Ctrl+1 … Ctrl+0
// that put one back into the search controls, 条件消去, and the options a new one records.
class SavedConditions {
public:
    SavedConditions(std::array<SavedCondition, kSavedConditionCount>& conditions, ReleaseList& list)
        : slots_(conditions), list_(list) {}

    // The commands Jouken1 … Jouken10: menu items and numbered toolbar buttons.
    std::array<ActionState, kSavedConditionCount> Jouken;

    // Puts slot 1 … 10 back into the search controls; a free slot does nothing.
    void JoukenExecute(int slot);
    // 条件消去: empties the three boxes and switches the date range off.
    void JoukenDelExecute();
    // The condition options of the search controls: order, range switch, days, thirds.
    std::string ConditionOptions() const;
    // Captions and hints of the commands from the slots' names.
    void RefreshCaptions();

private:
    std::array<SavedCondition, kSavedConditionCount>& slots_;
    ReleaseList& list_;
};

}  // namespace yomida

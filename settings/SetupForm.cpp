#include "settings/SetupForm.h"

#include <algorithm>

#include "platform/Cp932.h"
#include "text/Dates.h"
#include "text/Numbers.h"

namespace yomida {

void SetupForm::FormShow() {
    EdtFontName = settings_.fontName;
    EdtFontSize = std::to_string(settings_.fontSize);
    EdtSyoDate = settings_.weekBaseDate;
    EdtSyoNo = std::to_string(settings_.weekBaseNumber);
    EdtListId = settings_.listId;
    EdtPROXY = settings_.proxy;
    EdtPORT = std::to_string(settings_.port);
    CbxDialUp = settings_.dialUp;
    CbxDirect = settings_.directFetch;
    CbxCheck = settings_.checkSave;
    CbxHeader = settings_.updateCheck;
    CbxSchedule = settings_.scheduleOn;
    SpnHour = settings_.scheduleHour;
    CbxAlarm = settings_.scheduleAlarm;
}

FontChoice SetupForm::CurrentFont() const {
    FontChoice current;
    current.name = EdtFontName;
    current.size = TryStrToInt(EdtFontSize).value_or(SettingsRecord{}.fontSize);
    return current;
}

void SetupForm::TakeFont(const FontChoice& chosen) {
    EdtFontName = chosen.name;
    EdtFontSize = std::to_string(chosen.size);
}

Result<void> SetupForm::BtnOKClick() {
    SettingsRecord& s = settings_;
    s.fontName = EdtFontName;
    // Typed numbers are held within what the settings file would give, as it is read.
    s.fontSize = std::clamp(StrToInt(EdtFontSize), 0, kMaxFontSize);
    s.weekBaseDate = EdtSyoDate;
    s.weekBaseNumber = std::clamp(StrToInt(EdtSyoNo), -kWeekNumberLimit, kWeekNumberLimit);
    // The まんがの森 list number is counted from this month at every start: a value it cannot
    // count from is refused here rather than met there.
    const std::string_view listId = EdtListId;
    StrToInt(listId.substr(0, 4));
    StrToInt(listId.size() > 5 ? listId.substr(5, 2) : std::string_view{});
    s.listId = EdtListId;
    s.proxy = EdtPROXY;
    s.port = TryStrToInt(EdtPORT).value_or(0);
    s.dialUp = CbxDialUp;
    s.directFetch = CbxDirect;
    s.checkSave = CbxCheck;
    s.updateCheck = CbxHeader;
    s.scheduleAlarm = CbxAlarm;
    const int hour = std::clamp(SpnHour, 0, 23);
    Result<void> taken;
    // Only a change goes to systemd, so that OK on another page never waits for it.
    if (CbxSchedule != s.scheduleOn || (CbxSchedule && hour != s.scheduleHour)) {
        const std::string refused = ApplySchedule ? ApplySchedule(CbxSchedule, hour) : "";
        if (refused.empty()) {
            s.scheduleOn = CbxSchedule;
            s.scheduleHour = hour;
        } else {
            taken = Fail(Utf8ToCp932(refused));
        }
    } else {
        s.scheduleHour = hour;
    }
    applySettings_();
    return taken;
}

}  // namespace yomida

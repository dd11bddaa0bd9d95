#include "settings/SettingsBindings.h"

#include "text/Dates.h"

namespace yomida {
namespace {

using R = SettingsRecord;
using K = ValueKind;

// A binding to a member of the record.
template <typename T>
SettingBinding Field(const char* section, const char* key, K kind, T R::*member,
                     unsigned rules = kPlain) {
    return {section, key, kind, [member](R& r) -> SettingSlot { return &(r.*member); }, rules};
}

// A binding to a number member that is held within [low, high].
SettingBinding Bounded(const char* section, const char* key, int R::*member, int low, int high) {
    SettingBinding b = Field(section, key, K::Number, member);
    b.low = low;
    b.high = high;
    return b;
}

// The table is walked in order when a new settings file is written, so each part keeps its
// place: [INTERNET], [GRID] and [WINDOW] first.
void AddConnectionAndLayout(std::vector<SettingBinding>& b) {
    b.push_back(Field("INTERNET", "PROXY", K::Text, &R::proxy));
    b.push_back(Field("INTERNET", "PORT", K::Number, &R::port));
    b.push_back(Field("INTERNET", "DIALUP", K::Flag, &R::dialUp));
    b.push_back(Field("INTERNET", "DIRECT", K::Flag, &R::directFetch));
    for (size_t c = 0; c < kStoredColumnCount; ++c) {
        b.push_back({"GRID", "WIDTH" + std::to_string(c + 1), K::Number,
                     [c](R& r) -> SettingSlot { return &r.columnWidths[c]; }});
    }
    b.push_back(Field("GRID", "HEIGHT", K::Number, &R::gridRowHeight));

    const auto window = [](const char* key, auto WindowGeometry::*member, K kind, unsigned rules) {
        return SettingBinding{"WINDOW", key, kind,
                              [member](R& r) -> SettingSlot { return &(r.window.*member); }, rules};
    };
    b.push_back(window("MAX", &WindowGeometry::maximized, K::One, kPlain));
    b.push_back(window("TOP", &WindowGeometry::top, K::Number, kSkippedWhenMaximized));
    b.push_back(window("LEFT", &WindowGeometry::left, K::Number, kSkippedWhenMaximized));
    b.push_back(window("WIDTH", &WindowGeometry::width, K::Number, kSkippedWhenMaximized));
    b.push_back(window("HEIGHT", &WindowGeometry::height, K::Number, kSkippedWhenMaximized));
    b.push_back(Field("WINDOW", "T_WIDTH", K::Number, &R::treeWidth, kZeroWrittenAsOne));
    b.push_back(Field("FONT", "NAME", K::Text, &R::fontName));
    b.push_back(Bounded("FONT", "SIZE", &R::fontSize, 0, kMaxFontSize));
}

// The search boxes' histories and the saved conditions.
void AddSearch(std::vector<SettingBinding>& b) {
    b.push_back(Field("SERCH", "TAISYOU", K::Number, &R::category));
    b.push_back(Field("SERCH", "SORT", K::Number, &R::sortOrder));
    b.push_back(Field("SERCH", "LISTID", K::Text, &R::listId));
    for (size_t box = 0; box < 3; ++box) {
        for (size_t n = 0; n < kHistoryLength; ++n) {
            b.push_back({"SERCH", std::to_string(box + 1) + "_" + std::to_string(n + 1), K::Text,
                         [box, n](R& r) -> SettingSlot { return &r.histories[box][n]; }});
        }
    }

    static const char* const kConditionKeys[5] = {"NAME_", "DATE_", "JKN1_", "JKN2_", "JKN3_"};
    for (size_t n = 0; n < kSavedConditionCount; ++n) {
        for (size_t k = 0; k < 5; ++k) {
            b.push_back({"JOUKEN_SERCH", kConditionKeys[k] + std::to_string(n + 1), K::Text,
                         [n, k](R& r) -> SettingSlot { return &r.conditions[n][k]; }});
        }
    }
}

std::vector<SettingBinding> MakeBindings() {
    std::vector<SettingBinding> b;
    AddConnectionAndLayout(b);
    AddSearch(b);
    b.push_back(Field("CHECK", "CHECK", K::Flag, &R::checkSave));
    b.push_back(Field("CHECK", "HEADER", K::Flag, &R::updateCheck, kNeverRead));

    b.push_back(Field("SYOSEKI_SERCH", "DATE", K::SlashDate, &R::weekBaseDate));
    b.push_back(
        Bounded("SYOSEKI_SERCH", "NO", &R::weekBaseNumber, -kWeekNumberLimit, kWeekNumberLimit));

    b.push_back(Field("FILE", "ON_OFF_LINE", K::OnOff, &R::online));
    b.push_back(Field("FILE", "TAI_PATH", K::Text, &R::htmlFolder));
    b.push_back(Field("FILE", "NEO_PATH", K::Text, &R::neoWingFolder));
    b.push_back(Field("FILE", "CSV_PATH", K::Text, &R::csvFolder));

    b.push_back(Field("SHOP", "HOST", K::Text, &R::shopHost, kNeverWritten));
    b.push_back(Field("SHOP", "TAG", K::Text, &R::shopTag, kNeverWritten));

    b.push_back(Field("WATCH", "PUBLISHER", K::Text, &R::watchPublisher));
    b.push_back(Field("WATCH", "TITLE", K::Text, &R::watchTitle));
    b.push_back(Field("WATCH", "AUTHOR", K::Text, &R::watchAuthor));

    b.push_back(Field("SCHEDULE", "ON", K::Flag, &R::scheduleOn));
    b.push_back(Bounded("SCHEDULE", "HOUR", &R::scheduleHour, 0, 23));
    b.push_back(Field("SCHEDULE", "ALARM", K::Flag, &R::scheduleAlarm));
    return b;
}

}  // namespace

const std::vector<SettingBinding>& SettingsBindings() {
    static const std::vector<SettingBinding> bindings = MakeBindings();
    return bindings;
}

}  // namespace yomida

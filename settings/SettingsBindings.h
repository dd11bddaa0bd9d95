#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <variant>
#include <vector>

#include "settings/SettingsRecord.h"

namespace yomida {

// How a key's value is written in the settings file.
enum class ValueKind {
    Text,       // as it stands
    Number,     // decimal; "0x" hexadecimal is read too
    Flag,       // "1" or "0"; any other number reads as set
    One,        // "1" or "0"; only "1" reads as set
    SlashDate,  // "yyyy/mm/dd"
    OnOff,      // "ON" or "OFF"; anything else reads as offline
};

// The exceptions some keys make to plain reading and writing.
enum BindingRule : unsigned {
    kPlain = 0,
    kNeverWritten = 1u << 0,          // configuration the program only reads
    kNeverRead = 1u << 1,             // written for other programs; the default on every start
    kSkippedWhenMaximized = 1u << 2,  // the restored position is kept while maximised
    kZeroWrittenAsOne = 1u << 3,      // a width of 0 could never be dragged open again
};

using SettingSlot =
    std::variant<std::string*, int*, bool*, std::chrono::year_month_day*, OnlineMode*>;

// One key of the settings file and the record member it holds. A key's default is the member's
// value in a default record.
struct SettingBinding {
    std::string section;
    std::string key;
    ValueKind kind;
    std::function<SettingSlot(SettingsRecord&)> slot;
    unsigned rules = kPlain;
    // A number read outside these bounds is taken as the nearer one.
    int low = -kSettingNumberLimit;
    int high = kSettingNumberLimit;
};

// Every key, in the order the file lists them.
const std::vector<SettingBinding>& SettingsBindings();

}  // namespace yomida

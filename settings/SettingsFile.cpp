#include "settings/SettingsFile.h"

#include <algorithm>
#include <functional>
#include <utility>

#include "settings/IniFile.h"
#include "settings/SettingsBindings.h"
#include "text/Dates.h"
#include "text/Sjis.h"

namespace yomida {
namespace {

constexpr const char* kHostSection = "HOSTS";
constexpr const char* kSourceSection = "SOURCES";

// Reads one value into its slot; `fallback` holds the default record's value.
void ReadValue(const std::optional<std::string>& text, const SettingBinding& b, SettingSlot slot,
               SettingSlot fallback) {
    const ValueKind kind = b.kind;
    std::visit(
        [&](auto* target) {
            using T = std::remove_pointer_t<decltype(target)>;
            const T& dflt = *std::get<T*>(fallback);
            if constexpr (std::is_same_v<T, std::string>) {
                *target = text.value_or(dflt);
            } else if constexpr (std::is_same_v<T, int>) {
                *target = std::clamp(IniToInt(text, dflt), b.low, b.high);
            } else if constexpr (std::is_same_v<T, bool>) {
                *target = kind == ValueKind::One ? IniToInt(text, dflt ? 1 : 0) == 1
                                                 : IniToBool(text, dflt);
            } else if constexpr (std::is_same_v<T, std::chrono::year_month_day>) {
                *target = ParseSlashDate(text.value_or("")).value_or(dflt);
            } else {
                *target = !text ? dflt : *text == "ON" ? OnlineMode::Online : OnlineMode::Offline;
            }
        },
        slot);
}

std::string ValueText(SettingSlot slot) {
    return std::visit(
        [](auto* value) -> std::string {
            using T = std::remove_pointer_t<decltype(value)>;
            if constexpr (std::is_same_v<T, std::string>) {
                return *value;
            } else if constexpr (std::is_same_v<T, int>) {
                return std::to_string(*value);
            } else if constexpr (std::is_same_v<T, bool>) {
                return *value ? "1" : "0";
            } else if constexpr (std::is_same_v<T, std::chrono::year_month_day>) {
                return FormatSlashDate(*value);
            } else {
                return *value == OnlineMode::Online ? "ON" : "OFF";
            }
        },
        slot);
}

}  // namespace

void ReadSettingsFile(const std::filesystem::path& file, SettingsRecord& record) {
    const IniFile ini(file);
    SettingsRecord defaults;
    for (const SettingBinding& b : SettingsBindings()) {
        const std::optional<std::string> text =
            (b.rules & kNeverRead) != 0 ? std::nullopt : ini.Read(b.section, b.key);
        ReadValue(text, b, b.slot(record), b.slot(defaults));
    }
    record.hosts.clear();
    for (const std::string& key : ini.KeysOf(kHostSection)) {
        record.hosts.emplace(AsciiUpper(key), ini.Read(kHostSection, key).value_or(""));
    }
    record.sources.clear();
    for (const std::string& key : ini.KeysOf(kSourceSection)) {
        record.sources.emplace_back(key, ini.Read(kSourceSection, key).value_or(""));
    }
    // A hand-edited file may leave a free slot before a used one; the list dialog maps its
    // entries to slots by position, so the used slots move together.
    std::stable_partition(record.conditions.begin(), record.conditions.end(),
                          [](const SavedCondition& c) { return !TrimControls(c[0]).empty(); });
}

namespace {

// Whether a key is left as the file has it now rather than written from the record.
using KeptInFile = std::function<bool(const SettingBinding&, const IniFile& now)>;

void WriteBoundKeys(const SettingsRecord& record, const std::filesystem::path& file,
                    const KeptInFile& kept) {
    SettingsRecord written = record;
    IniFile::Update(file, [&written, &kept](IniFile& ini) {
        for (const SettingBinding& b : SettingsBindings()) {
            if ((b.rules & kNeverWritten) != 0 ||
                ((b.rules & kSkippedWhenMaximized) != 0 && written.window.maximized) ||
                (kept && kept(b, ini))) {
                continue;
            }
            SettingSlot slot = b.slot(written);
            if ((b.rules & kZeroWrittenAsOne) != 0 && *std::get<int*>(slot) == 0) {
                *std::get<int*>(slot) = 1;
            }
            ini.Write(b.section, b.key, ValueText(slot));
        }
    });
}

}  // namespace

void WriteSettingsFile(const SettingsRecord& record, const std::filesystem::path& file) {
    WriteBoundKeys(record, file, nullptr);
}

SettingsFile::SettingsFile(std::filesystem::path file) : file_(std::move(file)), read_(file_) {}

void SettingsFile::Write(const SettingsRecord& record) const {
    SettingsRecord now = record;
    SettingsRecord before = asRead_;
    WriteBoundKeys(record, file_, [&](const SettingBinding& b, const IniFile& current) {
        // A key the program changed itself is its own; one it left as it was keeps what
        // another program wrote meanwhile.
        return ValueText(b.slot(now)) == ValueText(b.slot(before)) &&
               current.Read(b.section, b.key) != read_.Read(b.section, b.key);
    });
}

}  // namespace yomida

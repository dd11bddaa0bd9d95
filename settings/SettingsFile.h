#pragma once

#include <filesystem>

#include "settings/IniFile.h"
#include "settings/SettingsRecord.h"

namespace yomida {

// The settings file (Windows INI in CP932, CR LF). Both walk the bindings table in the file's
// order; lines the program does not know are kept as they are.

// Reads every bound key into the record, the record's default where a key is missing or
// unreadable, and the host and source sections' overrides. A missing file gives the defaults; a
// file that cannot be read throws IoError. Saved conditions with a name move up to close any gap.
void ReadSettingsFile(const std::filesystem::path& file, SettingsRecord& record);

// Writes every bound key from the record into the file, through a temporary file renamed over
// it; throws IoError, leaving the old file as it was.
void WriteSettingsFile(const SettingsRecord& record, const std::filesystem::path& file);

// The settings file as a program that keeps it open for long (the window) holds it: what the
// file said when it was read and what the program made of it, so that the save at the end keeps
// what other programs (yomida-cli schedule, an editor) changed in the file meanwhile.
class SettingsFile {
public:
    // Remembers what the file holds now (nothing, when it is missing); throws IoError. Made
    // before the record is read, so a change made in between counts as another program's.
    explicit SettingsFile(std::filesystem::path file);

    // The record the program made of the file, before it changed anything.
    void KeepAsRead(const SettingsRecord& record) { asRead_ = record; }

    // Writes the record as WriteSettingsFile does, except each key that another program changed
    // in the file since it was read while the record still holds it as read: that key keeps the
    // other program's value. Throws IoError, leaving the old file as it was.
    void Write(const SettingsRecord& record) const;

private:
    std::filesystem::path file_;
    IniFile read_;
    SettingsRecord asRead_;
};

}  // namespace yomida

#pragma once

#include <filesystem>

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

}  // namespace yomida

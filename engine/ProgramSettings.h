#pragma once

#include "settings/SettingsRecord.h"

namespace yomida {

// Makes the folders of the settings' paths: the settings file's, so the settings can be saved
// at the end, and the data folder. False when the data folder cannot be made.
[[nodiscard]] bool MakeProgramFolders(const SettingsRecord& settings);

// Reads the settings file into the record; a category the catalogue does not have, which only a
// hand-edited file holds, becomes the first. Throws what reading the file throws.
void ReadProgramSettings(SettingsRecord& settings);

}  // namespace yomida

#include "engine/ProgramSettings.h"

#include "platform/FileSystem.h"
#include "settings/SettingsFile.h"
#include "sources/Catalogue.h"

namespace yomida {

bool MakeProgramFolders(const SettingsRecord& settings) {
    CreateDirectories(FolderOf(settings.settingsFile));
    return CreateDirectories(settings.dataFolder);
}

void ReadProgramSettings(SettingsRecord& settings) {
    ReadSettingsFile(settings.settingsFile, settings);
    if (FindCategory(settings.category) == nullptr) {
        settings.category = 1;
    }
}

}  // namespace yomida

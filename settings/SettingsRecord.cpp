#include "settings/SettingsRecord.h"

#include "text/SjisLiteral.h"

namespace yomida {

std::string SettingsRecord::DefaultFontName() {
    return "ＭＳ ゴシック"_sj;
}

void SettingsRecord::SetPaths(const ProgramPaths& paths) {
    settingsFile = paths.settingsFile;
    appFolder = paths.appFolder;
    dataFolder = paths.dataFolder;
    manualFile = paths.manualFile;
    siblingProgram = paths.siblingProgram;
}

void SettingsRecord::DerivePaths(const std::filesystem::path& executable) {
    PathEnvironment portable = PathEnvironment::Current();
    portable.folderWritable = [](const std::filesystem::path&) { return true; };
    SetPaths(ResolveProgramPaths(executable, portable));
}

}  // namespace yomida

#include "settings/SettingsRecord.h"

#include "text/SjisLiteral.h"

namespace yomida {

std::string SettingsRecord::DefaultFontName() {
    return "ＭＳ ゴシック"_sj;
}

void SettingsRecord::DerivePaths(const std::filesystem::path& executable) {
    settingsFile = executable;
    settingsFile.replace_extension(".INI");
    appFolder = executable.parent_path();
    dataFolder = appFolder / "data";
    manualFile = appFolder / "manual" / "index.htm";
    siblingProgram = appFolder / "kosumira";
}

}  // namespace yomida

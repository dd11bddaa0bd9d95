#include "settings/ProgramPaths.h"

#include <unistd.h>

#include <cstdlib>

#include "platform/FileSystem.h"

namespace yomida {
namespace {

// An XDG base directory: the variable when it holds an absolute path, else the default under
// the home folder.
std::filesystem::path BaseDirectory(const std::string& variable, const std::string& home,
                                    const char* fallback) {
    const std::filesystem::path set(variable);
    return set.is_absolute() ? set : std::filesystem::path(home) / fallback;
}

// A folder's path without "." or ".." steps or a trailing separator, for comparing.
std::filesystem::path FolderPath(const std::filesystem::path& folder) {
    std::filesystem::path normal = folder.lexically_normal();
    return normal.has_filename() ? normal : normal.parent_path();
}

std::string Variable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

}  // namespace

PathEnvironment PathEnvironment::Current() {
    PathEnvironment e;
    e.xdgConfigHome = Variable("XDG_CONFIG_HOME");
    e.xdgDataHome = Variable("XDG_DATA_HOME");
    e.home = Variable("HOME");
    // Through links, as the running program's own path is.
    std::error_code error;
    e.installFolder = std::filesystem::weakly_canonical(YOMIDA_INSTALL_BINDIR, error);
    e.fileExists = [](const std::filesystem::path& p) { return FileExists(p); };
    e.folderWritable = [](const std::filesystem::path& p) {
        return ::access(p.c_str(), W_OK | X_OK) == 0;
    };
    return e;
}

ProgramPaths ResolveProgramPaths(const std::filesystem::path& executable,
                                 const PathEnvironment& env) {
    ProgramPaths paths;
    paths.appFolder = executable.parent_path();
    std::filesystem::path beside = executable;
    beside.replace_extension(".INI");
    const bool inInstallFolder =
        !env.installFolder.empty() && FolderPath(paths.appFolder) == FolderPath(env.installFolder);
    paths.portable =
        env.fileExists(beside) || (!inInstallFolder && env.folderWritable(paths.appFolder));
    if (paths.portable) {
        paths.settingsFile = beside;
        paths.dataFolder = paths.appFolder / "data";
    } else {
        paths.settingsFile =
            BaseDirectory(env.xdgConfigHome, env.home, ".config") / "yomida" / "yomida.INI";
        paths.dataFolder =
            BaseDirectory(env.xdgDataHome, env.home, ".local/share") / "yomida" / "data";
    }
    paths.manualFile = paths.appFolder / "manual" / "index.htm";
    const std::filesystem::path installed =
        paths.appFolder.parent_path() / "share" / "yomida" / "manual" / "index.htm";
    if (!env.fileExists(paths.manualFile) && env.fileExists(installed)) {
        paths.manualFile = installed;
    }
    paths.siblingProgram = paths.appFolder / "kosumira";
    return paths;
}

ProgramPaths ResolveWindowProgramPaths(const std::filesystem::path& executable,
                                       const PathEnvironment& environment) {
    return ResolveProgramPaths(executable.parent_path() / "yomida", environment);
}

}  // namespace yomida

#pragma once

#include <filesystem>
#include <functional>
#include <string>

namespace yomida {

// Where the program keeps its files. Portable: the settings file and the data folder beside the
// program, as it has always been; otherwise the XDG base directories of the user.
struct ProgramPaths {
    bool portable = true;
    std::filesystem::path appFolder;       // the program's own folder
    std::filesystem::path settingsFile;    // yomida.INI
    std::filesystem::path dataFolder;      // the release lists
    std::filesystem::path manualFile;      // manual/index.htm
    std::filesystem::path siblingProgram;  // kosumira, beside the program
};

// What the choice looks at, handed in so tests can set it.
struct PathEnvironment {
    std::string xdgConfigHome;            // $XDG_CONFIG_HOME
    std::string xdgDataHome;              // $XDG_DATA_HOME
    std::string home;                     // $HOME
    std::filesystem::path installFolder;  // the folder the program was installed to
    std::function<bool(const std::filesystem::path&)> fileExists;
    std::function<bool(const std::filesystem::path&)> folderWritable;

    // The running process's environment and file system.
    static PathEnvironment Current();
};

// Portable when a settings file lies beside `executable`, or when it runs from a folder the user
// can write to other than the one it was installed to (a build folder, a copy on a stick); root
// can write to the installed folder too, and must not turn every user portable. Otherwise settings
// in $XDG_CONFIG_HOME/yomida/ (~/.config/yomida/) and data in $XDG_DATA_HOME/yomida/data/
// (~/.local/share/yomida/data/). The settings file beside the program is named after it ("yomida"
// gives "yomida.INI"). The manual is the one beside the program, or else the installed one in
// ../share/yomida/manual/.
ProgramPaths ResolveProgramPaths(const std::filesystem::path& executable,
                                 const PathEnvironment& environment);

// The paths of the window program installed beside `executable` (yomida-cli, say).
ProgramPaths ResolveWindowProgramPaths(const std::filesystem::path& executable,
                                       const PathEnvironment& environment);

}  // namespace yomida

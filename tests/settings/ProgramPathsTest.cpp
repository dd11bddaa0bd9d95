#include "settings/ProgramPaths.h"

#include <gtest/gtest.h>

#include <set>

namespace yomida {
namespace {

namespace fs = std::filesystem;

// An installed program in /usr/bin that a normal user cannot write to.
struct FakeMachine {
    std::set<fs::path> files;
    std::set<fs::path> writable = {"/home/user", "/opt/yomida"};

    PathEnvironment Environment(std::string configHome = "", std::string dataHome = "") const {
        PathEnvironment e;
        e.xdgConfigHome = std::move(configHome);
        e.xdgDataHome = std::move(dataHome);
        e.home = "/home/user";
        e.installFolder = "/usr/bin";
        e.fileExists = [this](const fs::path& p) { return files.count(p) != 0; };
        e.folderWritable = [this](const fs::path& p) { return writable.count(p) != 0; };
        return e;
    }
};

TEST(ProgramPaths, PortableBesideAWritableProgramOrAnExistingSettingsFile) {
    FakeMachine machine;
    ProgramPaths p = ResolveProgramPaths("/opt/yomida/yomida", machine.Environment());
    EXPECT_TRUE(p.portable);
    EXPECT_EQ(p.settingsFile, "/opt/yomida/yomida.INI");
    EXPECT_EQ(p.dataFolder, "/opt/yomida/data");
    EXPECT_EQ(p.manualFile, "/opt/yomida/manual/index.htm");
    EXPECT_EQ(p.siblingProgram, "/opt/yomida/kosumira");

    // A settings file copied beside a program the user cannot write to keeps it portable.
    machine.files.insert("/usr/bin/yomida.INI");
    p = ResolveProgramPaths("/usr/bin/yomida", machine.Environment());
    EXPECT_TRUE(p.portable);
    EXPECT_EQ(p.dataFolder, "/usr/bin/data");
}

TEST(ProgramPaths, XdgFoldersForAnInstalledProgram) {
    FakeMachine machine;
    machine.files.insert("/usr/share/yomida/manual/index.htm");
    ProgramPaths p = ResolveProgramPaths("/usr/bin/yomida", machine.Environment());
    EXPECT_FALSE(p.portable);
    EXPECT_EQ(p.settingsFile, "/home/user/.config/yomida/yomida.INI");
    EXPECT_EQ(p.dataFolder, "/home/user/.local/share/yomida/data");
    EXPECT_EQ(p.manualFile, "/usr/share/yomida/manual/index.htm");

    p = ResolveProgramPaths("/usr/bin/yomida", machine.Environment("/cfg", "/dat"));
    EXPECT_EQ(p.settingsFile, "/cfg/yomida/yomida.INI");
    EXPECT_EQ(p.dataFolder, "/dat/yomida/data");

    // A relative value is not a base directory: the default applies.
    p = ResolveProgramPaths("/usr/bin/yomida", machine.Environment("cfg", "dat"));
    EXPECT_EQ(p.settingsFile, "/home/user/.config/yomida/yomida.INI");

    // yomida-cli finds the window program's files.
    p = ResolveWindowProgramPaths("/usr/bin/yomida-cli", machine.Environment());
    EXPECT_EQ(p.settingsFile, "/home/user/.config/yomida/yomida.INI");
    p = ResolveWindowProgramPaths("/opt/yomida/yomida-cli", machine.Environment());
    EXPECT_EQ(p.settingsFile, "/opt/yomida/yomida.INI");
}

TEST(ProgramPaths, RootWritingTheInstalledFolderStaysInItsOwnFolders) {
    FakeMachine machine;
    machine.writable.insert("/usr/bin");
    PathEnvironment root = machine.Environment();
    root.home = "/root";
    ProgramPaths p = ResolveProgramPaths("/usr/bin/yomida", root);
    EXPECT_FALSE(p.portable);
    EXPECT_EQ(p.settingsFile, "/root/.config/yomida/yomida.INI");
    EXPECT_EQ(p.dataFolder, "/root/.local/share/yomida/data");
    p = ResolveWindowProgramPaths("/usr/bin/yomida-cli", root);
    EXPECT_EQ(p.settingsFile, "/root/.config/yomida/yomida.INI");

    // The installed folder named with a trailing separator is the same folder.
    root.installFolder = "/usr/bin/";
    EXPECT_FALSE(ResolveProgramPaths("/usr/bin/yomida", root).portable);

    // A settings file put there on purpose still makes it portable, for every user.
    machine.files.insert("/usr/bin/yomida.INI");
    EXPECT_TRUE(ResolveProgramPaths("/usr/bin/yomida", root).portable);

    // A build folder and a copy elsewhere stay portable.
    EXPECT_TRUE(ResolveProgramPaths("/opt/yomida/yomida", root).portable);
    root.installFolder.clear();
    machine.files.clear();
    EXPECT_TRUE(ResolveProgramPaths("/usr/bin/yomida", root).portable);
}

}  // namespace
}  // namespace yomida

#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "sources/DefinitionReader.h"
#include "sources/SourceDefinition.h"

namespace yomida {

// Where source definitions are read from. The built-in ones come with the program; the user's
// own folder is never written by an installation or an update, and a definition there with the
// id of a built-in one replaces it.
struct DefinitionFolders {
    std::filesystem::path builtIn;
    std::filesystem::path user;

    // The program's folders: `builtin-sources/` beside a build's program, else the installed
    // `../share/yomida/sources/`; the user's `sources/` beside the data folder, which is beside
    // the program when it runs portable and $XDG_DATA_HOME/yomida/ otherwise.
    static DefinitionFolders For(const std::filesystem::path& appFolder,
                                 const std::filesystem::path& dataFolder);
};

// The definitions of both folders after the user's replaced built-in ones, and what could not
// be used: files that cannot be read, and clashes of number, id, data-file code or host, each
// named with both files. The usable ones are in category number order.
struct DefinitionSet {
    DefinitionFolders folders;  // where they were read from
    std::vector<SourceDefinition> definitions;
    std::vector<DefinitionProblem> problems;
    // Folders that exist but cannot be listed, UTF-8.
    std::vector<std::string> folderErrors;

    const SourceDefinition* Find(int number) const;
    const SourceDefinition* FindById(std::string_view id) const;
    // Every problem and folder error, one a line, for the one warning at start; empty when none.
    std::string WarningText() const;
};

// Reads the *.yaml files of both folders, each folder in name order. Nothing is written.
DefinitionSet LoadDefinitions(const DefinitionFolders& folders, const DefinitionReader& reader);

// Makes the set the one the program runs with: each definition becomes a category of the
// catalogue (its number, name, group, data-file code, host key and URL template). Done once at
// start, before anything reads the catalogue.
void InstallDefinitions(std::shared_ptr<const DefinitionSet> set);
// The set installed last, or nullptr before any.
std::shared_ptr<const DefinitionSet> InstalledDefinitions();
// The installed definition of a category, or nullptr.
const SourceDefinition* FindDefinition(int category);

}  // namespace yomida

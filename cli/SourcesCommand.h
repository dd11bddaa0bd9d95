#pragma once

#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "sources/DefinedSources.h"

namespace yomida::cli {

// The source definitions the command line runs with: those already installed, or else the
// program's built-in and user folders read and installed now, so that their categories are in
// the catalogue before a command looks there.
std::shared_ptr<const DefinitionSet> UseProgramDefinitions();

// Names every definition that cannot be used, with its file, line and why, on `err`.
void WarnOfDefinitionProblems(const DefinitionSet& set, std::ostream& err);

// `yomida-cli sources [--json]`: one line per definition, tabs between: number, id, name,
// data-file code, where it comes from, and "error: …" for one that cannot be used. Exit 0, or 1
// when a sources folder cannot be read.
int SourcesCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace yomida::cli

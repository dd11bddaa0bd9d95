#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace yomida::cli {

// One verb of yomida-cli: its name, its usage and what it does. The program's usage is made of
// these entries in the order of the table, so a command's own help and the whole usage say the
// same thing.
struct Command {
    using Run = int (*)(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                        std::ostream& err);

    const char* name;
    // What follows the name on the usage line; further lines start with the description's indent.
    const char* synopsis;
    // Lines without their indent, each ending in a newline.
    const char* description;
    Run run;

    // The entry as the program's usage lists it.
    std::string Entry() const;
    // "usage: yomida-cli NAME SYNOPSIS", for a command line that the command refuses.
    std::string Usage() const;
    // "usage: yomida-cli NAME SYNOPSIS" with the description under it, for `NAME --help`.
    std::string Help() const;
};

// The usage of the whole program: its head line, then every command's entry in table order.
std::string ProgramUsage(const std::vector<Command>& commands);

const Command* FindCommand(const std::vector<Command>& commands, const std::string& name);

}  // namespace yomida::cli

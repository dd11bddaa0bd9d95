#include "cli/Command.h"

#include <sstream>

namespace yomida::cli {
namespace {

// The column where descriptions start, under the synopsis or beside a short name.
constexpr size_t kDescriptionColumn = 14;

std::string Indented(const std::string& lines) {
    std::istringstream in(lines);
    std::string line;
    std::string text;
    while (std::getline(in, line)) {
        text += std::string(kDescriptionColumn, ' ') + line + '\n';
    }
    return text;
}

}  // namespace

std::string Command::Entry() const {
    std::string head = std::string("  ") + name + synopsis;
    const std::string body = Indented(description);
    // A name that leaves room (normalise, --version) takes the description's first line beside it.
    if (head.size() + 2 <= kDescriptionColumn && !body.empty()) {
        head.resize(kDescriptionColumn, ' ');
        return head + body.substr(kDescriptionColumn);
    }
    return head + '\n' + body;
}

std::string Command::Usage() const {
    return std::string("usage: yomida-cli ") + name + synopsis + '\n';
}

std::string Command::Help() const {
    return Usage() + Indented(description);
}

std::string ProgramUsage(const std::vector<Command>& commands) {
    std::string usage =
        "usage: yomida-cli COMMAND ...\n"
        "       yomida-cli --version | --paths\n"
        "\n";
    for (const Command& command : commands) {
        usage += command.Entry();
    }
    return usage;
}

const Command* FindCommand(const std::vector<Command>& commands, const std::string& name) {
    for (const Command& command : commands) {
        if (name == command.name) {
            return &command;
        }
    }
    return nullptr;
}

}  // namespace yomida::cli

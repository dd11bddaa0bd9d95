#include "cli/SourcesCommand.h"

#include <nlohmann/json.hpp>
#include <ostream>

#include "cli/CliArgs.h"
#include "platform/FileSystem.h"
#include "settings/ProgramPaths.h"
#include "settings/VersionInfo.h"

namespace yomida::cli {
namespace {

// A cell of a tab-separated line, without the tabs and line breaks that would split it.
std::string SourceCell(std::string text) {
    for (char& c : text) {
        if (c == '\t' || c == '\r' || c == '\n') {
            c = ' ';
        }
    }
    return text;
}

std::string SourceOrigin(const std::filesystem::path& file, bool builtIn) {
    return builtIn ? "built-in" : file.string();
}

bool InBuiltInFolder(const DefinitionSet& set, const std::filesystem::path& file) {
    return !set.folders.builtIn.empty() && file.parent_path() == set.folders.builtIn;
}

nlohmann::ordered_json SourceJson(const SourceDefinition& d) {
    return {{"number", d.number},
            {"id", d.id},
            {"name", d.name},
            {"code", d.code},
            {"origin", SourceOrigin(d.file, d.builtIn)},
            {"group", d.group},
            {"host", d.hostKey},
            {"attribution", d.attribution},
            {"error", nullptr}};
}

nlohmann::ordered_json SourceJson(const DefinitionSet& set, const DefinitionProblem& p) {
    return {{"number", nullptr},
            {"id", p.file.stem().string()},
            {"name", nullptr},
            {"code", nullptr},
            {"origin", SourceOrigin(p.file, InBuiltInFolder(set, p.file))},
            {"group", nullptr},
            {"host", nullptr},
            {"attribution", nullptr},
            {"error", p.Text()}};
}

}  // namespace

std::shared_ptr<const DefinitionSet> UseProgramDefinitions() {
    if (std::shared_ptr<const DefinitionSet> installed = InstalledDefinitions()) {
        return installed;
    }
    const ProgramPaths paths =
        ResolveWindowProgramPaths(ExecutablePath(), PathEnvironment::Current());
    auto set = std::make_shared<const DefinitionSet>(
        LoadDefinitions(DefinitionFolders::For(paths.appFolder, paths.dataFolder),
                        DefinitionReader(VersionInfo::kVersion)));
    InstallDefinitions(set);
    return set;
}

void WarnOfDefinitionProblems(const DefinitionSet& set, std::ostream& err) {
    const std::string text = set.WarningText();
    if (text.empty()) {
        return;
    }
    err << "yomida-cli: these source definitions cannot be used and are left out:\n";
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = std::min(text.find('\n', start), text.size());
        err << "  " << text.substr(start, end - start) << '\n';
        start = end + 1;
    }
}

int SourcesCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    ParsedArgs p = ParseArgs(args, 1, {}, {"json"});
    if (!p.positional.empty()) {
        throw UsageError("sources takes no arguments but --json");
    }
    const std::shared_ptr<const DefinitionSet> set = UseProgramDefinitions();
    for (const std::string& e : set->folderErrors) {
        err << "yomida-cli: cannot read the sources folder " << e << '\n';
    }
    const int status = set->folderErrors.empty() ? kExitOk : kExitFailure;
    if (p.flags["json"]) {
        nlohmann::ordered_json rows = nlohmann::ordered_json::array();
        for (const SourceDefinition& d : set->definitions) {
            rows.push_back(SourceJson(d));
        }
        for (const DefinitionProblem& problem : set->problems) {
            rows.push_back(SourceJson(*set, problem));
        }
        const nlohmann::ordered_json document = {{"builtInFolder", set->folders.builtIn.string()},
                                                 {"userFolder", set->folders.user.string()},
                                                 {"folderErrors", set->folderErrors},
                                                 {"sources", rows}};
        out << document.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace)
            << '\n';
        return status;
    }
    for (const SourceDefinition& d : set->definitions) {
        out << d.number << '\t' << d.id << '\t' << SourceCell(d.name) << '\t' << d.code << '\t'
            << SourceCell(SourceOrigin(d.file, d.builtIn)) << '\n';
    }
    for (const DefinitionProblem& problem : set->problems) {
        out << '\t' << SourceCell(problem.file.stem().string()) << "\t\t\t"
            << SourceCell(SourceOrigin(problem.file, InBuiltInFolder(*set, problem.file)))
            << "\terror: " << SourceCell(problem.Text()) << '\n';
    }
    return status;
}

}  // namespace yomida::cli

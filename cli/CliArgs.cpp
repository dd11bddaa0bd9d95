#include "cli/CliArgs.h"

#include <algorithm>
#include <optional>

#include "platform/FileSystem.h"
#include "settings/ProgramPaths.h"
#include "settings/SettingsFile.h"
#include "text/Messages.h"
#include "text/Numbers.h"

namespace yomida::cli {

ParsedArgs ParseArgs(const std::vector<std::string>& args, size_t first,
                     const std::vector<std::string>& valueOptions,
                     const std::vector<std::string>& flagOptions) {
    ParsedArgs parsed;
    for (size_t i = first; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.rfind("--", 0) != 0 || a == "--") {
            parsed.positional.push_back(a);
            continue;
        }
        std::string name = a.substr(2);
        std::optional<std::string> inlineValue;
        if (size_t eq = name.find('='); eq != std::string::npos) {
            inlineValue = name.substr(eq + 1);
            name.resize(eq);
        }
        if (std::find(valueOptions.begin(), valueOptions.end(), name) != valueOptions.end()) {
            if (inlineValue) {
                parsed.values[name] = *inlineValue;
            } else if (i + 1 < args.size()) {
                parsed.values[name] = args[++i];
            } else {
                throw UsageError("--" + name + " needs a value");
            }
        } else if (std::find(flagOptions.begin(), flagOptions.end(), name) != flagOptions.end() &&
                   !inlineValue) {
            parsed.flags[name] = true;
        } else {
            throw UsageError("unknown option " + a);
        }
    }
    return parsed;
}

int ParseInt(const std::string& text, const char* what) {
    const std::optional<int> value = TryStrToInt(text);
    if (!value) {
        throw UsageError(std::string(what) + " is not a number: " + text);
    }
    return *value;
}

std::chrono::year_month_day ParseMonth(const std::string& text) {
    if (text.size() != 7 || text[4] != '-') {
        throw UsageError("--month takes YYYY-MM: " + text);
    }
    const int y = ParseInt(text.substr(0, 4), "--month year");
    const int m = ParseInt(text.substr(5, 2), "--month month");
    if (m < 1 || m > 12) {
        throw UsageError("--month takes YYYY-MM: " + text);
    }
    return {std::chrono::year{y}, std::chrono::month{static_cast<unsigned>(m)},
            std::chrono::day{1}};
}

std::optional<std::filesystem::path> SettingsFileOption(
    ParsedArgs& p, std::ostream& err, std::initializer_list<const char*> options) {
    for (const char* option : options) {
        if (p.Has(option)) {
            std::filesystem::path file = p.values[option];
            if (!FileExists(file)) {
                err << "yomida-cli: " << file.string() << MsgUtf8(Msg::NotFound) << '\n';
                return std::nullopt;
            }
            return file;
        }
    }
    return ResolveWindowProgramPaths(ExecutablePath(), PathEnvironment::Current()).settingsFile;
}

std::optional<SettingsRecord> SettingsOption(ParsedArgs& p, std::ostream& err, SettingsRecord base,
                                             std::initializer_list<const char*> options) {
    const std::optional<std::filesystem::path> file = SettingsFileOption(p, err, options);
    if (!file) {
        return std::nullopt;
    }
    if (FileExists(*file)) {
        ReadSettingsFile(*file, base);
    }
    return base;
}

}  // namespace yomida::cli

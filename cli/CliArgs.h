#pragma once

#include <chrono>
#include <filesystem>
#include <initializer_list>
#include <map>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "settings/SettingsRecord.h"

namespace yomida::cli {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// A malformed command line: the message, then the usage, and exit status 2.
class UsageError : public std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Options of the form --name VALUE (or --name=VALUE) and flags of the form --name; everything
// else is positional.
struct ParsedArgs {
    std::vector<std::string> positional;
    std::map<std::string, std::string> values;
    std::map<std::string, bool> flags;

    bool Has(const std::string& name) const { return values.count(name) != 0; }
};

// Parses args[first …]; throws UsageError for an unknown option or a value that is missing.
ParsedArgs ParseArgs(const std::vector<std::string>& args, size_t first,
                     const std::vector<std::string>& valueOptions,
                     const std::vector<std::string>& flagOptions);

// A whole decimal number; `what` names it in the UsageError.
int ParseInt(const std::string& text, const char* what);
// "YYYY-MM" as the first day of that month.
std::chrono::year_month_day ParseMonth(const std::string& text);

// The settings file a command reads: the one its option (`--settings`, or the first of
// `options` given) names, else the window program's own. A named file that does not exist is
// said on `err` and gives nothing, for the command to end with a failure.
std::optional<std::filesystem::path> SettingsFileOption(
    ParsedArgs& p, std::ostream& err, std::initializer_list<const char*> options = {"settings"});
// The settings of the file SettingsFileOption finds, read over `base`; a file not made yet
// leaves `base` as it is. Nothing when a named file does not exist (said on `err`).
std::optional<SettingsRecord> SettingsOption(ParsedArgs& p, std::ostream& err,
                                             SettingsRecord base = {},
                                             std::initializer_list<const char*> options = {
                                                 "settings"});

}  // namespace yomida::cli

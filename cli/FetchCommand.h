#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "settings/SettingsRecord.h"

namespace yomida::cli {

struct ParsedArgs;

// The milliseconds of the --timeout SECONDS option of every command that goes to the network:
// 60 seconds when it is left out, 0 (wait for ever) when it says 0. Throws UsageError.
int TimeOutOption(const ParsedArgs& p);

// The host and port of the --proxy HOST:PORT option, nothing when it is left out. A proxy given
// on the command line outranks the one in the settings file. Throws UsageError.
std::optional<std::pair<std::string, int>> ProxyOption(const ParsedArgs& p);

// The window's settings and data folder, or those the command line names: --settings INIFILE
// (or its older name --hosts) and --data DIR. The data folder is made when missing. Nothing,
// after a message, when the named file is missing or the folder cannot be made.
std::optional<SettingsRecord> CommandSettings(ParsedArgs& p, std::ostream& err);

// `yomida-cli fetch`: the window's direct download of one category and period into a data
// folder, for scripts and cron. Exit 0 on success, 1 on a failure, 2 for a malformed command
// line or a category that is imported by hand.
int FetchCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace yomida::cli

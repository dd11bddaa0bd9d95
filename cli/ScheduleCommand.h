#pragma once

#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

#include "engine/Schedule.h"

namespace yomida::cli {

// `yomida-cli schedule on|off|status`: the daily update of the systemd user timer, switched as
// the setup dialog does and recorded in the settings file. Exit 0; 1 when systemd refused or
// cannot be reached (nothing changed then); 2 for a malformed command line. `runner` and
// `unitFolder` are where systemctl and the user's unit folder come from.
int ScheduleCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                    const CommandRunner& runner = CommandRunner(RunProgram),
                    const std::filesystem::path& unitFolder = UpdateSchedule::UserUnitFolder());

}  // namespace yomida::cli

#include "cli/ScheduleCommand.h"

#include <ostream>

#include "cli/CliArgs.h"
#include "platform/FileSystem.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsRecord.h"

namespace yomida::cli {
namespace {

std::string HourText(int hour) {
    return (hour < 10 ? "0" : "") + std::to_string(hour) + ":00";
}

// A missing --hour is -1, so that the hour in the settings file is used.
int HourOption(ParsedArgs& p) {
    if (!p.Has("hour")) {
        return -1;
    }
    const int hour = ParseInt(p.values["hour"], "--hour");
    if (hour < 0 || hour > 23) {
        throw UsageError("--hour takes an hour from 0 to 23");
    }
    return hour;
}

int ShowSchedule(UpdateSchedule& schedule, const SettingsRecord& settings, std::ostream& out,
                 std::ostream& err) {
    ScheduleStatus status;
    const std::string refused = schedule.Read(status);
    if (!refused.empty()) {
        // What the settings file remembers is all there is to tell.
        err << "yomida-cli: " << refused << '\n';
        out << "schedule\t" << (settings.scheduleOn ? "on" : "off") << "\nhour\t"
            << HourText(settings.scheduleHour) << '\n';
        return kExitFailure;
    }
    out << "schedule\t" << (status.on ? "on" : "off") << "\nhour\t" << HourText(status.hour)
        << '\n';
    if (!status.nextRun.empty()) {
        out << "next\t" << status.nextRun << '\n';
    }
    return kExitOk;
}

void RememberSchedule(SettingsRecord& settings, const std::filesystem::path& settingsFile, bool on,
                      int hour, std::ostream& err) {
    if (FileExists(settingsFile) || DirectoryExists(settingsFile.parent_path())) {
        settings.scheduleOn = on;
        if (on) {
            settings.scheduleHour = hour;
        }
        try {
            WriteSettingsFile(settings, settingsFile);
        } catch (const std::exception& e) {
            err << "yomida-cli: " << e.what() << '\n';
        }
    }
}

}  // namespace

int ScheduleCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                    const CommandRunner& runner, const std::filesystem::path& unitFolder) {
    ParsedArgs p = ParseArgs(args, 1, {"hour", "settings"}, {});
    if (p.positional.size() != 1 ||
        (p.positional[0] != "on" && p.positional[0] != "off" && p.positional[0] != "status")) {
        throw UsageError("schedule takes on, off or status");
    }
    const std::string& action = p.positional[0];
    if (p.Has("hour") && action != "on") {
        throw UsageError("--hour goes with schedule on");
    }
    int hour = HourOption(p);
    const std::optional<std::filesystem::path> named = SettingsFileOption(p, err);
    if (!named) {
        return kExitFailure;
    }
    const std::filesystem::path settingsFile = *named;
    SettingsRecord settings;
    if (FileExists(settingsFile)) {
        ReadSettingsFile(settingsFile, settings);
    }

    UpdateSchedule schedule(runner, unitFolder);
    if (action == "status") {
        return ShowSchedule(schedule, settings, out, err);
    }

    const bool on = action == "on";
    if (hour < 0) {
        hour = settings.scheduleHour;
    }
    if (const std::string refused = schedule.Apply(on, hour); !refused.empty()) {
        err << "yomida-cli: " << refused << '\n';
        return kExitFailure;
    }
    // The window shows the schedule from its settings; a settings file that cannot be written
    // leaves the timer switched all the same.
    RememberSchedule(settings, settingsFile, on, hour, err);
    if (on) {
        out << "schedule\ton\nhour\t" << HourText(hour) << '\n';
    } else {
        out << "schedule\toff\n";
    }
    return kExitOk;
}

}  // namespace yomida::cli

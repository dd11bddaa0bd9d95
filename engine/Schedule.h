#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace yomida {

// What came of running a program.
struct CommandResult {
    bool started = false;    // false: the program could not be run at all
    int exitStatus = -1;     // its exit status; -1 when it did not exit by itself
    std::string output;      // standard output and standard error as they came
    std::string startError;  // why it could not be run
    bool timedOut = false;   // killed after running too long
};

// Runs a program with an argument list, argv[0] looked up on PATH; tests hand in a script.
using CommandRunner = std::function<CommandResult(const std::vector<std::string>& argv)>;

// Runs the program through posix_spawn, no shell between, and waits for it; one that has not
// finished within `limit` is killed and reaped, so that a stuck systemctl cannot hang the
// window. Output past 64 KiB is dropped.
CommandResult RunProgramWithin(const std::vector<std::string>& argv,
                               std::chrono::milliseconds limit);
// The same within ten seconds, far more than systemctl takes.
CommandResult RunProgram(const std::vector<std::string>& argv);

// How the daily update timer stands, as far as systemd tells.
struct ScheduleStatus {
    bool on = false;
    int hour = 7;
    std::string nextRun;  // the timer's next run as systemctl words it; empty when unknown
};

// Switches the daily `yomida-cli update` of the systemd user manager on and off. The timer
// installed with the program runs at the default hour; another hour is a drop-in of the
// user's own, so the installed unit is never edited. Messages are UTF-8, for the user.
class UpdateSchedule {
public:
    static constexpr int kDefaultHour = 7;
    static constexpr const char* kTimer = "yomida-update.timer";

    // `unitFolder` is the user's systemd unit folder (see UserUnitFolder()).
    UpdateSchedule(CommandRunner runner, std::filesystem::path unitFolder);

    // $XDG_CONFIG_HOME/systemd/user, else ~/.config/systemd/user, the home taken from the
    // user database when HOME is not set; empty when no home is known.
    static std::filesystem::path UserUnitFolder();
    // The drop-in that moves the timer to `hour` (0-23), and where it lies.
    static std::string DropInText(int hour);
    std::filesystem::path DropInFile() const;

    // Turns the timer on at `hour` (held within 0-23), or off. Returns empty when done, else
    // the words that say why not; when the user manager cannot be reached nothing is changed.
    std::string Apply(bool on, int hour);
    // Fills `status` from systemd; returns empty, or the words why systemd could not be asked.
    std::string Read(ScheduleStatus& status);

private:
    CommandResult Systemctl(std::vector<std::string> args) const;
    // Empty when the user manager answers, else the words why not.
    std::string CheckManager() const;
    // Empty when the unit folder is known, else the words why not.
    std::string UnknownUnitFolder() const;
    // The hour the drop-in sets, the default hour without one.
    int HourOfDropIn() const;
    // Writes the drop-in for `hour`, or removes it for the default hour.
    void WriteDropIn(int hour) const;
    void RestoreDropIn(const std::string& old, bool existed) const;

    CommandRunner runner_;
    std::filesystem::path unitFolder_;
};

}  // namespace yomida

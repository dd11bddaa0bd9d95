#include "engine/Schedule.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <system_error>

#include "platform/FileReplacement.h"
#include "platform/FileSystem.h"
#include "platform/TextFile.h"
#include "text/Messages.h"

extern char** environ;

namespace yomida {
namespace {

std::string Trimmed(std::string text) {
    const auto blank = [](unsigned char c) { return c == ' ' || c == '\n' || c == '\r'; };
    while (!text.empty() && blank(static_cast<unsigned char>(text.back()))) {
        text.pop_back();
    }
    const auto first = std::find_if_not(
        text.begin(), text.end(), [&](char c) { return blank(static_cast<unsigned char>(c)); });
    text.erase(text.begin(), first);
    return text;
}

// The words for a systemctl call that went wrong: its own message, else its exit status.
std::string FailureText(const std::string& what, const CommandResult& r) {
    if (!r.started) {
        return what + "（" + r.startError + "）";
    }
    if (r.timedOut) {
        return what + "（" + MsgUtf8(Msg::SystemctlNoAnswer) + "）";
    }
    const std::string said = Trimmed(r.output);
    return what + "（" +
           (said.empty() ? MsgUtf8(Msg::ExitCode) + std::to_string(r.exitStatus) : said) + "）";
}

}  // namespace

CommandResult RunProgram(const std::vector<std::string>& argv) {
    return RunProgramWithin(argv, std::chrono::seconds(10));
}

namespace {

// Starts the program with its output and error on the pipe's write end; the error's text, or
// empty once it runs.
std::string SpawnInto(const std::vector<std::string>& argv, int outputFd, pid_t& pid) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outputFd, 1);
    posix_spawn_file_actions_adddup2(&actions, outputFd, 2);
    std::vector<char*> args;
    for (const std::string& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    const int spawned = ::posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return spawned == 0 ? std::string() : argv[0] + ": " + std::strerror(spawned);
}

// What is kept of a program's output; systemctl says far less, and a program that says more
// is not one whose words a user could read.
constexpr size_t kMaxOutputBytes = 64 * 1024;

// Takes what the pipe holds; false once it is closed.
bool ReadOutput(int fd, CommandResult& result) {
    char buffer[4096];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n > 0) {
        // Read on past the cap and dropped, so a flood neither blocks the program nor fills
        // the memory.
        const size_t room = kMaxOutputBytes - std::min(result.output.size(), kMaxOutputBytes);
        result.output.append(buffer, std::min(static_cast<size_t>(n), room));
        return true;
    }
    return n < 0 && errno == EINTR;
}

// Collects the program's output until it has ended and closed its output, and reaps it. The
// limit covers the whole exchange: a program still running then, whether it still writes or
// has closed its output, is killed and reaped; output a program it started keeps writing
// after it ended is not waited for. Returns the wait status, or -1 when it was killed.
int CollectAndReap(int fd, pid_t pid, std::chrono::milliseconds limit, CommandResult& result) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    bool open = true;
    bool reaped = false;
    int status = 0;
    for (;;) {
        if (!reaped) {
            const pid_t done = ::waitpid(pid, &status, WNOHANG);
            reaped = done == pid || (done < 0 && errno != EINTR);
        }
        if (reaped && !open) {
            return status;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            if (reaped) {
                return status;
            }
            ::kill(pid, SIGKILL);
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            result.timedOut = true;
            return -1;
        }
        // Short waits, so an end is seen soon whichever comes first, the pipe's or the
        // program's.
        const int wait = reaped ? 0 : static_cast<int>(std::min<long long>(left.count(), 20));
        pollfd readable{fd, POLLIN, 0};
        const int ready = ::poll(&readable, open ? 1 : 0, wait);
        if (ready > 0) {
            open = ReadOutput(fd, result);
        } else if (ready == 0 && reaped) {
            return status;
        }
    }
}

}  // namespace

CommandResult RunProgramWithin(const std::vector<std::string>& argv,
                               std::chrono::milliseconds limit) {
    CommandResult result;
    if (argv.empty()) {
        result.startError = "no program given";
        return result;
    }
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        result.startError = std::strerror(errno);
        return result;
    }
    pid_t pid = 0;
    result.startError = SpawnInto(argv, fds[1], pid);
    ::close(fds[1]);
    if (!result.startError.empty()) {
        ::close(fds[0]);
        return result;
    }
    result.started = true;
    const int status = CollectAndReap(fds[0], pid, limit, result);
    ::close(fds[0]);
    result.exitStatus = !result.timedOut && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

UpdateSchedule::UpdateSchedule(CommandRunner runner, std::filesystem::path unitFolder)
    : runner_(std::move(runner)), unitFolder_(std::move(unitFolder)) {}

std::filesystem::path UpdateSchedule::UserUnitFolder() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/') {
        return std::filesystem::path(config) / "systemd" / "user";
    }
    const std::filesystem::path home = UserHomeFolder();
    return home.empty() ? home : home / ".config" / "systemd" / "user";
}

std::string UpdateSchedule::UnknownUnitFolder() const {
    if (unitFolder_.is_absolute()) {
        return {};
    }
    // Anywhere else, the drop-in would land in whatever folder the command was started from.
    return MsgUtf8(Msg::NoHomeFolder);
}

std::string UpdateSchedule::DropInText(int hour) {
    const std::string hh = (hour < 10 ? "0" : "") + std::to_string(std::clamp(hour, 0, 23));
    // The empty OnCalendar= clears the installed time, else both would fire.
    return "[Timer]\nOnCalendar=\nOnCalendar=*-*-* " + hh + ":00:00\n";
}

std::filesystem::path UpdateSchedule::DropInFile() const {
    return unitFolder_ / (std::string(kTimer) + ".d") / "time.conf";
}

CommandResult UpdateSchedule::Systemctl(std::vector<std::string> args) const {
    args.insert(args.begin(), {"systemctl", "--user"});
    return runner_(args);
}

std::string UpdateSchedule::CheckManager() const {
    const CommandResult r = Systemctl({"show", "--property=Version"});
    if (r.started && r.exitStatus == 0) {
        return {};
    }
    return FailureText(MsgUtf8(Msg::NoUserManager), r);
}

int UpdateSchedule::HourOfDropIn() const {
    if (!FileExists(DropInFile())) {
        return kDefaultHour;
    }
    // The last OnCalendar= with a time wins, as it does for systemd.
    const std::string text = ReadWholeFile(DropInFile());
    int hour = kDefaultHour;
    size_t at = 0;
    while ((at = text.find("OnCalendar=*-*-* ", at)) != std::string::npos) {
        at += 17;
        if (at + 2 <= text.size() && std::isdigit(static_cast<unsigned char>(text[at])) &&
            std::isdigit(static_cast<unsigned char>(text[at + 1]))) {
            hour = std::clamp((text[at] - '0') * 10 + (text[at + 1] - '0'), 0, 23);
        }
    }
    return hour;
}

void UpdateSchedule::WriteDropIn(int hour) const {
    const std::filesystem::path file = DropInFile();
    if (hour == kDefaultHour) {
        DeleteFile(file);
        return;
    }
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    if (ec) {
        throw std::runtime_error("cannot make " + file.parent_path().string() + ": " +
                                 ec.message());
    }
    FileReplacement replacement(file);
    replacement.Writer().Write(DropInText(hour));
    replacement.Commit();
}

void UpdateSchedule::RestoreDropIn(const std::string& old, bool existed) const {
    try {
        if (!existed) {
            DeleteFile(DropInFile());
            return;
        }
        FileReplacement replacement(DropInFile());
        replacement.Writer().Write(old);
        replacement.Commit();
    } catch (const std::exception&) {
        // The hour stays as written; the failure that brought us here is what gets reported.
    }
}

std::string UpdateSchedule::Apply(bool on, int hour) {
    if (std::string missing = CheckManager(); !missing.empty()) {
        return missing;
    }
    if (const std::string unknown = UnknownUnitFolder(); on && !unknown.empty()) {
        return MsgUtf8(Msg::ScheduleTimeNotWritten) + "（" + unknown + "）";
    }
    if (!on) {
        const CommandResult r = Systemctl({"disable", "--now", kTimer});
        if (!r.started || r.exitStatus != 0) {
            return FailureText(MsgUtf8(Msg::ScheduleNotStopped), r);
        }
        return {};
    }
    hour = std::clamp(hour, 0, 23);
    const bool existed = FileExists(DropInFile());
    const std::string old = existed ? ReadWholeFile(DropInFile()) : std::string();
    try {
        WriteDropIn(hour);
    } catch (const std::exception& e) {
        return MsgUtf8(Msg::ScheduleTimeNotWritten) + "（" + e.what() + "）";
    }
    const CommandResult reload = Systemctl({"daemon-reload"});
    if (!reload.started || reload.exitStatus != 0) {
        RestoreDropIn(old, existed);
        return FailureText(MsgUtf8(Msg::ScheduleNotLoaded), reload);
    }
    const CommandResult enable = Systemctl({"enable", "--now", kTimer});
    if (!enable.started || enable.exitStatus != 0) {
        RestoreDropIn(old, existed);
        Systemctl({"daemon-reload"});
        return FailureText(MsgUtf8(Msg::ScheduleNotStarted), enable);
    }
    return {};
}

std::string UpdateSchedule::Read(ScheduleStatus& status) {
    if (std::string missing = CheckManager(); !missing.empty()) {
        return missing;
    }
    if (std::string unknown = UnknownUnitFolder(); !unknown.empty()) {
        return unknown;
    }
    const CommandResult enabled = Systemctl({"is-enabled", kTimer});
    status.on = enabled.started && Trimmed(enabled.output) == "enabled";
    status.hour = HourOfDropIn();
    const CommandResult next =
        Systemctl({"show", "--property=NextElapseUSecRealtime", "--value", kTimer});
    status.nextRun.clear();
    if (next.started && next.exitStatus == 0) {
        const std::string when = Trimmed(next.output);
        if (!when.empty() && when != "n/a") {
            status.nextRun = when;
        }
    }
    return {};
}

}  // namespace yomida

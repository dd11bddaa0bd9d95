#pragma once

#include <filesystem>
#include <string_view>

namespace yomida {

// Removes a file should the process be ended by SIGTERM, SIGINT or SIGHUP while this object
// lives: systemd stops a service with SIGTERM, a terminal sends SIGINT or SIGHUP, and none of
// them lets a destructor run. The file is removed by the handler InstallTerminationCleanup()
// sets up; without it, registering does nothing.
class TerminationCleanup {
public:
    TerminationCleanup() = default;
    explicit TerminationCleanup(const std::filesystem::path& file) { Cover(file); }
    ~TerminationCleanup() { Release(); }
    TerminationCleanup(const TerminationCleanup&) = delete;
    TerminationCleanup& operator=(const TerminationCleanup&) = delete;

    // Registers `file` in place of whatever was registered before.
    void Cover(const std::filesystem::path& file);
    // The file is no longer removed on a signal (it was renamed, say, or removed already).
    void Release();

    // How many files can be registered at once; one more is simply not covered, and is left
    // to RemoveLeftoversOfEndedProcesses or the next replacement's sweep.
    static constexpr int kCapacity = 32;

private:
    int slot_ = -1;
};

// Sets up the handler of SIGTERM, SIGINT and SIGHUP that removes every registered file with
// async-signal-safe calls only, then ends the process by the same signal, as if there had been
// no handler. A signal the process ignores stays ignored. Safe to call more than once.
void InstallTerminationCleanup();

// Deletes the files "<prefix><PID><suffix>" in `folder`, and the temporaries written beside
// them ("<prefix><PID><suffix>.<8 hex digits>.tmp"), whose process no longer runs: the
// leftovers of a process that was killed outright. A process that still runs, this one
// included, keeps its files, whoever it belongs to.
void RemoveLeftoversOfEndedProcesses(const std::filesystem::path& folder, std::string_view prefix,
                                     std::string_view suffix);

}  // namespace yomida

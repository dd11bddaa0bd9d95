#include "platform/TerminationCleanup.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstring>
#include <string>
#include <system_error>

namespace yomida {
namespace {

// A registered name, handed between the threads that register and the signal handler through
// its state alone: only a Ready name is read by the handler, which claims it first, so a
// name is never read while it is being written.
struct CleanupSlot {
    enum : int { Free, Writing, Ready, Claimed };
    std::atomic<int> state{Free};
    char path[PATH_MAX];
};

static_assert(std::atomic<int>::is_always_lock_free, "the handler may only use lock-free atomics");

std::array<CleanupSlot, TerminationCleanup::kCapacity> cleanupSlots;

constexpr std::array<int, 3> kTerminatingSignals{SIGTERM, SIGINT, SIGHUP};

void RemoveRegisteredFiles(int signalNumber) {
    const int savedErrno = errno;
    for (CleanupSlot& slot : cleanupSlots) {
        int ready = CleanupSlot::Ready;
        if (slot.state.compare_exchange_strong(ready, CleanupSlot::Claimed)) {
            ::unlink(slot.path);
        }
    }
    errno = savedErrno;
    // The handler was reset on entry (SA_RESETHAND); the signal, blocked while the handler
    // runs, ends the process as soon as it returns.
    ::raise(signalNumber);
}

// The number between `prefix` and `suffix` of a leftover's name, or -1 when the name is not
// one; a temporary written beside the file counts as well.
pid_t ProcessOfLeftover(std::string_view name, std::string_view prefix, std::string_view suffix) {
    if (!name.starts_with(prefix)) {
        return -1;
    }
    name.remove_prefix(prefix.size());
    pid_t pid = 0;
    const auto [end, ec] = std::from_chars(name.data(), name.data() + name.size(), pid);
    if (ec != std::errc() || pid <= 0) {
        return -1;
    }
    name.remove_prefix(static_cast<size_t>(end - name.data()));
    if (!name.starts_with(suffix)) {
        return -1;
    }
    name.remove_prefix(suffix.size());
    if (name.empty()) {
        return pid;
    }
    constexpr std::string_view kTemporaryEnd = ".tmp";
    const bool temporary =
        name.size() == 1 + 8 + kTemporaryEnd.size() && name.front() == '.' &&
        name.ends_with(kTemporaryEnd) &&
        name.substr(1, 8).find_first_not_of("0123456789abcdef") == std::string_view::npos;
    return temporary ? pid : -1;
}

}  // namespace

void TerminationCleanup::Cover(const std::filesystem::path& file) {
    Release();
    const std::string& name = file.native();
    if (name.size() >= PATH_MAX) {
        return;
    }
    for (int n = 0; n < kCapacity; ++n) {
        CleanupSlot& slot = cleanupSlots[static_cast<size_t>(n)];
        int free = CleanupSlot::Free;
        if (slot.state.compare_exchange_strong(free, CleanupSlot::Writing)) {
            std::memcpy(slot.path, name.c_str(), name.size() + 1);
            slot.state.store(CleanupSlot::Ready);
            slot_ = n;
            return;
        }
    }
}

void TerminationCleanup::Release() {
    if (slot_ < 0) {
        return;
    }
    int ready = CleanupSlot::Ready;
    // A slot the handler has claimed is left to it: the process is about to end.
    cleanupSlots[static_cast<size_t>(slot_)].state.compare_exchange_strong(ready,
                                                                           CleanupSlot::Free);
    slot_ = -1;
}

void InstallTerminationCleanup() {
    for (int signalNumber : kTerminatingSignals) {
        struct sigaction current {};
        if (::sigaction(signalNumber, nullptr, &current) != 0 ||
            (current.sa_flags & SA_SIGINFO) != 0 || current.sa_handler != SIG_DFL) {
            continue;  // ignored, or handled already
        }
        struct sigaction cleanup {};
        cleanup.sa_handler = RemoveRegisteredFiles;
        sigemptyset(&cleanup.sa_mask);
        for (int other : kTerminatingSignals) {
            sigaddset(&cleanup.sa_mask, other);
        }
        cleanup.sa_flags = SA_RESETHAND;
        (void)::sigaction(signalNumber, &cleanup, nullptr);
    }
}

void RemoveLeftoversOfEndedProcesses(const std::filesystem::path& folder, std::string_view prefix,
                                     std::string_view suffix) {
    std::error_code ec;
    std::filesystem::directory_iterator entries(folder, ec);
    for (; !ec && entries != std::filesystem::directory_iterator(); entries.increment(ec)) {
        const std::filesystem::path& path = entries->path();
        const pid_t pid = ProcessOfLeftover(path.filename().native(), prefix, suffix);
        if (pid < 0 || pid == ::getpid()) {
            continue;
        }
        // EPERM: the process runs, under another user.
        if (::kill(pid, 0) == 0 || errno != ESRCH) {
            continue;
        }
        struct stat st {};
        if (::lstat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) {
            ::unlink(path.c_str());
        }
    }
}

}  // namespace yomida

#pragma once

#include <chrono>
#include <filesystem>

#include "platform/TerminationCleanup.h"

namespace yomida {

// An exclusive advisory lock on one file, held from construction to destruction, so that two
// processes replacing the same file take turns instead of undoing each other's work. The lock
// lives on a companion file "<name>.lock" beside it, which the holder removes on release (or
// when a signal ends it: TerminationCleanup). One left by a holder that was killed is taken
// over and removed by the next; in a shared folder it has the guarded file's group and
// permissions, so whoever may write that file may take the lock, and one that nobody holds and
// nobody can use is removed where the folder allows it.
class FileLock {
public:
    // Waits up to `patience` for the lock; throws IoError when it cannot be had.
    explicit FileLock(const std::filesystem::path& file,
                      std::chrono::milliseconds patience = std::chrono::seconds(30));
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    static std::filesystem::path LockFileFor(const std::filesystem::path& file);

private:
    std::filesystem::path lockFile_;
    int fd_ = -1;
    TerminationCleanup cleanup_;
};

}  // namespace yomida

#include "platform/FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

#include "platform/FileSystem.h"
#include "platform/IoError.h"

namespace yomida {
namespace {

// Gives a new lock file the group and the permissions of the file it guards, so that whoever
// may write that file (in a shared folder, its group) can take the lock too, even after a
// holder that made it was killed and left it behind.
void ShareLikeGuardedFile(const std::filesystem::path& file, int fd) {
    struct stat guarded {};
    if (::stat(file.c_str(), &guarded) != 0 || !S_ISREG(guarded.st_mode)) {
        return;  // made with the permissions a new file gets, as the file itself will be
    }
    if (::fchown(fd, static_cast<uid_t>(-1), guarded.st_gid) != 0) {
        // Only a member of the file's group may hand it the lock; the lock stays in our group.
    }
    (void)::fchmod(fd, (guarded.st_mode & 0666) | 0600);
}

// Opens the lock file, or makes it; -1 with errno set when neither can be done. A lock is
// taken on a descriptor opened for reading as well, so whoever may read the lock file may use
// it.
int OpenLockFile(const std::filesystem::path& file, const std::filesystem::path& lockFile) {
    for (;;) {
        int fd = ::open(lockFile.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0 && errno == ENOENT) {
            fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
            if (fd < 0 && errno == EEXIST) {
                continue;  // another writer made it first; open theirs
            }
            if (fd >= 0) {
                ShareLikeGuardedFile(file, fd);
            }
        }
        if (fd < 0 && errno == EINTR) {
            continue;
        }
        if (fd < 0) {
            return -1;
        }
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd);
            errno = EINVAL;  // a pipe or a device under the name guards nothing
            return -1;
        }
        return fd;
    }
}

// True when some process holds a lock on the file, as the kernel lists the locks it keeps; a
// list that cannot be read counts as held, so nobody's lock is ever taken away.
bool LockedByAnyone(const struct stat& st) {
    std::ifstream locks("/proc/locks");
    if (!locks) {
        return true;
    }
    char wanted[64];
    std::snprintf(wanted, sizeof wanted, " %02x:%02x:%llu ", ::major(st.st_dev), ::minor(st.st_dev),
                  static_cast<unsigned long long>(st.st_ino));
    std::string line;
    while (std::getline(locks, line)) {
        line += ' ';
        if (line.find(wanted) != std::string::npos) {
            return true;
        }
    }
    return false;
}

// What to do about a lock file that is there but cannot be opened: another user's, left by a
// save that was killed, or no plain file at all.
enum class InTheWay { Removed, Held, Stuck };

InTheWay ClearAway(const std::filesystem::path& lockFile) {
    struct stat st {};
    if (::lstat(lockFile.c_str(), &st) != 0) {
        return InTheWay::Removed;  // gone meanwhile
    }
    if (S_ISREG(st.st_mode) && LockedByAnyone(st)) {
        return InTheWay::Held;
    }
    // Nobody holds it, so it guards nothing; it goes wherever the folder lets us remove it.
    if (::unlink(lockFile.c_str()) == 0 || errno == ENOENT) {
        return InTheWay::Removed;
    }
    return InTheWay::Stuck;
}

}  // namespace

std::filesystem::path FileLock::LockFileFor(const std::filesystem::path& file) {
    return NameBeside(file, ".lock");
}

FileLock::FileLock(const std::filesystem::path& file, std::chrono::milliseconds patience)
    : lockFile_(LockFileFor(file)) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    const auto waitOrGiveUp = [&] {
        if (std::chrono::steady_clock::now() >= deadline) {
            throw IoError(IoError::Op::Lock, file, 0);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    };
    for (;;) {
        const int fd = OpenLockFile(file, lockFile_);
        if (fd < 0) {
            const int e = errno;
            struct stat there {};
            if (::lstat(lockFile_.c_str(), &there) != 0) {
                // No lock file can be made where the file itself could not be written either.
                throw IoError(IoError::Op::Create, file, e);
            }
            switch (ClearAway(lockFile_)) {
                case InTheWay::Removed:
                    continue;
                case InTheWay::Held:
                    waitOrGiveUp();
                    continue;
                case InTheWay::Stuck:
                    throw IoError(IoError::Op::Open, lockFile_, IoError::Refusal::LockInTheWay);
            }
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            // The holder before us may have removed the lock file between our open and our
            // lock; a lock on a removed file guards nothing, so only the file still in place
            // counts.
            struct stat held {};
            struct stat named {};
            if (::fstat(fd, &held) == 0 && ::lstat(lockFile_.c_str(), &named) == 0 &&
                held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
                fd_ = fd;
                cleanup_.Cover(lockFile_);
                return;
            }
            ::close(fd);
            continue;
        }
        const int e = errno;
        ::close(fd);
        if (e != EWOULDBLOCK && e != EINTR) {
            throw IoError(IoError::Op::Create, file, e);
        }
        waitOrGiveUp();
    }
}

FileLock::~FileLock() {
    cleanup_.Release();
    // Removed while still held, so a waiter that opened it notices and starts over. In a
    // shared folder that keeps others from removing our files, another user's lock file stays;
    // anyone who may write the guarded file can use it.
    ::unlink(lockFile_.c_str());
    ::close(fd_);
}

}  // namespace yomida

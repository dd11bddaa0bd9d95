#include "platform/FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "platform/FileSystem.h"
#include "platform/IoError.h"

namespace yomida {

std::filesystem::path FileLock::LockFileFor(const std::filesystem::path& file) {
    return NameBeside(file, ".lock");
}

FileLock::FileLock(const std::filesystem::path& file, std::chrono::milliseconds patience)
    : lockFile_(LockFileFor(file)) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
        int fd = ::open(lockFile_.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EINTR) {
                continue;
            }
            const int e = errno;
            // A lock file that is there but cannot be opened (another user's, left by a save
            // that was killed) is what stands in the way, so it is the one named. Otherwise no
            // lock file can be made where the file itself could not be written either.
            struct stat there {};
            if (::lstat(lockFile_.c_str(), &there) == 0) {
                throw IoError(IoError::Op::Open, lockFile_, e);
            }
            throw IoError(IoError::Op::Create, file, e);
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
        if (std::chrono::steady_clock::now() >= deadline) {
            throw IoError(IoError::Op::Lock, file, 0);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

FileLock::~FileLock() {
    // Removed while still held, so a waiter that opened it notices and starts over.
    ::unlink(lockFile_.c_str());
    ::close(fd_);
}

}  // namespace yomida

#include "platform/InstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace yomida {

InstanceLock::InstanceLock(const std::filesystem::path& settingsFile) : marker_(settingsFile) {
    marker_ += ".running";
    // Never through a link, and never blocking on a pipe or a device planted under the name.
    fd_ = ::open(marker_.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (fd_ < 0) {
        refused_ = errno == ELOOP;
        return;
    }
    // A second name for the marker (a hard link) is some other file the notice would overwrite.
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink != 1) {
        ::close(fd_);
        fd_ = -1;
        refused_ = true;
        return;
    }
    // The marker stays in place: removing it would let a later start lock a new file while an
    // earlier one still holds the old.
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        first_ = false;
    }
}

void InstanceLock::NotifyHolder() const {
    if (fd_ < 0) {
        return;
    }
    // A lock may not be held, but writing needs none: the holder only watches for a change.
    static const char kNote[] = "raise\n";
    // A failure only leaves the holder's window where it is.
    if (::ftruncate(fd_, 0) == 0 && ::pwrite(fd_, kNote, sizeof kNote - 1, 0) < 0) {
        return;
    }
}

InstanceLock::~InstanceLock() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

}  // namespace yomida

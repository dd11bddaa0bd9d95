#include "platform/InstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace yomida {

InstanceLock::InstanceLock(const std::filesystem::path& settingsFile) : marker_(settingsFile) {
    marker_ += ".running";
    fd_ = ::open(marker_.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd_ < 0) {
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

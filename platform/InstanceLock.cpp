#include "platform/InstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace yomida {

InstanceLock::InstanceLock(const std::filesystem::path& settingsFile) {
    std::filesystem::path marker = settingsFile;
    marker += ".running";
    fd_ = ::open(marker.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd_ < 0) {
        return;
    }
    // The marker stays in place: removing it would let a later start lock a new file while an
    // earlier one still holds the old.
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        first_ = false;
    }
}

InstanceLock::~InstanceLock() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

}  // namespace yomida

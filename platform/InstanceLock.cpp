#include "platform/InstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
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

void InstanceLock::NotifyHolder(std::string_view note) const {
    if (fd_ < 0) {
        return;
    }
    // A lock may not be held, but writing needs none: the holder only watches for a change.
    // The note is written before the rest is cut, so the holder never reads an empty marker
    // when the write's change reaches it first.
    const std::string line = std::string(note) + "\n";
    // A failure only leaves the holder's window where it is.
    if (::pwrite(fd_, line.data(), line.size(), 0) == static_cast<ssize_t>(line.size()) &&
        ::ftruncate(fd_, static_cast<off_t>(line.size())) != 0) {
        return;
    }
}

std::string InstanceLock::Note() const {
    char buffer[64];
    const ssize_t n = fd_ < 0 ? -1 : ::pread(fd_, buffer, sizeof buffer, 0);
    if (n <= 0) {
        return {};
    }
    std::string note(buffer, static_cast<size_t>(n));
    note.erase(std::min(note.find('\n'), note.size()));
    return note;
}

InstanceLock::~InstanceLock() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

}  // namespace yomida

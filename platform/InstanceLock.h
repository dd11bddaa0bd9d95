#pragma once

#include <filesystem>

namespace yomida {

// Marks one running program per settings file: the first holds a lock on "<file>.running" for
// as long as it lives, and a second one started on the same settings file finds it taken. The
// lock goes with the process, however it ends, so a crash never leaves the program locked out.
class InstanceLock {
public:
    explicit InstanceLock(const std::filesystem::path& settingsFile);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // False when another process holds the lock. A lock that cannot be set up at all (an
    // unwritable folder, say) does not stop the program.
    bool First() const { return first_; }
    // Tells the holder that another start was tried, by writing to the marker, which the
    // holder may watch.
    void NotifyHolder() const;
    const std::filesystem::path& Marker() const { return marker_; }

private:
    std::filesystem::path marker_;
    int fd_ = -1;
    bool first_ = true;
};

}  // namespace yomida

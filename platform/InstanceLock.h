#pragma once

#include <filesystem>
#include <string>
#include <string_view>

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
    // True when the marker is a link, has a second name or is no plain file: it is neither
    // locked nor written, so no other file is changed through it, and First() stays true.
    bool Refused() const { return refused_; }
    // What a later start asks of the holder: to come to the front, or to show the watch results
    // too.
    static constexpr std::string_view kRaise = "raise";
    static constexpr std::string_view kWatch = "watch";
    // Tells the holder that another start was tried, by writing `note` to the marker, which the
    // holder may watch.
    void NotifyHolder(std::string_view note = kRaise) const;
    // The last note a later start left, for the holder; empty when none can be read.
    std::string Note() const;
    const std::filesystem::path& Marker() const { return marker_; }

private:
    std::filesystem::path marker_;
    int fd_ = -1;
    bool first_ = true;
    bool refused_ = false;
};

}  // namespace yomida

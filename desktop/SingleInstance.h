#pragma once

#include <QFileSystemWatcher>
#include <functional>
#include <memory>
#include <string_view>

#include "platform/InstanceLock.h"
#include "platform/Ui.h"

class QWidget;

namespace yomida::qt {

// One window per settings file: two would overwrite each other's lists and settings. A second
// start says so, asks the first window to come to the front, and ends.
class SingleInstance {
public:
    // Claims the settings file the window would use; tells the user when another window has it
    // and passes `request` (InstanceLock::kRaise or kWatch) on to it. A start that asks for the
    // watch results only hands them over to the running window and says nothing, and so does a
    // `quiet` one: the desktop asked for the window, not the user a second time.
    explicit SingleInstance(Ui& ui, std::string_view request = InstanceLock::kRaise,
                            bool quiet = false);

    bool First() const { return lock_ && lock_->First(); }
    // Brings `window` to the front whenever a second start is tried, and calls `openWatch` when
    // that start asked for the watch results.
    void RaiseOnSecondStart(QWidget& window, std::function<void()> openWatch = {});

private:
    std::unique_ptr<InstanceLock> lock_;
    QFileSystemWatcher watcher_;
};

}  // namespace yomida::qt

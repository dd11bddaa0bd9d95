#pragma once

#include <QFileSystemWatcher>
#include <memory>

#include "platform/InstanceLock.h"
#include "platform/Ui.h"

class QWidget;

namespace yomida::qt {

// One window per settings file: two would overwrite each other's lists and settings. A second
// start says so, asks the first window to come to the front, and ends.
class SingleInstance {
public:
    // Claims the settings file the window would use; tells the user when another window has it.
    explicit SingleInstance(Ui& ui);

    bool First() const { return lock_ && lock_->First(); }
    // Brings `window` to the front whenever a second start is tried.
    void RaiseOnSecondStart(QWidget& window);

private:
    std::unique_ptr<InstanceLock> lock_;
    QFileSystemWatcher watcher_;
};

}  // namespace yomida::qt

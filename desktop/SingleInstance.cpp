#include "desktop/SingleInstance.h"

#include <QWidget>

#include "platform/Cp932.h"
#include "platform/FileSystem.h"
#include "settings/ProgramPaths.h"
#include "text/Messages.h"

namespace yomida::qt {

SingleInstance::SingleInstance(Ui& ui, std::string_view request, bool quiet) {
    const ProgramPaths paths = ResolveProgramPaths(ExecutablePath(), PathEnvironment::Current());
    CreateDirectories(FolderOf(paths.settingsFile));
    lock_ = std::make_unique<InstanceLock>(paths.settingsFile);
    if (lock_->Refused()) {
        ui.ShowWarning(Utf8ToCp932(lock_->Marker().string()) + MsgText(Msg::LockNotRegular));
    } else if (!lock_->First()) {
        lock_->NotifyHolder(request);
        if (request != InstanceLock::kWatch && !quiet) {
            ui.ShowWarning(MsgText(Msg::AlreadyRunning));
        }
    }
}

void SingleInstance::RaiseOnSecondStart(QWidget& window, std::function<void()> openWatch) {
    if (lock_->Refused()) {
        return;  // not our file: what changes it is no start of ours
    }
    watcher_.addPath(QString::fromStdString(lock_->Marker().string()));
    QObject::connect(&watcher_, &QFileSystemWatcher::fileChanged, &window,
                     [this, &window, openWatch = std::move(openWatch)] {
                         if (window.isMinimized()) {
                             window.showNormal();
                         }
                         window.raise();
                         window.activateWindow();
                         if (openWatch && lock_->Note() == InstanceLock::kWatch) {
                             openWatch();
                         }
                     });
}

}  // namespace yomida::qt

#include "desktop/SingleInstance.h"

#include <QWidget>

#include "platform/FileSystem.h"
#include "settings/ProgramPaths.h"
#include "text/SjisLiteral.h"

namespace yomida::qt {

SingleInstance::SingleInstance(Ui& ui) {
    const ProgramPaths paths = ResolveProgramPaths(ExecutablePath(), PathEnvironment::Current());
    CreateDirectories(FolderOf(paths.settingsFile));
    lock_ = std::make_unique<InstanceLock>(paths.settingsFile);
    if (!lock_->First()) {
        lock_->NotifyHolder();
        ui.ShowWarning("YOMIDA は既に起動しています。"_sj);
    }
}

void SingleInstance::RaiseOnSecondStart(QWidget& window) {
    watcher_.addPath(QString::fromStdString(lock_->Marker().string()));
    QObject::connect(&watcher_, &QFileSystemWatcher::fileChanged, &window, [&window] {
        if (window.isMinimized()) {
            window.showNormal();
        }
        window.raise();
        window.activateWindow();
    });
}

}  // namespace yomida::qt

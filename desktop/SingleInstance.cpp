#include "desktop/SingleInstance.h"

#include <QWidget>

#include "platform/Cp932.h"
#include "platform/FileSystem.h"
#include "settings/ProgramPaths.h"
#include "text/SjisLiteral.h"

namespace yomida::qt {

SingleInstance::SingleInstance(Ui& ui) {
    const ProgramPaths paths = ResolveProgramPaths(ExecutablePath(), PathEnvironment::Current());
    CreateDirectories(FolderOf(paths.settingsFile));
    lock_ = std::make_unique<InstanceLock>(paths.settingsFile);
    if (lock_->Refused()) {
        ui.ShowWarning(Utf8ToCp932(lock_->Marker().string()) +
                       "\nは他のファイルへのリンクか、通常のファイルではありません。"
                       "\nこのファイルには書き込まず、二重起動を確かめないまま起動します。"
                       "\n削除すると、次回から確かめます。"_sj);
    } else if (!lock_->First()) {
        lock_->NotifyHolder();
        ui.ShowWarning("YOMIDA は既に起動しています。"_sj);
    }
}

void SingleInstance::RaiseOnSecondStart(QWidget& window) {
    if (lock_->Refused()) {
        return;  // not our file: what changes it is no start of ours
    }
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

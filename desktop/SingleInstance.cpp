#include "desktop/SingleInstance.h"

#include <QWidget>

#include "platform/Cp932.h"
#include "platform/FileSystem.h"
#include "settings/ProgramPaths.h"
#include "text/SjisLiteral.h"

namespace yomida::qt {

SingleInstance::SingleInstance(Ui& ui, std::string_view request) {
    const ProgramPaths paths = ResolveProgramPaths(ExecutablePath(), PathEnvironment::Current());
    CreateDirectories(FolderOf(paths.settingsFile));
    lock_ = std::make_unique<InstanceLock>(paths.settingsFile);
    if (lock_->Refused()) {
        ui.ShowWarning(Utf8ToCp932(lock_->Marker().string()) +
                       "\nは他のファイルへのリンクか、通常のファイルではありません。"
                       "\nこのファイルには書き込まず、二重起動を確かめないまま起動します。"
                       "\n削除すると、次回から確かめます。"_sj);
    } else if (!lock_->First()) {
        lock_->NotifyHolder(request);
        if (request != InstanceLock::kWatch) {
            ui.ShowWarning("YOMIDA は既に起動しています。"_sj);
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

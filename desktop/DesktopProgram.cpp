#include "desktop/DesktopProgram.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/MainWindowLogic.h"
#include "desktop/MainWindow.h"
#include "desktop/QtUi.h"
#include "download/DownloadManager.h"
#include "platform/FileSystem.h"
#include "platform/InstanceLock.h"
#include "settings/ProgramPaths.h"
#include "text/SjisLiteral.h"

namespace yomida::qt {
namespace {

bool HasDisplay() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            return true;
        }
    }
    return false;
}

// Two windows on one settings file would overwrite each other's lists and settings, so a
// second start says so and ends; the returned lock keeps the first one marked.
std::unique_ptr<InstanceLock> ClaimSettingsFile(Ui& ui) {
    const ProgramPaths paths = ResolveProgramPaths(ExecutablePath(), PathEnvironment::Current());
    CreateDirectories(FolderOf(paths.settingsFile));
    auto lock = std::make_unique<InstanceLock>(paths.settingsFile);
    if (!lock->First()) {
        ui.ShowWarning("YOMIDA は既に起動しています。"_sj);
        return nullptr;
    }
    return lock;
}

}  // namespace

int RunDesktopProgram(int argc, char** argv) {
    if (!HasDisplay()) {
        std::fprintf(stderr,
                     "yomida: no display found (DISPLAY and WAYLAND_DISPLAY are not set).\n"
                     "Start YOMIDA from a desktop session, or use yomida-cli for scripts.\n");
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("YOMIDA"));

    QtUi ui;
    const std::unique_ptr<InstanceLock> running = ClaimSettingsFile(ui);
    if (!running) {
        return 1;
    }
    SystemClock clock;
    PosixTcpConnector tcp;
    HttpClient http(tcp);
    DownloadManager downloads(ui, clock);
    MainWindowLogic form(ui, clock, http, downloads);
    MainWindow window(form);
    ui.SetParent(&window);
    ui.SetBeforeEvents([&window] { window.PushProgress(); });
    if (!form.FormCreate(ExecutablePath())) {
        return 1;
    }
    window.Push();
    window.ApplyGeometry();
    window.show();
    return QApplication::exec();
}

}  // namespace yomida::qt

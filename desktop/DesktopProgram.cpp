#include "desktop/DesktopProgram.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "app/MainWindowLogic.h"
#include "desktop/FontSubstitution.h"
#include "desktop/Icons.h"
#include "desktop/MainWindow.h"
#include "desktop/QtUi.h"
#include "desktop/SingleInstance.h"
#include "desktop/Translations.h"
#include "download/DownloadManager.h"
#include "platform/FileSystem.h"

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

const char* Variable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : "(not set)";
}

// Qt ends the program with abort() when no platform plugin can start; until one has, that end
// is told in words and with the status of a missing display instead.
QtMessageHandler qtHandler = nullptr;

void RefuseWithoutPlatform(QtMsgType type, const QMessageLogContext& context,
                           const QString& message) {
    if (type != QtFatalMsg || !message.contains(QLatin1String("platform plugin"))) {
        qtHandler(type, context, message);  // Qt's own, never null
        return;
    }
    std::fprintf(stderr,
                 "yomida: no Qt platform plugin could start, so the window cannot be shown\n"
                 "(QT_QPA_PLATFORM=%s, WAYLAND_DISPLAY=%s, DISPLAY=%s).\n"
                 "A Wayland session needs the package qt6-wayland. Start YOMIDA from a desktop "
                 "session, or use yomida-cli for scripts.\n",
                 Variable("QT_QPA_PLATFORM"), Variable("WAYLAND_DISPLAY"), Variable("DISPLAY"));
    std::_Exit(1);
}

// What makes the window one of the desktop's programs: the menu entry it belongs to, its icon,
// and Japanese fonts in place of the Windows font names the settings file carries.
void JoinTheDesktop() {
    QGuiApplication::setDesktopFileName(QStringLiteral("jp.yomida.Yomida"));
    QApplication::setWindowIcon(ProgramIcon());
    SubstituteWindowsFonts();
}

}  // namespace

int RunDesktopProgram(int argc, char** argv) {
    if (!HasDisplay()) {
        std::fprintf(stderr,
                     "yomida: no display found (DISPLAY and WAYLAND_DISPLAY are not set).\n"
                     "Start YOMIDA from a desktop session, or use yomida-cli for scripts.\n");
        return 1;
    }
    qtHandler = qInstallMessageHandler(RefuseWithoutPlatform);
    QApplication app(argc, argv);
    qInstallMessageHandler(qtHandler);
    QApplication::setApplicationName(QStringLiteral("YOMIDA"));
    JoinTheDesktop();
    if (!InstallJapaneseTranslations(app)) {
        std::fprintf(stderr, "yomida: Qt's Japanese translation (qtbase_ja) is not installed.\n");
    }

    QtUi ui;
    SingleInstance instance(ui);
    if (!instance.First()) {
        return 1;
    }
    SystemClock clock;
    PosixTcpConnector tcp;
    HttpClient http(tcp);
    DownloadManager downloads(ui, clock);
    MainWindowLogic form(ui, clock, http, downloads);
    MainWindow window(form);
    if (!form.FormCreate(ExecutablePath())) {
        return 1;
    }
    window.Push();
    window.ApplyGeometry();
    window.show();
    instance.RaiseOnSecondStart(window);
    return QApplication::exec();
}

}  // namespace yomida::qt

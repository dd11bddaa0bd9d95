#include "desktop/DesktopProgram.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/MainWindowLogic.h"
#include "desktop/FontSubstitution.h"
#include "desktop/Icons.h"
#include "desktop/MainWindow.h"
#include "desktop/QtUi.h"
#include "desktop/SingleInstance.h"
#include "desktop/Translations.h"
#include "download/DownloadManager.h"
#include "engine/Notifier.h"
#include "platform/Cp932.h"
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

// Announces the new watch matches of the window's fetches and imports on the desktop; a click
// on the notification, while the window runs, brings it up with the watch results.
class WatchNotices {
public:
    WatchNotices(MainWindowLogic& form, MainWindow& window) : form_(form) {
        const int fd = notifier_.Fd();
        if (fd >= 0) {
            reader_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
            QObject::connect(reader_.get(), &QSocketNotifier::activated, &window,
                             [this] { Process(); });
        }
        notifier_.OnAction([&window](uint32_t, const std::string& key) {
            if (key == Notifier::kDefaultAction) {
                window.showNormal();
                window.raise();
                window.activateWindow();
                window.OpenWatchResults();
            }
        });
        form.Watch.SetNewsHandler(
            [this](size_t fresh, const std::vector<std::string>& titles, size_t changes) {
                const NotifyOutcome outcome =
                    notifier_.Notify(UpdateNotification(fresh, titles, changes));
                if (!outcome.shown) {
                    std::fprintf(stderr, "yomida: %s\n", Cp932ToUtf8(outcome.message).c_str());
                }
                // The call may have read an answer to an earlier notification along with its own.
                Process();
            });
    }

    ~WatchNotices() { form_.Watch.SetNewsHandler(nullptr); }
    WatchNotices(const WatchNotices&) = delete;
    WatchNotices& operator=(const WatchNotices&) = delete;

private:
    void Process() {
        // A bus that went away leaves its descriptor readable for good.
        if (!notifier_.Process() && reader_) {
            reader_->setEnabled(false);
        }
    }

    MainWindowLogic& form_;
    Notifier notifier_;
    std::unique_ptr<QSocketNotifier> reader_;
};

bool AskedForWatchResults() {
    return QCoreApplication::arguments().contains(QStringLiteral("--watch"));
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
    const bool watch = AskedForWatchResults();
    SingleInstance instance(ui, watch ? InstanceLock::kWatch : InstanceLock::kRaise);
    if (!instance.First()) {
        // Handing the watch results to the running window is all `--watch` asked for.
        return watch ? 0 : 1;
    }
    SystemClock clock;
    PosixTcpConnector tcp;
    DownloadManager downloads(clock, tcp);
    MainWindowLogic form(ui, clock, downloads);
    MainWindow window(form);
    if (!form.FormCreate(ExecutablePath())) {
        return 1;
    }
    window.Push();
    window.ApplyGeometry();
    window.show();
    instance.RaiseOnSecondStart(window, [&window] { window.OpenWatchResults(); });
    WatchNotices notices(form, window);
    if (watch) {
        QTimer::singleShot(0, &window, [&window] { window.OpenWatchResults(); });
    }
    return QApplication::exec();
}

}  // namespace yomida::qt

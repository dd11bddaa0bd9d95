#include "desktop/DesktopProgram.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/MainWindowLogic.h"
#include "desktop/ApplicationService.h"
#include "desktop/DesktopNotices.h"
#include "desktop/FontSubstitution.h"
#include "desktop/Icons.h"
#include "desktop/MainWindow.h"
#include "desktop/QtUi.h"
#include "desktop/SingleInstance.h"
#include "desktop/Translations.h"
#include "download/DownloadManager.h"
#include "engine/Notifier.h"
#include "engine/Schedule.h"
#include "platform/Cp932.h"
#include "platform/FileSystem.h"
#include "settings/ProgramPaths.h"
#include "settings/VersionInfo.h"
#include "sources/DefinedSources.h"

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

// How the program was started: by the user (for the window or its watch results) or by the
// session bus, for a request of the desktop or the news of an unattended update.
enum class StartMode { Window, WatchResults, BusService };

StartMode AskedFor() {
    const QStringList args = QCoreApplication::arguments();
    if (args.contains(QStringLiteral("--dbus-service"))) {
        return StartMode::BusService;
    }
    return args.contains(QStringLiteral("--watch")) ? StartMode::WatchResults : StartMode::Window;
}

// The source definitions of the program's folder and the user's, read once and made categories
// of the catalogue before the tree and the menus are built from it. What cannot be read is
// named by the window's warning at start.
void InstallProgramDefinitions() {
    if (InstalledDefinitions() != nullptr) {
        return;
    }
    const ProgramPaths paths = ResolveProgramPaths(ExecutablePath(), PathEnvironment::Current());
    InstallDefinitions(std::make_shared<const DefinitionSet>(
        LoadDefinitions(DefinitionFolders::For(paths.appFolder, paths.dataFolder),
                        DefinitionReader(VersionInfo::kVersion))));
}

// A process started by the bus and left with no window and no notification ends after this.
constexpr int kIdleMs = 10'000;
// One with notifications and no window waits for a click this long, then takes them back.
constexpr int kLingerMs = 24 * 60 * 60 * 1000;

// The program's one process: the window, made once it is asked for; the notifications of new
// watch matches, whose click opens the watch results; and the program's name on the bus, by
// which the desktop starts it and an unattended update hands it its news.
class DesktopSession final : public QObject {
public:
    enum class Opening { Opened, HandedOver, Failed };

    explicit DesktopSession(bool busService)
        : busService_(busService),
          service_([this](const std::string& summary, const std::string& body) {
              return ShowNews(summary, body);
          }) {
        connect(&notices_, &DesktopNotices::watchRequested, this,
                [this] { OpenWindow(InstanceLock::kWatch); });
        connect(&notices_, &DesktopNotices::closed, this, [this] { QuitWhenIdle(); });
        connect(&service_, &ApplicationService::activateRequested, this,
                [this] { OpenWindow(InstanceLock::kRaise); });
        connect(&service_, &ApplicationService::watchRequested, this,
                [this] { OpenWindow(InstanceLock::kWatch); });
        idle_.setSingleShot(true);
        connect(&idle_, &QTimer::timeout, this, [this] {
            if (window_ == nullptr && notices_.Outstanding() == 0) {
                QCoreApplication::quit();
            }
        });
        linger_.setSingleShot(true);
        connect(&linger_, &QTimer::timeout, this, [this] {
            notices_.WithdrawAll();
            QuitWhenIdle();
        });
    }

    ~DesktopSession() override {
        if (form_) {
            form_->Watch.SetNewsHandler(nullptr);
        }
    }
    DesktopSession(const DesktopSession&) = delete;
    DesktopSession& operator=(const DesktopSession&) = delete;

    // Takes the program's name on the bus: the window queues for it behind a process the bus
    // started, which ends once it is idle. False for such a process when another has it.
    bool JoinTheBus() {
        const bool owner = service_.Claim(!busService_);
        QuitWhenIdle();
        if (!owner && busService_) {
            std::fprintf(stderr, "yomida: cannot take jp.yomida.Yomida on the session bus: %s\n",
                         service_.Error().c_str());
        }
        return owner || !busService_;
    }

    // Opens the window, or hands `request` to the window another process shows.
    Opening OpenWindow(std::string_view request) {
        if (window_ != nullptr) {
            if (request == InstanceLock::kWatch) {
                ShowWatchResults();
            } else {
                Raise();
            }
            return Opening::Opened;
        }
        instance_.reset();
        instance_.emplace(ui_, request, busService_);
        if (!instance_->First()) {
            instance_.reset();
            QuitWhenIdle();
            return Opening::HandedOver;
        }
        InstallProgramDefinitions();
        downloads_ = std::make_unique<DownloadManager>(clock_, tcp_);
        form_ = std::make_unique<MainWindowLogic>(ui_, clock_, *downloads_);
        // The setup dialog's 自動更新 switches the user's systemd timer.
        form_->setup.ApplySchedule = [](bool on, int hour) {
            return UpdateSchedule(RunProgram, UpdateSchedule::UserUnitFolder()).Apply(on, hour);
        };
        window_ = std::make_unique<MainWindow>(*form_);
        if (!form_->FormCreate(ExecutablePath())) {
            window_.reset();
            form_.reset();
            downloads_.reset();
            instance_.reset();
            QuitWhenIdle();
            return Opening::Failed;
        }
        window_->Push();
        window_->ApplyGeometry();
        window_->show();
        // From now on the program ends with its window.
        QApplication::setQuitOnLastWindowClosed(true);
        idle_.stop();
        linger_.stop();
        instance_->RaiseOnSecondStart(*window_, [this] { ShowWatchResults(); });
        form_->Watch.SetNewsHandler([this](size_t fresh, const std::vector<NewsTitle>& titles,
                                           size_t changes) {
            const NotifyOutcome outcome = notices_.Show(UpdateNotification(fresh, titles, changes));
            if (!outcome.shown) {
                std::fprintf(stderr, "yomida: %s\n", Cp932ToUtf8(outcome.message).c_str());
            }
        });
        if (request == InstanceLock::kWatch) {
            QTimer::singleShot(0, window_.get(), [this] { ShowWatchResults(); });
        }
        return Opening::Opened;
    }

private:
    NotifyOutcome ShowNews(const std::string& summary, const std::string& body) {
        const NotifyOutcome outcome = notices_.Show(NewsNotification(summary, body));
        if (outcome.shown && window_ == nullptr) {
            idle_.stop();
            linger_.start(kLingerMs);
        }
        return outcome;
    }

    void Raise() {
        if (window_->isMinimized()) {
            window_->showNormal();
        }
        window_->raise();
        window_->activateWindow();
    }

    void ShowWatchResults() {
        Raise();
        window_->OpenWatchResults();
    }

    // A process the bus started ends once it has no window and nothing on the screen.
    void QuitWhenIdle() {
        if (busService_ && window_ == nullptr && notices_.Outstanding() == 0) {
            idle_.start(kIdleMs);
        }
    }

    const bool busService_;
    QtUi ui_;
    SystemClock clock_;
    PosixTcpConnector tcp_;
    DesktopNotices notices_;
    ApplicationService service_;
    QTimer idle_;
    QTimer linger_;
    std::optional<SingleInstance> instance_;
    std::unique_ptr<DownloadManager> downloads_;
    std::unique_ptr<MainWindowLogic> form_;
    std::unique_ptr<MainWindow> window_;
};

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

    const StartMode mode = AskedFor();
    // Started by the bus there is no window yet, and a box it closes must not end the program.
    QApplication::setQuitOnLastWindowClosed(mode != StartMode::BusService);
    DesktopSession session(mode == StartMode::BusService);
    if (mode != StartMode::BusService) {
        const auto opening = session.OpenWindow(
            mode == StartMode::WatchResults ? InstanceLock::kWatch : InstanceLock::kRaise);
        if (opening != DesktopSession::Opening::Opened) {
            // Handing the watch results to the running window is all `--watch` asked for.
            return opening == DesktopSession::Opening::HandedOver && mode == StartMode::WatchResults
                       ? 0
                       : 1;
        }
    }
    if (!session.JoinTheBus()) {
        return 0;  // another process answers for the program on the bus
    }
    return QApplication::exec();
}

}  // namespace yomida::qt

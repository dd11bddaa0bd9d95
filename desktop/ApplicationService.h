#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <string>

#include "engine/Notifier.h"

struct sd_bus;
struct sd_bus_slot;
class QSocketNotifier;

namespace yomida::qt {

// The window program on the session bus, as the desktop expects of a program whose desktop
// entry is DBusActivatable: org.freedesktop.Application (Activate, Open, ActivateAction) under
// the name jp.yomida.Yomida, and the news of an unattended update, handed over to be shown as
// this program's own notification. The requests come as queued signals, so a window or a
// dialog they open runs outside the bus's processing.
class ApplicationService final : public QObject {
    Q_OBJECT

public:
    // Shows the news handed over (summary and body, UTF-8); called while the bus is processed.
    using NewsShower = std::function<NotifyOutcome(const std::string&, const std::string&)>;

    ApplicationService(NewsShower showNews, QObject* parent = nullptr);
    ~ApplicationService() override;
    ApplicationService(const ApplicationService&) = delete;
    ApplicationService& operator=(const ApplicationService&) = delete;

    // Takes the program's name on the bus. With `queue`, a name another process holds comes
    // to this one once that process has ended. True when this process holds it now.
    bool Claim(bool queue);
    // Why the bus or the name could not be had (UTF-8).
    const std::string& Error() const { return error_; }

signals:
    void activateRequested();
    void watchRequested();

private:
    // Runs what has arrived on the bus; lets it go when the bus has gone.
    void Process();

    NewsShower showNews_;
    sd_bus* bus_ = nullptr;
    sd_bus_slot* applicationSlot_ = nullptr;
    sd_bus_slot* newsSlot_ = nullptr;
    std::unique_ptr<QSocketNotifier> reader_;
    std::string error_;

    friend struct ApplicationCalls;
};

}  // namespace yomida::qt

#pragma once

#include <QObject>
#include <memory>

#include "engine/Notifier.h"

class QSocketNotifier;

namespace yomida::qt {

// The notifications this process shows on the desktop, their clicks and their end. What they
// ask for comes as queued signals, so the window they open runs outside the bus's processing.
// Those still on the screen when the process ends are taken back: a click would reach no one.
class DesktopNotices final : public QObject {
    Q_OBJECT

public:
    explicit DesktopNotices(QObject* parent = nullptr);
    ~DesktopNotices() override;
    DesktopNotices(const DesktopNotices&) = delete;
    DesktopNotices& operator=(const DesktopNotices&) = delete;

    NotifyOutcome Show(const Notification& notification);
    size_t Outstanding() const { return notifier_.Outstanding(); }
    void WithdrawAll() { notifier_.WithdrawAll(); }

signals:
    // A notification was clicked: the watch results are wanted.
    void watchRequested();
    // One of them has gone from the screen.
    void closed();

private:
    void Process();

    Notifier notifier_;
    std::unique_ptr<QSocketNotifier> reader_;
};

}  // namespace yomida::qt

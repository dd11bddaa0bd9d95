#include "desktop/DesktopNotices.h"

#include <QSocketNotifier>

namespace yomida::qt {

DesktopNotices::DesktopNotices(QObject* parent) : QObject(parent) {
    notifier_.OnAction([this](uint32_t, const std::string& key) {
        if (key == Notifier::kDefaultAction) {
            QMetaObject::invokeMethod(
                this, [this] { emit watchRequested(); }, Qt::QueuedConnection);
        }
    });
    notifier_.OnClosed([this](uint32_t) {
        QMetaObject::invokeMethod(
            this, [this] { emit closed(); }, Qt::QueuedConnection);
    });
    if (const int fd = notifier_.Fd(); fd >= 0) {
        reader_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        connect(reader_.get(), &QSocketNotifier::activated, this, [this] { Process(); });
    }
}

DesktopNotices::~DesktopNotices() {
    reader_.reset();
    notifier_.WithdrawAll();
}

NotifyOutcome DesktopNotices::Show(const Notification& notification) {
    const NotifyOutcome outcome = notifier_.Notify(notification);
    // The call may have read an answer to an earlier notification along with its own.
    QMetaObject::invokeMethod(
        this, [this] { Process(); }, Qt::QueuedConnection);
    return outcome;
}

void DesktopNotices::Process() {
    // A bus that went away leaves its descriptor readable for good.
    if (!notifier_.Process() && reader_) {
        reader_->setEnabled(false);
    }
}

}  // namespace yomida::qt

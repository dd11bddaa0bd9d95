#include "desktop/DialogFrame.h"

#include <algorithm>

#include <QAccessibleWidget>
#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QLayout>
#include <QScreen>
#include <QStyle>
#include <QWindow>

namespace yomida::qt {
namespace {

const char* const kRoleProperty = "yomidaAccessibleRole";

QAccessibleInterface* RoleFactory(const QString&, QObject* object) {
    const QVariant role = object != nullptr ? object->property(kRoleProperty) : QVariant();
    if (!role.isValid() || !object->isWidgetType()) {
        return nullptr;
    }
    return new QAccessibleWidget(static_cast<QWidget*>(object),
                                 static_cast<QAccessible::Role>(role.toInt()));
}

// Watches every window of the program being shown or hidden, since a modal dialog can come from
// anywhere: a message box of the logic, a file dialog, a dialog of the menus.
class ModalWatch final : public QObject {
public:
    explicit ModalWatch(QWidget& window) : QObject(&window), window_(window) {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if ((type == QEvent::Show || type == QEvent::Hide) && watched->isWidgetType()) {
            auto* widget = static_cast<QWidget*>(watched);
            if (widget != &window_ && widget->isWindow() && widget->isModal()) {
                Update(type == QEvent::Hide ? widget : nullptr);
            }
        }
        return false;
    }

private:
    void Update(const QWidget* closing) {
        bool modalUp = false;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            modalUp = modalUp || (w != closing && w != &window_ && w->isVisible() && w->isModal());
        }
        QWindow* handle = window_.windowHandle();
        if (handle == nullptr || !(window_.windowFlags() & Qt::WindowStaysOnTopHint)) {
            return;
        }
        // Only the platform window changes: the widget keeps its own flag to come back to.
        if (handle->flags().testFlag(Qt::WindowStaysOnTopHint) == modalUp) {
            handle->setFlag(Qt::WindowStaysOnTopHint, !modalUp);
        }
    }

    QWidget& window_;
};

}  // namespace

void SetFixedBorder(QDialog& dialog) {
    dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint |
                          Qt::MSWindowsFixedSizeDialogHint);
    if (dialog.layout() != nullptr) {
        dialog.layout()->setSizeConstraint(QLayout::SetFixedSize);
    }
}

void SetWindowRole(QWidget& window, QAccessible::Role role) {
    static const bool installed = [] {
        QAccessible::installFactory(RoleFactory);
        return true;
    }();
    (void)installed;
    window.setProperty(kRoleProperty, static_cast<int>(role));
}

void YieldTopToModalDialogs(QWidget& window) {
    new ModalWatch(window);
}

QRect PlaceOnScreen(const QWidget& window, const QRect& area, QPoint at, QSize size) {
    const QRect inside = window.geometry();
    const QRect outside = window.frameGeometry();
    QMargins frame(inside.left() - outside.left(), inside.top() - outside.top(),
                   outside.right() - inside.right(), outside.bottom() - inside.bottom());
    // The frame is unknown until the window manager has framed the window once; the title bar
    // is the biggest part of it.
    if (frame.isNull()) {
        const int border = window.style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth);
        frame = QMargins(border, window.style()->pixelMetric(QStyle::PM_TitleBarHeight) + border,
                         border, border);
    }
    size = size.boundedTo(area.marginsRemoved(frame).size());
    const int outerWidth = size.width() + frame.left() + frame.right();
    const int outerHeight = size.height() + frame.top() + frame.bottom();
    at.setX(std::clamp(at.x(), area.left(), area.right() + 1 - outerWidth));
    at.setY(std::clamp(at.y(), area.top(), area.bottom() + 1 - outerHeight));
    return QRect(at, size);
}

void FitBesideParent(QWidget& window) {
    QWidget* parent = window.parentWidget();
    QScreen* screen = parent != nullptr ? parent->screen() : window.screen();
    if (screen == nullptr) {
        return;
    }
    const QRect area = screen->availableGeometry();
    QPoint at = window.pos();
    if (!window.isVisible()) {
        at = parent != nullptr ? parent->window()->frameGeometry().topLeft() + QPoint(40, 40)
                               : area.topLeft();
    }
    const QRect placed = PlaceOnScreen(window, area, at, window.size());
    window.resize(placed.size());
    window.move(placed.topLeft());
}

}  // namespace yomida::qt

#pragma once

#include <QAccessible>

#include <QPoint>
#include <QRect>
#include <QSize>

class QDialog;
class QWidget;

namespace yomida::qt {

// Gives a dialog a fixed border with a close box only, in front of the main window: it cannot be
// resized, maximised or minimised. Call it once the dialog has its layout.
void SetFixedBorder(QDialog& dialog);

// A top-level QWidget reads to a screen reader as a plain "filler"; this gives `window` the role
// of a window or a dialog, so it is announced as one, with its title.
void SetWindowRole(QWidget& window, QAccessible::Role role);

// While any modal dialog is up, `window` gives up staying on top, so the dialog, which the user
// must answer first, is never hidden behind it. It stays on top again once the last one closes.
void YieldTopToModalDialogs(QWidget& window);

// Where the top-level `window` goes so that its whole frame lies in the screen's free `area`:
// the inside `size` shrunk to fit and the frame's top left `at` moved in. The result's position
// is the frame's, as move() takes it; its size is the inside's, as resize() takes it.
QRect PlaceOnScreen(const QWidget& window, const QRect& area, QPoint at, QSize size);

// Fits the top-level `window` into its screen's free area: one not yet shown opens just inside
// its parent's corner, one already shown stays where the user put it.
void FitBesideParent(QWidget& window);

}  // namespace yomida::qt

#pragma once

#include <QWidget>

#include "app/MainWindowLogic.h"

class QProgressBar;
class QPushButton;

namespace yomida::qt {

// The busy display of a transfer or a watch scan: the cancel button, the moving bar that stands in
// for the search animation, and the progress bar.
class BusyPanel final : public QWidget {
    Q_OBJECT

public:
    explicit BusyPanel(MainWindowLogic& form, QWidget* parent = nullptr);

    // Shows the logic's busy display.
    void Push();

private:
    MainWindowLogic& form_;
    QPushButton* btnCancel_ = nullptr;  // BtnCancel
    QProgressBar* animate1_ = nullptr;  // Animate1
    QProgressBar* pBar1_ = nullptr;     // PBar1
};

}  // namespace yomida::qt

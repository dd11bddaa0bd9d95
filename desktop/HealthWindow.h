#pragma once

#include <QWidget>

#include "engine/SourceHealth.h"

class QLabel;
class QTableWidget;

namespace yomida::qt {

// "取得状況": how each category's last fetch or import went, one row per category, beside the
// main window.
class HealthWindow final : public QWidget {
    Q_OBJECT

public:
    enum Column { kName, kLastSuccess, kLastAttempt, kOutcome, kCount, kTrend, kColumns };

    explicit HealthWindow(QWidget* parent = nullptr);
    // Shows the health file's contents and brings the window to the front.
    void ShowHealth(const SourceHealth::Contents& health);

private:
    QTableWidget* table_ = nullptr;
    QLabel* note_ = nullptr;
};

}  // namespace yomida::qt

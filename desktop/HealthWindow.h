#pragma once

#include <QWidget>

#include "engine/SourceHealth.h"

class QLabel;
class QTableWidget;
class QTableWidgetItem;

namespace yomida::qt {

// "取得状況": how each category's last fetch or import went, one row per category, beside the
// main window. Escape or its close button closes it.
class HealthWindow final : public QWidget {
    Q_OBJECT

public:
    enum Column { kName, kLastSuccess, kLastAttempt, kOutcome, kCount, kTrend, kColumns };

    explicit HealthWindow(QWidget* parent = nullptr);
    // Shows the health file's contents and brings the window to the front.
    void ShowHealth(const SourceHealth::Contents& health);

protected:
    void changeEvent(QEvent* event) override;

private:
    void Fill();
    // One cell of a category's row; the failed and the suspicious are drawn in red.
    QTableWidgetItem* Cell(const CategoryHealth* health, int column, const QString& text) const;

    SourceHealth::Contents health_;
    QTableWidget* table_ = nullptr;
    QLabel* note_ = nullptr;
    QLabel* attribution_ = nullptr;  // the sources' attribution lines, as their terms ask
};

}  // namespace yomida::qt

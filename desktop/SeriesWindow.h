#pragma once

#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "app/SeriesActions.h"

class QLabel;
class QPushButton;
class QTableWidget;

namespace yomida::qt {

// "シリーズ": the followed series, each with its last volume and date and the next volume once
// it is dated, beside the main window. 追うのをやめる stops following the current row's series;
// Escape closes the window.
class SeriesWindow final : public QWidget {
    Q_OBJECT

public:
    enum Column { kKey, kLast, kLastDate, kNext, kNextDate, kNextCategory, kTitle, kColumns };

    // `rows` reads the followed series; `unfollow` stops following a key and answers whether it
    // was followed.
    SeriesWindow(std::function<std::vector<SeriesListRow>()> rows,
                 std::function<bool(const std::string&)> unfollow, QWidget* parent = nullptr);
    // Reads the followed series again and brings the window to the front.
    void ShowSeries();

private:
    void Fill();
    void UnfollowCurrent();

    std::function<std::vector<SeriesListRow>()> rowsOf_;
    std::function<bool(const std::string&)> unfollow_;
    std::vector<SeriesListRow> rows_;
    QTableWidget* table_ = nullptr;
    QLabel* count_ = nullptr;
    QPushButton* unfollowButton_ = nullptr;  // 追うのをやめる
};

}  // namespace yomida::qt

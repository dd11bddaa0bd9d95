#pragma once

#include <QWidget>
#include <functional>
#include <vector>

#include "engine/WatchChanges.h"
#include "engine/WatchScan.h"

class QCheckBox;
class QLabel;
class QTableWidget;

namespace yomida::qt {

// "ウォッチ結果": every match of the watch words across the stored lists, beside the main
// window. Double-clicking a row, or Return on it, shows that list in the main window with the row
// current.
class WatchResultWindow final : public QWidget {
    Q_OBJECT

public:
    WatchResultWindow(std::function<void(const WatchMatch&)> open, QWidget* parent = nullptr);
    // Shows the matches, the new ones marked 新, the next volumes of followed series 次巻 and the
    // moved ones with their change, and each withdrawn title as its row in the previous version
    // of its list.
    void ShowMatches(const std::vector<WatchMatch>& matches,
                     const std::vector<WatchChange>& changes = {});

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Fill();
    // Shows the list of the table's row in the main window.
    void OpenRow(int row);
    // Cuts the window to the screen's free area and moves it wholly onto it.
    void FitToScreen();

    std::function<void(const WatchMatch&)> open_;
    std::vector<WatchResultRow> rows_;
    QTableWidget* table_ = nullptr;
    QCheckBox* newOnly_ = nullptr;
    QCheckBox* nextOnly_ = nullptr;  // 次巻のみ表示
    QLabel* count_ = nullptr;
};

}  // namespace yomida::qt

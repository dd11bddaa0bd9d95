#pragma once

#include <QWidget>
#include <array>
#include <functional>

#include "app/MainWindowLogic.h"

class QCheckBox;
class QComboBox;
class QGridLayout;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace yomida::qt {

// Runs a handler of the logic as the main window does: widgets in, handler, widgets out.
using Handler = std::function<void(const std::function<void()>&)>;

// The search panel above the grid: the three word boxes, the date range, the period field with
// its arrows, the order box and the search button.
class SearchPanel final : public QWidget {
    Q_OBJECT

public:
    // `openWordEditor` opens the word-list editor on box 1, 2 or 3 (a double click on a box).
    SearchPanel(MainWindowLogic& form, Handler handle, std::function<void(int)> openWordEditor,
                QWidget* parent = nullptr);

    // Copies what the user set into the logic's controls.
    void Pull();
    // Shows the logic's controls.
    void Push();

    // Word box 1, 2 or 3, where the F6 round through the window's areas starts.
    QComboBox* SearchBox(int box) const { return boxes_.at(static_cast<size_t>(box - 1)); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Runs the change handler of box 1, 2 or 3.
    void BoxChanged(int box);
    // The first row: the three word boxes, each behind its label.
    void BuildSearchBoxes(QGridLayout& grid);
    // The date range's switch, then the range itself with its marker boxes.
    void BuildDateFilter(QHBoxLayout& row);
    QWidget* BuildDateRange();
    // The period field and its arrows.
    void BuildPeriod(QHBoxLayout& row);
    // The order box with its label, and the search button.
    void BuildOrderAndSearch(QHBoxLayout& row);

    MainWindowLogic& form_;
    SearchFilter& filter_;
    Handler handle_;
    std::function<void(int)> openWordEditor_;
    bool pushing_ = false;

    std::array<QComboBox*, 3> boxes_{};    // CmbSrch1, CmbSrch2, CmbSrch3
    QCheckBox* cbDate_ = nullptr;          // CbDate
    QWidget* pnl1_ = nullptr;              // Pnl1
    QLabel* lblDate_ = nullptr;            // LblDate: a double click sets today
    QSpinBox* sEdtF_ = nullptr;            // SEdtF
    QSpinBox* sEdtT_ = nullptr;            // SEdtT
    std::array<QCheckBox*, 3> markers_{};  // Cb1, Cb2, Cb3
    QLineEdit* edtCalen_ = nullptr;        // EdtCalen
    QLabel* lblSort_ = nullptr;            // names the order box
    QComboBox* cmbSort_ = nullptr;         // CmbSort
    QPushButton* btnDsp_ = nullptr;        // BtnDsp
};

}  // namespace yomida::qt

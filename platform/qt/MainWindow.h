#pragma once

#include <QMainWindow>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "app/UFRMmain.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QSplitter;
class QTableView;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

namespace yomida::qt {

class GridModel;
class ConditionListDialog;
class SetupDialog;
class VersionDialog;
class WordEditor;

// The desktop face of TFRMmain. Widgets only mirror the logic's controls: every user event
// copies the widgets' state into the logic, calls the named handler and shows the result.
class MainWindow final : public QMainWindow {
    Q_OBJECT

public:
    explicit MainWindow(TFRMmain& form, QWidget* parent = nullptr);

    // Shows the logic's state in every widget.
    void Push();
    // Shows only the status bar and the busy display, as a transfer goes on.
    void PushProgress();
    // Puts the window where the settings say, maximised or not.
    void ApplyGeometry();

    QTreeWidget* Tree() const { return tree_; }
    QTableView* Grid() const { return grid_; }
    QLabel* StatusPanel(int i) const { return statusPanels_.at(static_cast<size_t>(i)); }
    QComboBox* SearchBox(int box) const { return searchBoxes_.at(static_cast<size_t>(box - 1)); }
    QPushButton* SearchButton() const { return btnDsp_; }
    QLineEdit* PeriodField() const { return edtCalen_; }
    WordEditor* Editor() const { return editor_; }
    ConditionListDialog* ConditionList() const { return conditionList_; }
    SetupDialog* Setup() const { return setupDialog_; }
    VersionDialog* Version() const { return versionDialog_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildMenusAndToolbar();
    QWidget* BuildSearchPanel();
    QWidget* BuildBusyPanel();
    void Pull();
    void Handle(const std::function<void()>& handler);
    void PushTree();
    // Box 1, 2 or 3, as its edit command or a double click opens it.
    void OpenWordEditor(int box);

    TFRMmain& form_;
    GridModel* model_ = nullptr;
    bool pushing_ = false;
    uint64_t shownRevision_ = ~uint64_t{0};
    uint64_t shownFocusRequests_ = 0;
    bool scrollRequested_ = false;

    QTreeWidget* tree_ = nullptr;
    std::vector<QTreeWidgetItem*> treeItems_;
    QTableView* grid_ = nullptr;
    QSplitter* pnlCli_ = nullptr;
    std::array<QComboBox*, 3> searchBoxes_{};
    QCheckBox* cbDate_ = nullptr;
    QWidget* pnl1_ = nullptr;
    QLabel* lblDate_ = nullptr;
    QSpinBox* sEdtF_ = nullptr;
    QSpinBox* sEdtT_ = nullptr;
    std::array<QCheckBox*, 3> markers_{};
    QComboBox* cmbSort_ = nullptr;
    QPushButton* btnDsp_ = nullptr;
    QLineEdit* edtCalen_ = nullptr;
    QWidget* busyPanel_ = nullptr;
    QProgressBar* animate1_ = nullptr;
    QPushButton* btnCancel_ = nullptr;
    QProgressBar* pBar1_ = nullptr;
    std::array<QLabel*, 3> statusPanels_{};
    std::array<QAction*, kCategoryCount + 1> categoryActions_{};
    QAction* kensaku_ = nullptr;
    QAction* checkSave_ = nullptr;
    QAction* saveCsv_ = nullptr;
    QAction* selCheck_ = nullptr;
    QAction* downLoad_ = nullptr;
    QAction* tBtnOnOff_ = nullptr;
    QAction* showBrowserOn_ = nullptr;
    std::array<QAction*, kSavedConditionCount> jouken_{};
    std::array<QAction*, kSavedConditionCount> joukenButtons_{};
    ConditionListDialog* conditionList_ = nullptr;
    SetupDialog* setupDialog_ = nullptr;
    VersionDialog* versionDialog_ = nullptr;
    WordEditor* editor_ = nullptr;
    QAction* htmlManual_ = nullptr;
    QAction* srcAmazon1_ = nullptr;
    QAction* srcAmazon2_ = nullptr;
    QAction* nOnOff_ = nullptr;
};

}  // namespace yomida::qt

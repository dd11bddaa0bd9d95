#pragma once

#include <QMainWindow>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "app/MainWindowLogic.h"

class QLabel;
class QSplitter;
class QTimer;
class QTableView;
class QTreeWidget;
class QTreeWidgetItem;

namespace yomida::qt {

class BusyPanel;
class ConditionListDialog;
class GridModel;
class HealthWindow;
class MainActions;
class SearchPanel;
class SetupDialog;
class VersionDialog;
class WatchResultWindow;
class WatchWordsDialog;
class WordEditor;
struct WindowCommands;

// The desktop face of MainWindowLogic. Widgets only mirror the logic's controls: every user
// event copies the widgets' state into the logic, calls the named handler and shows the result.
class MainWindow final : public QMainWindow {
    Q_OBJECT

public:
    explicit MainWindow(MainWindowLogic& form, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Shows the logic's state in every widget.
    void Push();
    // Shows only the status bar and the busy display, as a transfer goes on.
    void PushProgress();
    // Puts the window where the settings say, maximised or not, kept within the screen. The tree
    // is as wide as the settings file says, or else as its names need in the font in use.
    void ApplyGeometry();

    // Shows how each category's last fetch or import went.
    void OpenHealth();
    // Starts the scan of every stored list for the watch words; the result window shows when
    // it ends.
    void OpenWatchResults();
    // A file dropped on the window, as the drop event hands it on.
    void DropFile(const std::filesystem::path& file);

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // The tree and the grid side by side.
    QSplitter* BuildPanes();
    void BuildTree();
    // The tree's width that shows every category's whole name, scroll bar and frame included.
    int TreeWidthForNames() const;
    void BuildGrid();
    void BuildStatusBar();
    // F6 and Shift+F6 between the search boxes, the tree and the grid.
    void BuildAreaKeys();
    void BuildDialogs();
    // The watch words and results windows and the timer that follows a scan.
    void BuildWatch();
    // What the menus open in the window itself.
    WindowCommands Commands();
    // Lets the desktop Ui show the window's state before it turns the loop or asks.
    void HookUi();
    // `wanted` (frame position, inside size) cut to fit the screen's free area with its frame
    // and moved onto it.
    QRect OnScreen(const QRect& wanted) const;
    void Pull();
    void Handle(const std::function<void()>& handler);
    void PushTree();
    // Moves the focus to the next (or previous) of the search boxes, the tree and the grid.
    void FocusNextArea(bool forward);
    void PushGrid();
    // Box 1, 2 or 3, as its edit command or a double click opens it.
    void OpenWordEditor(int box);
    // Runs a modal dialog of the window between a pull and a push.
    void RunDialog(const std::function<void()>& run);
    // Shows the watch scan's progress, and its result once it has ended.
    void WatchScanTick();

    MainWindowLogic& form_;
    GridModel* model_ = nullptr;
    bool pushing_ = false;
    uint64_t shownRevision_ = ~uint64_t{0};
    uint64_t shownFocusRequests_ = 0;
    bool scrollRequested_ = false;

    SearchPanel* search_ = nullptr;
    BusyPanel* busy_ = nullptr;
    MainActions* actions_ = nullptr;
    QTreeWidget* tree_ = nullptr;  // TView
    std::vector<QTreeWidgetItem*> treeItems_;
    QTableView* grid_ = nullptr;             // ComboGrid1
    QSplitter* pnlCli_ = nullptr;            // PnlCli: tree and grid
    std::array<QLabel*, 3> statusPanels_{};  // StBar
    ConditionListDialog* conditionList_ = nullptr;
    SetupDialog* setupDialog_ = nullptr;
    VersionDialog* versionDialog_ = nullptr;
    HealthWindow* health_ = nullptr;  // 取得状況
    WordEditor* editor_ = nullptr;
    WatchWordsDialog* watchWords_ = nullptr;
    WatchResultWindow* watchResults_ = nullptr;
    QTimer* watchTimer_ = nullptr;
};

}  // namespace yomida::qt

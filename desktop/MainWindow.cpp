#include "desktop/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "desktop/BusyPanel.h"
#include "desktop/ConditionListDialog.h"
#include "desktop/DialogFrame.h"
#include "desktop/GridModel.h"
#include "desktop/HealthWindow.h"
#include "desktop/Icons.h"
#include "desktop/MainActions.h"
#include "desktop/QtText.h"
#include "desktop/QtUi.h"
#include "desktop/SearchPanel.h"
#include "desktop/SeriesMenu.h"
#include "desktop/SetupDialog.h"
#include "desktop/VersionDialog.h"
#include "desktop/WatchResultWindow.h"
#include "desktop/WatchWordsDialog.h"
#include "desktop/WordEditor.h"
#include "engine/Schedule.h"
#include "settings/IniFile.h"
#include "text/Messages.h"

namespace yomida::qt {
namespace {

const char* const kStatusPanelNames[3] = {"状態", "件数", "接続"};

// Whether the user's settings file gives the tree's width: only then does it win over the width
// the names need. A file that cannot be read gives nothing here; reading it at start said why.
bool SettingsFileHasTreeWidth(const std::filesystem::path& settingsFile) {
    try {
        return IniFile(settingsFile).Read("WINDOW", "T_WIDTH").has_value();
    } catch (const std::exception&) {
        return false;
    }
}

// Often enough for the count to move smoothly, seldom enough to cost the scan nothing.
constexpr int kWatchPollMs = 50;

// The category tree, which tells how wide its names are.
class CategoryTreeWidget final : public QTreeWidget {
public:
    int NamesWidth() const { return sizeHintForColumn(0); }
};

// Tab in a cell being edited keeps the text and then leaves the grid, as Tab does outside an
// edit, instead of opening the next cell: the grid is no trap while a cell is edited either.
class GridDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
                auto* editor = static_cast<QWidget*>(object);
                auto* view = qobject_cast<QWidget*>(parent());
                emit commitData(editor);
                emit closeEditor(editor, NoHint);
                if (view != nullptr) {
                    QKeyEvent again(QEvent::KeyPress, key->key(), key->modifiers());
                    QCoreApplication::sendEvent(view, &again);
                }
                return true;
            }
        }
        return QStyledItemDelegate::eventFilter(object, event);
    }
};

}  // namespace

MainWindow::MainWindow(MainWindowLogic& form, QWidget* parent) : QMainWindow(parent), form_(form) {
    setWindowTitle(QStringLiteral("YOMIDA"));
    const Handler handle = [this](const std::function<void()>& handler) { Handle(handler); };

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(4, 4, 4, 0);
    search_ = new SearchPanel(form_, handle, [this](int box) { OpenWordEditor(box); });
    layout->addWidget(search_);
    busy_ = new BusyPanel(form_);
    layout->addWidget(busy_);
    layout->addWidget(BuildPanes(), 1);
    // While the busy display stands in for the tree and the grid, the space they leave stays
    // empty below it instead of stretching the search boxes apart.
    search_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    busy_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    layout->addStretch();
    setCentralWidget(central);
    BuildStatusBar();
    BuildAreaKeys();

    BuildDialogs();
    BuildWatch();
    health_ = new HealthWindow(this);
    setAcceptDrops(true);
    actions_ = new MainActions(form_, *this, handle, Commands());
    // ファイル, 編集, 検索, 表示, ヘルプ: the series commands join 編集 and 表示.
    const QList<QAction*> menus = menuBar()->actions();
    AddSeriesActions(form_, *this, handle, menus.at(1)->menu(), menus.at(3)->menu());
    HookUi();
}

QSplitter* MainWindow::BuildPanes() {
    BuildTree();
    BuildGrid();
    pnlCli_ = new QSplitter(Qt::Horizontal);
    pnlCli_->setObjectName(QStringLiteral("PnlCli"));
    pnlCli_->setAccessibleName(QString::fromUtf8("一覧"));
    pnlCli_->addWidget(tree_);
    pnlCli_->addWidget(grid_);
    pnlCli_->setStretchFactor(1, 1);
    pnlCli_->setChildrenCollapsible(true);
    connect(pnlCli_, &QSplitter::splitterMoved, this, [this] {
        if (!pushing_) {
            form_.SetTreeWidth(pnlCli_->sizes().value(0));
        }
    });
    return pnlCli_;
}

void MainWindow::BuildAreaKeys() {
    // F6 steps through the three areas as in other desktop programs, so a keyboard user
    // reaches the search boxes from the grid without tabbing through every control.
    auto* nextArea = new QShortcut(QKeySequence(Qt::Key_F6), this);
    connect(nextArea, &QShortcut::activated, this, [this] { FocusNextArea(true); });
    auto* previousArea = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F6), this);
    connect(previousArea, &QShortcut::activated, this, [this] { FocusNextArea(false); });
}

void MainWindow::BuildDialogs() {
    conditionList_ = new ConditionListDialog(form_.slist, form_.ui(), this);
    setupDialog_ = new SetupDialog(form_.setup, form_.ui(), this);
    setupDialog_->SetScheduleCheck([] {
        ScheduleStatus status;
        return UpdateSchedule(RunProgram, UpdateSchedule::UserUnitFolder()).Read(status);
    });
    versionDialog_ = new VersionDialog(form_.ver, this);
    editor_ = new WordEditor(
        form_.edit, [this] { Push(); }, this);
}

void MainWindow::BuildWatch() {
    watchWords_ = new WatchWordsDialog(form_.watchWords, this);
    watchResults_ = new WatchResultWindow(
        [this](const WatchMatch& match) {
            Handle([this, &match] { form_.WatchOpenMatch(match); });
            raise();
            activateWindow();
        },
        this);
    // The scan runs on worker threads; the window looks at it between its own events.
    watchTimer_ = new QTimer(this);
    watchTimer_->setInterval(kWatchPollMs);
    connect(watchTimer_, &QTimer::timeout, this, [this] { WatchScanTick(); });
}

WindowCommands MainWindow::Commands() {
    WindowCommands commands;
    commands.setup = [this] { RunDialog([this] { setupDialog_->Run(); }); };
    commands.conditionList = [this] { RunDialog([this] { conditionList_->Run(); }); };
    commands.wordEditor = [this](int box) { OpenWordEditor(box); };
    commands.close = [this] { close(); };
    commands.watchWords = [this] { RunDialog([this] { watchWords_->Run(); }); };
    commands.watchResults = [this] { OpenWatchResults(); };
    commands.health = [this] { OpenHealth(); };
    commands.version = [this] { RunDialog([this] { versionDialog_->Run(); }); };
    return commands;
}

void MainWindow::HookUi() {
    // The logic turns the message loop and opens boxes in the middle of a handler; the desktop
    // Ui shows the logic's state first, so the busy display and the choice behind a question are
    // what the user sees.
    if (auto* desktopUi = dynamic_cast<QtUi*>(&form_.ui())) {
        desktopUi->SetParent(this);
        desktopUi->SetBeforeEvents([this] { PushProgress(); });
        desktopUi->SetBeforeModal([this] { Push(); });
    }
}

MainWindow::~MainWindow() {
    if (auto* desktopUi = dynamic_cast<QtUi*>(&form_.ui())) {
        desktopUi->SetParent(nullptr);
        desktopUi->SetBeforeEvents({});
        desktopUi->SetBeforeModal({});
    }
}

void MainWindow::BuildTree() {
    tree_ = new CategoryTreeWidget;
    tree_->setObjectName(QStringLiteral("TView"));
    tree_->setHeaderHidden(true);
    tree_->setRootIsDecorated(false);
    tree_->setItemsExpandable(false);
    tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree_->setAccessibleName(QString::fromUtf8("検索対象"));
    // A narrow tree scrolls sideways instead of cutting the names short.
    tree_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    tree_->header()->setStretchLastSection(false);
    tree_->setTextElideMode(Qt::ElideNone);
    // The selected leaf stays marked while the grid has the focus.
    QPalette palette = tree_->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight,
                     palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Active, QPalette::HighlightedText));
    tree_->setPalette(palette);
    QTreeWidgetItem* group = nullptr;
    for (size_t i = 0; i < form_.TView.nodes.size(); ++i) {
        auto* item = new QTreeWidgetItem;
        item->setData(0, Qt::UserRole, static_cast<int>(i));
        if (form_.TView.nodes[i].category == 0) {
            tree_->addTopLevelItem(item);
            group = item;
        } else if (group != nullptr) {
            group->addChild(item);
        }
        treeItems_.push_back(item);
    }
    tree_->expandAll();
    connect(tree_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (pushing_ || item == nullptr) {
            return;
        }
        const int node = item->data(0, Qt::UserRole).toInt();
        // A leaf reached with the arrow keys keeps the focus, so the next key steps on; the
        // display would otherwise hand it to the grid, as it does for a click.
        const bool stepping = tree_->hasFocus() && QGuiApplication::mouseButtons() == Qt::NoButton;
        Handle([this, node] {
            form_.TView.selected = node;
            form_.TViewChange(node);
        });
        if (stepping) {
            tree_->setFocus();
        }
    });
}

int MainWindow::TreeWidthForNames() const {
    // The layout places the tree once, so its height tells whether a vertical scroll bar shows.
    if (QLayout* l = layout()) {
        l->activate();
    }
    // A little room after the longest name, so it does not touch the splitter.
    const int frame = 2 * tree_->frameWidth() + tree_->fontMetrics().averageCharWidth();
    const int rowsHeight = static_cast<int>(treeItems_.size()) * tree_->sizeHintForRow(0);
    int width = static_cast<const CategoryTreeWidget*>(tree_)->NamesWidth() + frame;
    if (rowsHeight + frame > pnlCli_->height()) {
        width += tree_->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, tree_);
    }
    return width;
}

void MainWindow::BuildGrid() {
    model_ = new GridModel(form_.List, this);
    grid_ = new QTableView;
    grid_->setObjectName(QStringLiteral("ComboGrid1"));
    grid_->setModel(model_);
    grid_->setItemDelegate(new GridDelegate(grid_));
    grid_->setAccessibleName(QString::fromUtf8("検索結果"));
    // Tab leaves the grid; the arrow keys move between its cells.
    grid_->setTabKeyNavigation(false);
    // The record-number column is the grid's fixed column, 0 pixels wide: the cursor never
    // stays in it, wherever Home or a click would put it.
    connect(grid_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid() && current.column() < ComboGrid::kFixedCols) {
                    grid_->setCurrentIndex(model_->index(current.row(), ComboGrid::kFixedCols));
                }
            });
    grid_->verticalHeader()->hide();
    grid_->setWordWrap(false);
    // The grid draws no selection: a ticked row stays green under the cursor.
    grid_->setSelectionMode(QAbstractItemView::NoSelection);
    grid_->installEventFilter(this);
    grid_->viewport()->installEventFilter(this);
    connect(grid_, &QTableView::clicked, this,
            [this] { Handle([this] { form_.List.ComboGrid1Click(); }); });
    grid_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                           QAbstractItemView::AnyKeyPressed);
    grid_->horizontalHeader()->setMinimumSectionSize(0);
    grid_->horizontalHeader()->setHighlightSections(false);
    grid_->verticalHeader()->setMinimumSectionSize(1);
    connect(grid_->horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int column, int, int width) {
                ComboGrid& g = form_.List.ComboGrid1;
                if (pushing_ || column >= g.ColCount()) {
                    return;
                }
                g.SetColWidth(column, width);
            });
}

void MainWindow::BuildStatusBar() {
    for (size_t i = 0; i < statusPanels_.size(); ++i) {
        statusPanels_[i] = new QLabel;
        statusPanels_[i]->setObjectName(QStringLiteral("StBarPanel%1").arg(i));
        statusPanels_[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    }
    statusBar()->setAccessibleName(QString::fromUtf8("ステータスバー"));
    statusBar()->addWidget(statusPanels_[0], 1);
    // "ウォッチ: 新着 n件" opens the watch result window when clicked.
    statusPanels_[0]->installEventFilter(this);
    for (size_t i = 1; i < statusPanels_.size(); ++i) {
        statusPanels_[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        statusBar()->addPermanentWidget(statusPanels_[i]);
    }
}

void MainWindow::FocusNextArea(bool forward) {
    QWidget* const areas[] = {search_, tree_, grid_};
    const int count = static_cast<int>(std::size(areas));
    // Outside the three areas, forward starts at the first and backward at the last.
    int at = forward ? -1 : count;
    QWidget* focus = QApplication::focusWidget();
    for (int i = 0; i < count; ++i) {
        if (focus != nullptr && (areas[i] == focus || areas[i]->isAncestorOf(focus))) {
            at = i;
        }
    }
    // The tree and the grid are skipped while the busy display stands in for them.
    for (int step = 1; step <= count; ++step) {
        const int next = ((forward ? at + step : at - step) % count + count) % count;
        QWidget* area = next == 0 ? search_->SearchBox(1) : areas[next];
        if (area->isVisible() && area->isEnabled()) {
            area->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return;
        }
    }
}

void MainWindow::Handle(const std::function<void()>& handler) {
    // A transfer turns the message loop inside a handler; nothing may start under it.
    if (form_.Displaying()) {
        return;
    }
    Pull();
    form_.Guarded(handler);
    Push();
}

void MainWindow::RunDialog(const std::function<void()>& run) {
    if (form_.Displaying()) {
        return;
    }
    Pull();
    run();
    Push();
}

void MainWindow::Pull() {
    search_->Pull();
    ComboGrid& g = form_.List.ComboGrid1;
    const QModelIndex current = grid_->currentIndex();
    if (current.isValid()) {
        g.SetCurrentCell(current.column(), current.row() + ComboGrid::kFixedRows);
    }
    const int top = grid_->rowAt(0);
    g.SetTopRow(top < 0 ? ComboGrid::kFirstRecordRow : top + ComboGrid::kFixedRows);
    WindowGeometry geometry = form_.CurrentSettings().window;
    geometry.maximized = isMaximized();
    if (!isMaximized()) {
        geometry.left = pos().x();
        geometry.top = pos().y();
        geometry.width = width();
        geometry.height = height();
    }
    form_.SetWindowGeometry(geometry);
    if (tree_->isVisible()) {
        form_.SetTreeWidth(pnlCli_->sizes().value(0));
    }
}

void MainWindow::Push() {
    pushing_ = true;
    const QFont font(FromSjis(form_.CurrentSettings().fontName), form_.CurrentSettings().fontSize);
    grid_->setFont(font);
    tree_->setFont(font);
    PushTree();
    search_->Push();
    actions_->Push();
    PushProgress();
    PushGrid();
    pushing_ = false;
}

void MainWindow::PushTree() {
    tree_->setEnabled(form_.TView.enabled);
    for (size_t i = 0; i < treeItems_.size(); ++i) {
        const TreeNode& node = form_.TView.nodes[i];
        QTreeWidgetItem* item = treeItems_[i];
        item->setText(0, FromSjis(node.caption));
        const bool selected = static_cast<int>(i) == form_.TView.selected;
        const TreeImage image = selected ? node.selectedImage : node.image;
        item->setIcon(0, node.failed ? FailedTreeIcon(image) : TreeIcon(image));
        // The mark is drawn on the icon; the tip and a screen reader say it in words.
        const QString failed = QString::fromStdString(MsgUtf8(Msg::LastFetchFailed));
        item->setToolTip(0, node.failed ? item->text(0) + failed : item->text(0));
        item->setData(0, Qt::AccessibleTextRole,
                      node.failed ? item->text(0) + failed : item->text(0));
    }
    if (form_.TView.selected >= 0 && form_.TView.selected < static_cast<int>(treeItems_.size())) {
        tree_->setCurrentItem(treeItems_[static_cast<size_t>(form_.TView.selected)]);
    }
}

void MainWindow::PushGrid() {
    const ComboGrid& g = form_.List.ComboGrid1;
    QHeaderView* header = grid_->horizontalHeader();
    // New sections start at the grid's default width, so that a line of a million columns
    // leaves nearly every section as it is.
    if (header->defaultSectionSize() != g.DefaultColWidth()) {
        header->setDefaultSectionSize(g.DefaultColWidth());
    }
    if (g.Revision() != shownRevision_) {
        shownRevision_ = g.Revision();
        model_->Refresh();
    }
    // Each resize makes the view lay out again: only sections whose width changed are touched.
    for (int c = 0; c < g.ColCount(); ++c) {
        if (header->sectionSize(c) != g.ColWidth(c)) {
            header->resizeSection(c, g.ColWidth(c));
        }
    }
    grid_->verticalHeader()->setDefaultSectionSize(form_.CurrentSettings().gridRowHeight);
    if (g.Row() >= ComboGrid::kFixedRows && g.Row() < g.RowCount()) {
        grid_->setCurrentIndex(model_->index(g.Row() - ComboGrid::kFixedRows, g.Col()));
    }
    if (g.FocusRequests() != shownFocusRequests_ || scrollRequested_) {
        if (g.FocusRequests() != shownFocusRequests_) {
            grid_->setFocus();
        }
        shownFocusRequests_ = g.FocusRequests();
        scrollRequested_ = false;
        if (g.TopRow() >= ComboGrid::kFixedRows && g.TopRow() < g.RowCount()) {
            grid_->scrollTo(model_->index(g.TopRow() - ComboGrid::kFixedRows, g.Col()),
                            QAbstractItemView::PositionAtTop);
        }
    }
}

void MainWindow::PushProgress() {
    for (size_t i = 0; i < statusPanels_.size(); ++i) {
        statusPanels_[i]->setText(FromSjis(form_.StBar.panels[i].text));
        // A screen reader hears which panel it is as well as what it says.
        statusPanels_[i]->setAccessibleName(QString::fromUtf8(kStatusPanelNames[i]) +
                                            QString::fromUtf8("：") + statusPanels_[i]->text());
        if (i > 0) {
            statusPanels_[i]->setFixedWidth(form_.StBar.panels[i].width);
        }
    }
    busy_->Push();
    pnlCli_->setVisible(form_.PnlCli.visible);
    // Only while the busy display shows; a box in the middle of a display is modal anyway.
    const bool idle = !form_.Busy.cancelVisible && !form_.Busy.progressVisible;
    search_->setEnabled(idle);
    actions_->SetEnabled(idle);
    actions_->PushDownloadToggle();
}

void MainWindow::OpenWordEditor(int box) {
    if (form_.Displaying()) {
        return;
    }
    Handle([this, box] { form_.OpenWordEditor(box); });
    editor_->ShowLines();
}

QRect MainWindow::OnScreen(const QRect& wanted) const {
    QScreen* screen = QGuiApplication::screenAt(wanted.topLeft());
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    if (screen == nullptr) {
        return wanted;
    }
    return PlaceOnScreen(*this, screen->availableGeometry(), wanted.topLeft(), wanted.size());
}

void MainWindow::ApplyGeometry() {
    const WindowGeometry& g = form_.CurrentSettings().window;
    const QRect placed = OnScreen(QRect(g.left, g.top, g.width, g.height));
    move(placed.topLeft());
    resize(placed.size());
    int treeWidth = form_.CurrentSettings().treeWidth;
    if (!SettingsFileHasTreeWidth(form_.CurrentSettings().settingsFile)) {
        treeWidth = TreeWidthForNames();
        form_.SetTreeWidth(treeWidth);
    }
    pnlCli_->setSizes({treeWidth, std::max(1, g.width - treeWidth)});
    if (g.maximized) {
        setWindowState(windowState() | Qt::WindowMaximized);
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Closing in the middle of a download or a watch scan first ends it; the window stays until
    // then.
    if (form_.Displaying()) {
        form_.BtnCancelClick();
        event->ignore();
        return;
    }
    Pull();
    const bool closing = form_.FormClose();
    Push();
    if (closing) {
        event->accept();
    } else {
        event->ignore();
    }
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    form_.StBarResize(statusBar()->width());
}

void MainWindow::OpenWatchResults() {
    // A scan or a display is already running: the window stays as it is until it ends.
    if (form_.Displaying()) {
        return;
    }
    Handle([this] { form_.Watch.WatchScanExecute(); });
    if (form_.Watch.WatchScanning()) {
        watchTimer_->start();
    } else {
        watchResults_->ShowMatches(form_.Watch.Service().Matches(),
                                   form_.Watch.Service().Changes());
    }
}

void MainWindow::WatchScanTick() {
    auto state = WatchDisplay::State::Idle;
    form_.Guarded([this, &state] { state = form_.Watch.WatchScanStep(); });
    if (form_.Watch.WatchScanning()) {
        PushProgress();
        return;
    }
    watchTimer_->stop();
    Push();
    // A failure has had its box; a cancelled scan has nothing new to show.
    if (state == WatchDisplay::State::Ended) {
        watchResults_->ShowMatches(form_.Watch.Service().Matches(),
                                   form_.Watch.Service().Changes());
    }
}

void MainWindow::OpenHealth() {
    health_->ShowHealth(SourceHealth(form_.CurrentSettings().dataFolder).Read());
}

void MainWindow::DropFile(const std::filesystem::path& file) {
    Handle([this, &file] { form_.DropImport(file); });
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() == 1 && urls[0].isLocalFile() &&
        MainWindowLogic::CanDrop(urls[0].toLocalFile().toStdString())) {
        event->acceptProposedAction();
    }
}

void MainWindow::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() != 1 || !urls[0].isLocalFile()) {
        return;
    }
    event->acceptProposedAction();
    DropFile(std::filesystem::path(urls[0].toLocalFile().toStdString()));
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == statusPanels_[0] && event->type() == QEvent::MouseButtonRelease) {
        if (form_.Watch.Service().NewCount() > 0) {
            OpenWatchResults();
            return true;
        }
        return false;
    }
    if (grid_ == nullptr) {
        return QMainWindow::eventFilter(watched, event);
    }
    if (watched == grid_ && event->type() == QEvent::KeyPress) {
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Left) {
            Pull();
            return form_.List.ComboGrid1KeyDown(GridKey::Left);
        }
    }
    if (watched == grid_->viewport() && event->type() == QEvent::Wheel) {
        const int notches = static_cast<QWheelEvent*>(event)->angleDelta().y() / 120;
        if (notches == 0) {
            return false;
        }
        const int lines = QApplication::wheelScrollLines();
        Handle([this, notches, lines] {
            for (int i = 0; i < std::abs(notches); ++i) {
                if (notches < 0) {
                    form_.List.ComboGrid1MouseWheelDown(lines);
                } else {
                    form_.List.ComboGrid1MouseWheelUp(lines);
                }
            }
        });
        scrollRequested_ = true;
        Push();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace yomida::qt

#include "platform/qt/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "platform/qt/ConditionListDialog.h"
#include "platform/qt/GridModel.h"
#include "platform/qt/Icons.h"
#include "platform/qt/QtText.h"
#include "platform/qt/SetupDialog.h"
#include "platform/qt/VersionDialog.h"
#include "platform/qt/WordEditor.h"

namespace yomida::qt {
namespace {

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// The search menu's groups of categories.
struct MenuGroup {
    const char* caption;
    std::vector<int> categories;
};
const MenuGroup kMenuGroups[] = {{"コミック", {1, 5, 8, 15}},
                                 {"耽美系", {4}},
                                 {"文庫", {3, 9}},
                                 {"書籍", {6, 7, 12, 13, 14, 2}},
                                 {"ＡＶ", {10, 11}}};

}  // namespace

MainWindow::MainWindow(TFRMmain& form, QWidget* parent) : QMainWindow(parent), form_(form) {
    setWindowTitle(QStringLiteral("YOMIDA"));

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(4, 4, 4, 0);
    layout->addWidget(BuildSearchPanel());
    layout->addWidget(BuildBusyPanel());

    tree_ = new QTreeWidget;
    tree_->setHeaderHidden(true);
    tree_->setRootIsDecorated(false);
    tree_->setItemsExpandable(false);
    tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
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
        Handle([this, node] {
            form_.TView.selected = node;
            form_.TViewChange(node);
        });
    });

    model_ = new GridModel(form_, this);
    grid_ = new QTableView;
    grid_->setModel(model_);
    grid_->verticalHeader()->hide();
    grid_->setWordWrap(false);
    // The grid draws no selection: a ticked row stays green under the cursor.
    grid_->setSelectionMode(QAbstractItemView::NoSelection);
    grid_->installEventFilter(this);
    grid_->viewport()->installEventFilter(this);
    connect(grid_, &QTableView::clicked, this,
            [this] { Handle([this] { form_.ComboGrid1Click(); }); });
    grid_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                           QAbstractItemView::AnyKeyPressed);
    grid_->horizontalHeader()->setMinimumSectionSize(0);
    grid_->horizontalHeader()->setHighlightSections(false);
    grid_->verticalHeader()->setMinimumSectionSize(1);
    connect(grid_->horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int column, int, int width) {
                if (pushing_ || column >= form_.ComboGrid1.ColCount()) {
                    return;
                }
                form_.ComboGrid1.SetColWidth(column, width);
            });

    pnlCli_ = new QSplitter(Qt::Horizontal);
    pnlCli_->addWidget(tree_);
    pnlCli_->addWidget(grid_);
    pnlCli_->setStretchFactor(1, 1);
    pnlCli_->setChildrenCollapsible(true);
    connect(pnlCli_, &QSplitter::splitterMoved, this, [this] {
        if (!pushing_) {
            form_.TView.width = pnlCli_->sizes().value(0);
        }
    });
    layout->addWidget(pnlCli_, 1);
    setCentralWidget(central);

    for (size_t i = 0; i < statusPanels_.size(); ++i) {
        statusPanels_[i] = new QLabel;
        statusPanels_[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    }
    statusBar()->addWidget(statusPanels_[0], 1);
    for (size_t i = 1; i < statusPanels_.size(); ++i) {
        statusPanels_[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        statusBar()->addPermanentWidget(statusPanels_[i]);
    }

    conditionList_ = new ConditionListDialog(form_, this);
    setupDialog_ = new SetupDialog(form_, this);
    versionDialog_ = new VersionDialog(form_, this);
    editor_ = new WordEditor(
        form_, [this] { Push(); }, this);
    BuildMenusAndToolbar();
}

QWidget* MainWindow::BuildSearchPanel() {
    auto* panel = new QWidget;
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(0, 0, 0, 0);

    const char* labels[3] = {"出版社", "タイトル", "作者名"};
    for (int b = 0; b < 3; ++b) {
        auto* box = new QComboBox;
        box->setEditable(true);
        box->setMaxVisibleItems(10);
        box->setInsertPolicy(QComboBox::NoInsert);
        box->setMinimumContentsLength(6);
        box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        searchBoxes_[static_cast<size_t>(b)] = box;
        box->lineEdit()->installEventFilter(this);
        grid->addWidget(new QLabel(U(labels[b])), 0, b * 2);
        grid->addWidget(box, 0, b * 2 + 1);
        // Typing only refreshes the box's hint: a full refresh would move the text cursor.
        connect(box, &QComboBox::editTextChanged, this, [this, b, box](const QString& text) {
            if (pushing_) {
                return;
            }
            form_.SearchBox(b + 1).text = ToSjis(text);
            if (b == 0) {
                form_.CmbSrch1Change();
            } else if (b == 1) {
                form_.CmbSrch2Change();
            } else {
                form_.CmbSrch3Change();
            }
            box->setToolTip(FromSjis(form_.SearchBox(b + 1).hint));
        });
    }

    cbDate_ = new QCheckBox;
    connect(cbDate_, &QCheckBox::clicked, this,
            [this] { Handle([this] { form_.CbDateClick(); }); });
    pnl1_ = new QWidget;
    auto* dates = new QHBoxLayout(pnl1_);
    dates->setContentsMargins(0, 0, 0, 0);
    lblDate_ = new QLabel(U("日付"));
    lblDate_->installEventFilter(this);
    sEdtF_ = new QSpinBox;
    sEdtT_ = new QSpinBox;
    dates->addWidget(lblDate_);
    dates->addWidget(sEdtF_);
    dates->addWidget(new QLabel(U("～")));
    dates->addWidget(sEdtT_);
    for (auto& marker : markers_) {
        marker = new QCheckBox;
        dates->addWidget(marker);
    }
    dates->addStretch();
    // Second row: the date filter on the left, period, order and search on the right.
    auto* right = new QHBoxLayout;
    right->addWidget(cbDate_);
    right->addWidget(pnl1_);
    right->addStretch(1);
    edtCalen_ = new QLineEdit;
    edtCalen_->setReadOnly(true);
    edtCalen_->setMinimumWidth(edtCalen_->fontMetrics().horizontalAdvance(U("00/00-00/00")) + 16);
    edtCalen_->setMaximumWidth(edtCalen_->minimumWidth() + 20);
    auto* up = new QToolButton;
    up->setArrowType(Qt::UpArrow);
    auto* down = new QToolButton;
    down->setArrowType(Qt::DownArrow);
    connect(up, &QToolButton::clicked, this,
            [this] { Handle([this] { form_.UpDown1Click(true); }); });
    connect(down, &QToolButton::clicked, this,
            [this] { Handle([this] { form_.UpDown1Click(false); }); });
    cmbSort_ = new QComboBox;
    cmbSort_->setObjectName(QStringLiteral("CmbSort"));
    connect(cmbSort_, &QComboBox::activated, this,
            [this] { Handle([this] { form_.CmbSortChange(); }); });
    btnDsp_ = new QPushButton(U("検　索"));
    btnDsp_->setToolTip(QStringLiteral("Ctrl + F"));
    connect(btnDsp_, &QPushButton::clicked, this,
            [this] { Handle([this] { form_.BtnDspClick(); }); });
    right->addWidget(edtCalen_);
    auto* upDown = new QVBoxLayout;
    upDown->setSpacing(0);
    for (QToolButton* arrow : {up, down}) {
        arrow->setFixedSize(18, 11);
        upDown->addWidget(arrow);
    }
    right->addLayout(upDown);
    right->addWidget(cmbSort_);
    right->addWidget(btnDsp_);
    grid->addLayout(right, 1, 0, 1, 6);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    grid->setColumnStretch(5, 1);
    return panel;
}

QWidget* MainWindow::BuildBusyPanel() {
    busyPanel_ = new QWidget;
    auto* row = new QHBoxLayout(busyPanel_);
    row->setContentsMargins(0, 0, 0, 0);
    btnCancel_ = new QPushButton(U("キャンセル"));
    connect(btnCancel_, &QPushButton::clicked, this, [this] { form_.BtnCancelClick(); });
    animate1_ = new QProgressBar;
    animate1_->setRange(0, 0);  // a moving bar stands in for the search animation
    animate1_->setMaximumWidth(TFRMmain::kAnimationWidth);
    animate1_->setTextVisible(false);
    pBar1_ = new QProgressBar;
    row->addStretch();
    row->addWidget(btnCancel_);
    row->addWidget(animate1_);
    row->addStretch();
    row->addWidget(pBar1_);
    busyPanel_->hide();
    return busyPanel_;
}

void MainWindow::BuildMenusAndToolbar() {
    QMenu* file = menuBar()->addMenu(U("ファイル(&F)"));
    QAction* setup = file->addAction(ToolIcon(Glyph::Setup), U("環境設定(&E)"));
    setup->setToolTip(U("環境設定"));
    connect(setup, &QAction::triggered, this, [this] {
        Pull();
        setupDialog_->Run();
        Push();
    });
    file->addSeparator();
    checkSave_ = file->addAction(QString());
    connect(checkSave_, &QAction::triggered, this,
            [this] { Handle([this] { form_.CheckSaveExecute(); }); });
    saveCsv_ = file->addAction(ToolIcon(Glyph::SaveCsv), QString());
    saveCsv_->setShortcut(QKeySequence(QStringLiteral("Ctrl+S")));
    connect(saveCsv_, &QAction::triggered, this,
            [this] { Handle([this] { form_.SaveCSVExecute(); }); });
    file->addSeparator();
    downLoad_ = file->addAction(ToolIcon(Glyph::Download), QString());
    downLoad_->setCheckable(true);
    connect(downLoad_, &QAction::triggered, this,
            [this] { Handle([this] { form_.DownLoadExecute(); }); });
    auto switchOnline = [this] {
        Handle([this] {
            if (form_.TBtnOnOff.action == &form_.ONLINE) {
                form_.ONLINEExecute();
            } else {
                form_.OFFLINEExecute();
            }
        });
    };
    nOnOff_ = file->addAction(QString());
    connect(nOnOff_, &QAction::triggered, this, switchOnline);
    file->addSeparator();
    QAction* end = file->addAction(U("終了(&X)"));
    connect(end, &QAction::triggered, this, &QWidget::close);

    QMenu* edit = menuBar()->addMenu(U("編集(&E)"));
    const std::pair<const char*, int> editors[] = {
        {"出版社条件編集", 1}, {"タイトル条件編集", 2}, {"作者名条件編集", 3}};
    for (const auto& [caption, box] : editors) {
        QAction* a = edit->addAction(U(caption));
        connect(a, &QAction::triggered, this, [this, box = box] { OpenWordEditor(box); });
    }
    edit->addSeparator();
    QAction* copyTitle = edit->addAction(U("タイトル条件にチェックデータを追加"));
    connect(copyTitle, &QAction::triggered, this,
            [this] { Handle([this] { form_.CopyTITLEExecute(); }); });
    QAction* copyAuthor = edit->addAction(U("作者名条件にチェックデータを追加"));
    connect(copyAuthor, &QAction::triggered, this,
            [this] { Handle([this] { form_.CopySAKUSYAExecute(); }); });

    QMenu* search = menuBar()->addMenu(U("検索(&S)"));
    kensaku_ = search->addAction(ToolIcon(Glyph::Search), U("検索"));
    kensaku_->setShortcut(QKeySequence(QStringLiteral("Ctrl+F")));
    connect(kensaku_, &QAction::triggered, this,
            [this] { Handle([this] { form_.BtnDspClick(); }); });
    QMenu* conditions = search->addMenu(U("検索条件"));
    QAction* clear = conditions->addAction(ToolIcon(Glyph::Clear), U("条件消去"));
    clear->setShortcut(QKeySequence(QStringLiteral("Ctrl+Del")));
    clear->setToolTip(U("条件消去"));
    connect(clear, &QAction::triggered, this,
            [this] { Handle([this] { form_.JoukenDelExecute(); }); });
    for (size_t n = 0; n < kSavedConditionCount; ++n) {
        const int slot = static_cast<int>(n) + 1;
        jouken_[n] = conditions->addAction(QString());
        jouken_[n]->setShortcut(QKeySequence(QStringLiteral("Ctrl+%1").arg(slot % 10)));
        connect(jouken_[n], &QAction::triggered, this,
                [this, slot] { Handle([this, slot] { form_.JoukenExecute(slot); }); });
        joukenButtons_[n] = new QAction(NumberIcon(slot), QString(), this);
        connect(joukenButtons_[n], &QAction::triggered, this,
                [this, slot] { Handle([this, slot] { form_.JoukenExecute(slot); }); });
    }
    QAction* editConditions = search->addAction(U("検索条件編集(&E)"));
    connect(editConditions, &QAction::triggered, this, [this] {
        Pull();
        conditionList_->Run();
        Push();
    });
    QMenu* targets = search->addMenu(U("検索対象"));
    for (const MenuGroup& g : kMenuGroups) {
        QMenu* sub = targets->addMenu(U(g.caption));
        for (int c : g.categories) {
            QAction* a = sub->addAction(QString());
            a->setCheckable(true);
            connect(a, &QAction::triggered, this,
                    [this, c] { Handle([this, c] { form_.SelCategoryExecute(c); }); });
            categoryActions_[static_cast<size_t>(c)] = a;
        }
    }

    QMenu* shop = search->addMenu(U("Amazonで検索"));
    srcAmazon1_ = shop->addAction(ToolIcon(Glyph::Shop), U("選択したセルの内容を検索"));
    connect(srcAmazon1_, &QAction::triggered, this,
            [this] { Handle([this] { form_.SrcAmazon1Execute(); }); });
    srcAmazon2_ = shop->addAction(ToolIcon(Glyph::Shop), U("クリップボードの内容を検索"));
    connect(srcAmazon2_, &QAction::triggered, this,
            [this] { Handle([this] { form_.SrcAmazon2Execute(); }); });

    QMenu* view = menuBar()->addMenu(U("表示(&V)"));
    showBrowserOn_ = view->addAction(ToolIcon(Glyph::Browser), QString());
    connect(showBrowserOn_, &QAction::triggered, this,
            [this] { Handle([this] { form_.ShowBrowserOnExecute(); }); });
    selCheck_ = view->addAction(ToolIcon(Glyph::CheckOnly), QString());
    selCheck_->setCheckable(true);
    connect(selCheck_, &QAction::triggered, this,
            [this] { Handle([this] { form_.SelCheckExecute(); }); });

    QMenu* help = menuBar()->addMenu(U("ヘルプ(&H)"));
    QAction* contents = help->addAction(U("目次(&C)"));
    connect(contents, &QAction::triggered, this,
            [this] { Handle([this] { form_.HELP_MOKUJIExecute(); }); });
    QAction* topics = help->addAction(U("トピックの検索(&S)..."));
    connect(topics, &QAction::triggered, this,
            [this] { Handle([this] { form_.HELP_TOPICExecute(); }); });
    htmlManual_ = help->addAction(QString());
    connect(htmlManual_, &QAction::triggered, this,
            [this] { Handle([this] { form_.HTMLMANUALExecute(); }); });

    QToolBar* bar = addToolBar(U("ツールバー"));
    bar->setObjectName(QStringLiteral("toolbar"));
    bar->addAction(setup);
    bar->addAction(kensaku_);
    bar->addAction(saveCsv_);
    bar->addAction(selCheck_);
    bar->addAction(downLoad_);
    tBtnOnOff_ = bar->addAction(QString());
    connect(tBtnOnOff_, &QAction::triggered, this, switchOnline);
    bar->addAction(showBrowserOn_);
    bar->addAction(srcAmazon1_);
    bar->addAction(srcAmazon2_);
    bar->addSeparator();
    bar->addAction(clear);
    for (QAction* button : joukenButtons_) {
        bar->addAction(button);
    }
}

void MainWindow::Handle(const std::function<void()>& handler) {
    Pull();
    form_.Guarded(handler);
    Push();
}

void MainWindow::Pull() {
    ComboBox* boxes[3] = {&form_.CmbSrch1, &form_.CmbSrch2, &form_.CmbSrch3};
    for (size_t b = 0; b < 3; ++b) {
        boxes[b]->text = ToSjis(searchBoxes_[b]->currentText());
    }
    form_.CbDate.checked = cbDate_->isChecked();
    form_.SEdtF.SetValue(sEdtF_->value());
    form_.SEdtT.SetValue(sEdtT_->value());
    form_.Cb1.checked = markers_[0]->isChecked();
    form_.Cb2.checked = markers_[1]->isChecked();
    form_.Cb3.checked = markers_[2]->isChecked();
    form_.CmbSort.itemIndex = cmbSort_->currentIndex();
    const QModelIndex current = grid_->currentIndex();
    if (current.isValid()) {
        form_.ComboGrid1.SetCurrentCell(current.column(), current.row() + ComboGrid::kFixedRows);
    }
    const int top = grid_->rowAt(0);
    form_.ComboGrid1.SetTopRow(top < 0 ? 1 : top + ComboGrid::kFixedRows);
    form_.Geometry.maximized = isMaximized();
    if (!isMaximized()) {
        form_.Geometry.left = pos().x();
        form_.Geometry.top = pos().y();
        form_.Geometry.width = width();
        form_.Geometry.height = height();
    }
    if (tree_->isVisible()) {
        form_.TView.width = pnlCli_->sizes().value(0);
    }
}

void MainWindow::PushTree() {
    tree_->setEnabled(form_.TView.enabled);
    for (size_t i = 0; i < treeItems_.size(); ++i) {
        const TreeNode& node = form_.TView.nodes[i];
        QTreeWidgetItem* item = treeItems_[i];
        item->setText(0, FromSjis(node.caption));
        const bool selected = static_cast<int>(i) == form_.TView.selected;
        item->setIcon(0, TreeIcon(selected ? node.selectedIndex : node.imageIndex));
    }
    if (form_.TView.selected >= 0 && form_.TView.selected < static_cast<int>(treeItems_.size())) {
        tree_->setCurrentItem(treeItems_[static_cast<size_t>(form_.TView.selected)]);
    }
}

void MainWindow::Push() {
    pushing_ = true;
    const QFont font(FromSjis(form_.Settings.fontName), form_.Settings.fontSize);
    grid_->setFont(font);
    tree_->setFont(font);
    PushTree();

    ComboBox* boxes[3] = {&form_.CmbSrch1, &form_.CmbSrch2, &form_.CmbSrch3};
    for (size_t b = 0; b < 3; ++b) {
        QComboBox* box = searchBoxes_[b];
        QStringList items;
        for (const std::string& entry : boxes[b]->items) {
            items << FromSjis(entry);
        }
        QStringList shown;
        for (int i = 0; i < box->count(); ++i) {
            shown << box->itemText(i);
        }
        const QString text = FromSjis(boxes[b]->text);
        if (items != shown) {
            box->clear();
            box->addItems(items);
            box->setEditText(text);
        } else if (box->currentText() != text) {
            box->setEditText(text);
        }
        box->setToolTip(FromSjis(boxes[b]->hint));
    }
    cbDate_->setText(FromSjis(form_.CbDate.caption));
    cbDate_->setChecked(form_.CbDate.checked);
    pnl1_->setVisible(form_.Pnl1.visible);
    sEdtF_->setRange(form_.SEdtF.minValue, form_.SEdtF.maxValue);
    sEdtF_->setValue(form_.SEdtF.value);
    sEdtT_->setRange(form_.SEdtT.minValue, form_.SEdtT.maxValue);
    sEdtT_->setValue(form_.SEdtT.value);
    const CheckBox* marks[3] = {&form_.Cb1, &form_.Cb2, &form_.Cb3};
    for (size_t i = 0; i < 3; ++i) {
        markers_[i]->setText(FromSjis(marks[i]->caption));
        markers_[i]->setChecked(marks[i]->checked);
    }
    if (cmbSort_->count() != static_cast<int>(form_.CmbSort.items.size())) {
        cmbSort_->clear();
        for (const std::string& item : form_.CmbSort.items) {
            cmbSort_->addItem(FromSjis(item));
        }
    }
    cmbSort_->setCurrentIndex(form_.CmbSort.itemIndex);
    edtCalen_->setText(FromSjis(form_.EdtCalen));

    for (int c = 1; c <= kCategoryCount; ++c) {
        const ActionState& state = form_.CategoryActions[static_cast<size_t>(c)];
        categoryActions_[static_cast<size_t>(c)]->setText(FromSjis(state.caption));
        categoryActions_[static_cast<size_t>(c)]->setChecked(state.checked);
    }
    selCheck_->setText(FromSjis(form_.SelCheck.caption));
    selCheck_->setToolTip(FromSjis(form_.SelCheck.hint));
    selCheck_->setChecked(form_.SelCheck.checked);
    downLoad_->setText(FromSjis(form_.DownLoad.caption));
    downLoad_->setChecked(form_.DownLoad.checked);
    nOnOff_->setText(FromSjis(form_.NONOFF.action->caption));
    tBtnOnOff_->setText(FromSjis(form_.TBtnOnOff.action->caption));
    tBtnOnOff_->setIcon(ToolIcon(form_.TBtnOnOff.image == 15 ? Glyph::Online : Glyph::Offline));
    tBtnOnOff_->setToolTip(FromSjis(form_.TBtnOnOff.hint));

    PushProgress();

    if (form_.ComboGrid1.Revision() != shownRevision_) {
        shownRevision_ = form_.ComboGrid1.Revision();
        model_->Refresh();
    }
    QHeaderView* header = grid_->horizontalHeader();
    for (int c = 0; c < form_.ComboGrid1.ColCount(); ++c) {
        header->resizeSection(c, form_.ComboGrid1.ColWidth(c));
    }
    grid_->verticalHeader()->setDefaultSectionSize(form_.GridRowHeight);
    const ComboGrid& g = form_.ComboGrid1;
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
    checkSave_->setText(FromSjis(form_.CheckSave.caption));
    for (size_t n = 0; n < kSavedConditionCount; ++n) {
        jouken_[n]->setText(FromSjis(form_.Jouken[n].caption));
        joukenButtons_[n]->setToolTip(FromSjis(form_.Jouken[n].hint));
    }
    showBrowserOn_->setText(FromSjis(form_.ShowBrowserOn.caption));
    htmlManual_->setText(FromSjis(form_.HTMLMANUAL.caption));
    srcAmazon1_->setToolTip(FromSjis(form_.SrcAmazon1.caption));
    srcAmazon2_->setToolTip(FromSjis(form_.SrcAmazon2.caption));
    saveCsv_->setText(FromSjis(form_.SaveCSV.caption));
    saveCsv_->setToolTip(FromSjis(form_.SaveCSV.hint));
    pushing_ = false;
}

void MainWindow::OpenWordEditor(int box) {
    Handle([this, box] { form_.OpenWordEditor(box); });
    editor_->ShowLines();
}

void MainWindow::PushProgress() {
    for (size_t i = 0; i < statusPanels_.size(); ++i) {
        statusPanels_[i]->setText(FromSjis(form_.StBar.panels[i].text));
        if (i > 0) {
            statusPanels_[i]->setFixedWidth(form_.StBar.panels[i].width);
        }
    }
    busyPanel_->setVisible(form_.Busy.cancelVisible || form_.Busy.progressVisible);
    btnCancel_->setVisible(form_.Busy.cancelVisible);
    animate1_->setVisible(form_.Busy.animationVisible);
    pBar1_->setVisible(form_.Busy.progressVisible);
    pBar1_->setMaximum(form_.Busy.progressMax);
    pBar1_->setValue(std::min(form_.Busy.progress, form_.Busy.progressMax));
    pnlCli_->setVisible(form_.PnlCli.visible);
}

void MainWindow::ApplyGeometry() {
    const WindowGeometry& g = form_.Geometry;
    move(g.left, g.top);
    resize(g.width, g.height);
    pnlCli_->setSizes({form_.TView.width, std::max(1, g.width - form_.TView.width)});
    if (g.maximized) {
        setWindowState(windowState() | Qt::WindowMaximized);
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Closing in the middle of a download first ends the download; the window stays until then.
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

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lblDate_ && event->type() == QEvent::MouseButtonDblClick) {
        Handle([this] { form_.LblDateDblClick(); });
        return true;
    }
    if (event->type() == QEvent::MouseButtonDblClick) {
        for (int b = 0; b < 3; ++b) {
            if (searchBoxes_[static_cast<size_t>(b)] != nullptr &&
                watched == searchBoxes_[static_cast<size_t>(b)]->lineEdit()) {
                OpenWordEditor(b + 1);
                return true;
            }
        }
    }
    if (grid_ == nullptr) {
        return QMainWindow::eventFilter(watched, event);
    }
    if (watched == grid_ && event->type() == QEvent::KeyPress) {
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Left) {
            Pull();
            return form_.ComboGrid1KeyDown(GridKey::Left);
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
                    form_.ComboGrid1MouseWheelDown(lines);
                } else {
                    form_.ComboGrid1MouseWheelUp(lines);
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

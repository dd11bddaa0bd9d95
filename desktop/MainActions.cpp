#include "desktop/MainActions.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

#include "desktop/Icons.h"
#include "desktop/QtText.h"

namespace yomida::qt {

MainActions::MainActions(MainWindowLogic& form, QMainWindow& window, Handler handle,
                         WindowCommands commands)
    : QObject(&window),
      form_(form),
      window_(window),
      handle_(std::move(handle)),
      commands_(std::move(commands)) {
    window_.menuBar()->setAccessibleName(U("メニューバー"));
    BuildFileMenu();
    BuildEditMenu();
    BuildSearchMenu();
    BuildViewMenu();
    BuildHelpMenu();
    BuildToolbar();
}

QAction* MainActions::AddAction(QMenu* menu, const QIcon& icon, const char* caption,
                                std::function<void()> handler) {
    QAction* a = menu->addAction(icon, U(caption));
    connect(a, &QAction::triggered, this,
            [this, handler = std::move(handler)] { handle_(handler); });
    return a;
}

QAction* MainActions::AddToggle(QMenu* menu, const QIcon& icon, const bool& checked,
                                std::function<void()> toggle) {
    QAction* a = menu->addAction(icon, QString());
    a->setCheckable(true);
    // Follows the check mark rather than the trigger: a screen reader toggles a tool button's
    // mark without triggering its action.
    connect(a, &QAction::toggled, this, [this, &checked, toggle = std::move(toggle)](bool on) {
        if (on != checked) {
            handle_(toggle);
        }
    });
    return a;
}

void MainActions::SwitchOnline() {
    handle_([this] {
        if (form_.TBtnOnOff.action == &form_.ONLINE) {
            form_.ONLINEExecute();
        } else {
            form_.OFFLINEExecute();
        }
    });
}

void MainActions::BuildFileMenu() {
    QMenu* file = window_.menuBar()->addMenu(U("ファイル(&F)"));
    setup_ = file->addAction(ToolIcon(Glyph::Setup), U("環境設定(&E)"));
    setup_->setToolTip(U("環境設定"));
    connect(setup_, &QAction::triggered, this, [this] { commands_.setup(); });
    file->addSeparator();
    checkSave_ = AddAction(file, {}, "", [this] { form_.CheckSaveExecute(); });
    saveCsv_ = AddAction(file, ToolIcon(Glyph::SaveCsv), "", [this] { form_.SaveCSVExecute(); });
    saveCsv_->setShortcut(QKeySequence(QStringLiteral("Ctrl+S")));
    AddAction(file, {}, "カレンダーに出力(&I)...", [this] { form_.CalendarExportExecute(); });
    file->addSeparator();
    downLoad_ = AddToggle(file, ToolIcon(Glyph::Download), form_.DownLoad.checked,
                          [this] { form_.DownLoadExecute(); });
    nOnOff_ = file->addAction(QString());
    connect(nOnOff_, &QAction::triggered, this, &MainActions::SwitchOnline);
    file->addSeparator();
    QAction* end = file->addAction(U("終了(&X)"));
    connect(end, &QAction::triggered, this, [this] { commands_.close(); });
}

void MainActions::BuildEditMenu() {
    QMenu* edit = window_.menuBar()->addMenu(U("編集(&E)"));
    const std::pair<const char*, int> editors[] = {
        {"出版社条件編集", 1}, {"タイトル条件編集", 2}, {"作者名条件編集", 3}};
    for (const auto& [caption, box] : editors) {
        QAction* a = edit->addAction(U(caption));
        connect(a, &QAction::triggered, this, [this, box = box] { commands_.wordEditor(box); });
    }
    edit->addSeparator();
    AddAction(edit, {}, "タイトル条件にチェックデータを追加", [this] { form_.CopyTITLEExecute(); });
    AddAction(edit, {}, "作者名条件にチェックデータを追加", [this] { form_.CopySAKUSYAExecute(); });
}

void MainActions::BuildSearchMenu() {
    QMenu* search = window_.menuBar()->addMenu(U("検索(&S)"));
    kensaku_ = AddAction(search, ToolIcon(Glyph::Search), "検索", [this] { form_.BtnDspClick(); });
    kensaku_->setShortcut(QKeySequence(QStringLiteral("Ctrl+F")));
    QMenu* conditions = search->addMenu(U("検索条件"));
    joukenDel_ = AddAction(conditions, ToolIcon(Glyph::Clear), "条件消去",
                           [this] { form_.Conditions.JoukenDelExecute(); });
    joukenDel_->setShortcut(QKeySequence(QStringLiteral("Ctrl+Del")));
    joukenDel_->setToolTip(U("条件消去"));
    for (size_t n = 0; n < kSavedConditionCount; ++n) {
        const int slot = static_cast<int>(n) + 1;
        auto apply = [this, slot] { form_.Conditions.JoukenExecute(slot); };
        jouken_[n] = AddAction(conditions, {}, "", apply);
        jouken_[n]->setShortcut(QKeySequence(QStringLiteral("Ctrl+%1").arg(slot % 10)));
        // The toolbar shows the number only; the text names the button for a screen reader.
        joukenButtons_[n] =
            new QAction(NumberIcon(slot), QString::fromUtf8("検索条件%1").arg(slot), this);
        connect(joukenButtons_[n], &QAction::triggered, this, [this, apply] { handle_(apply); });
    }
    QAction* editConditions = search->addAction(U("検索条件編集(&E)"));
    connect(editConditions, &QAction::triggered, this, [this] { commands_.conditionList(); });
    search->addSeparator();
    QAction* watchWords = search->addAction(U("ウォッチ設定(&W)..."));
    connect(watchWords, &QAction::triggered, this, [this] { commands_.watchWords(); });
    QAction* watchResults = search->addAction(U("ウォッチ結果(&R)"));
    connect(watchResults, &QAction::triggered, this, [this] { commands_.watchResults(); });
    search->addSeparator();

    QMenu* targets = search->addMenu(U("検索対象"));
    std::vector<QMenu*> groups;
    for (const CategoryGroup& g : CategoryGroups()) {
        groups.push_back(targets->addMenu(U(g.menuCaption)));
    }
    for (const CategoryInfo& c : Categories()) {
        const int number = c.number;
        QAction* a = AddAction(groups[static_cast<size_t>(c.group)], {}, "",
                               [this, number] { form_.SelCategoryExecute(number); });
        a->setCheckable(true);
        categoryActions_[number] = a;
    }

    QMenu* shop = search->addMenu(U("Amazonで検索"));
    srcAmazon1_ = AddAction(shop, ToolIcon(Glyph::Shop), "選択したセルの内容を検索",
                            [this] { form_.SrcAmazon1Execute(); });
    srcAmazon2_ = AddAction(shop, ToolIcon(Glyph::Shop), "クリップボードの内容を検索",
                            [this] { form_.SrcAmazon2Execute(); });
}

void MainActions::BuildViewMenu() {
    QMenu* view = window_.menuBar()->addMenu(U("表示(&V)"));
    showBrowserOn_ =
        AddAction(view, ToolIcon(Glyph::Browser), "", [this] { form_.ShowBrowserOnExecute(); });
    selCheck_ = AddToggle(view, ToolIcon(Glyph::CheckOnly), form_.List.Filter.SelCheck.checked,
                          [this] { form_.List.Filter.SelCheckExecute(); });
    view->addSeparator();
    QAction* health = view->addAction(U("取得状況(&H)"));
    connect(health, &QAction::triggered, this, [this] { commands_.health(); });
}

void MainActions::BuildHelpMenu() {
    QMenu* help = window_.menuBar()->addMenu(U("ヘルプ(&H)"));
    AddAction(help, {}, "目次(&C)", [this] { form_.HELP_MOKUJIExecute(); });
    AddAction(help, {}, "トピックの検索(&S)...", [this] { form_.HELP_TOPICExecute(); });
    htmlManual_ = AddAction(help, {}, "", [this] { form_.HTMLMANUALExecute(); });
    help->addSeparator();
    version_ = help->addAction(U("バージョン情報(&A)"));
    connect(version_, &QAction::triggered, this, [this] { commands_.version(); });
}

void MainActions::BuildToolbar() {
    QToolBar* bar = window_.addToolBar(U("ツールバー"));
    toolbar_ = bar;
    bar->setObjectName(QStringLiteral("toolbar"));
    bar->addAction(setup_);
    bar->addAction(kensaku_);
    bar->addAction(saveCsv_);
    bar->addAction(selCheck_);
    bar->addAction(downLoad_);
    tBtnOnOff_ = bar->addAction(QString());
    connect(tBtnOnOff_, &QAction::triggered, this, &MainActions::SwitchOnline);
    bar->addAction(showBrowserOn_);
    bar->addAction(srcAmazon1_);
    bar->addAction(srcAmazon2_);
    bar->addSeparator();
    bar->addAction(joukenDel_);
    for (QAction* button : joukenButtons_) {
        bar->addAction(button);
    }
}

void MainActions::SetEnabled(bool enabled) {
    window_.menuBar()->setEnabled(enabled);
    toolbar_->setEnabled(enabled);
}

void MainActions::PushDownloadToggle() {
    downLoad_->setChecked(form_.DownLoad.checked);
}

void MainActions::Push() {
    for (const auto& [number, action] : categoryActions_) {
        const ActionState& state = form_.CategoryActions[number];
        action->setText(FromSjis(state.caption));
        action->setChecked(state.checked);
    }
    const ActionState& selCheck = form_.List.Filter.SelCheck;
    selCheck_->setText(FromSjis(selCheck.caption));
    selCheck_->setToolTip(FromSjis(selCheck.hint));
    selCheck_->setChecked(selCheck.checked);
    downLoad_->setText(FromSjis(form_.DownLoad.caption));
    downLoad_->setChecked(form_.DownLoad.checked);
    nOnOff_->setText(FromSjis(form_.NONOFF.action->caption));
    tBtnOnOff_->setText(FromSjis(form_.TBtnOnOff.action->caption));
    tBtnOnOff_->setIcon(
        ToolIcon(form_.TBtnOnOff.image == OnOffImage::Online ? Glyph::Online : Glyph::Offline));
    tBtnOnOff_->setToolTip(FromSjis(form_.TBtnOnOff.hint));
    checkSave_->setText(FromSjis(form_.CheckSave.caption));
    for (size_t n = 0; n < kSavedConditionCount; ++n) {
        // A free slot has no name; its item says which slot it is rather than nothing.
        const std::string& name = form_.Conditions.Jouken[n].caption;
        jouken_[n]->setText(name.empty() ? U("検索条件 %1 (未使用)").arg(n + 1) : FromSjis(name));
        joukenButtons_[n]->setToolTip(FromSjis(form_.Conditions.Jouken[n].hint));
    }
    showBrowserOn_->setText(FromSjis(form_.ShowBrowserOn.caption));
    htmlManual_->setText(FromSjis(form_.HTMLMANUAL.caption));
    srcAmazon1_->setToolTip(FromSjis(form_.SrcAmazon1.caption));
    srcAmazon2_->setToolTip(FromSjis(form_.SrcAmazon2.caption));
    saveCsv_->setText(FromSjis(form_.SaveCSV.caption));
    saveCsv_->setToolTip(FromSjis(form_.SaveCSV.hint));
}

}  // namespace yomida::qt

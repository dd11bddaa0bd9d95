#pragma once

#include <QObject>
#include <array>
#include <functional>
#include <map>

#include "app/MainWindowLogic.h"
#include "desktop/SearchPanel.h"

class QAction;
class QMainWindow;
class QMenu;
class QToolBar;

namespace yomida::qt {

// What the menus open in the window itself rather than in the logic.
struct WindowCommands {
    std::function<void()> setup;          // 環境設定
    std::function<void()> conditionList;  // 検索条件編集
    std::function<void(int box)> wordEditor;
    std::function<void()> close;         // 終了
    std::function<void()> version;       // バージョン情報
    std::function<void()> watchWords;    // ウォッチ設定
    std::function<void()> watchResults;  // ウォッチ結果
    std::function<void()> health;        // 取得状況
};

// The menu bar and the toolbar of the main window, and the named actions they share.
class MainActions final : public QObject {
    Q_OBJECT

public:
    MainActions(MainWindowLogic& form, QMainWindow& window, Handler handle,
                WindowCommands commands);

    // Shows the captions, hints and check marks of the logic's actions.
    void Push();
    // Turns the menus and the toolbar off while a transfer runs, so nothing can change the
    // category or the period under it.
    void SetEnabled(bool enabled);
    // Shows the forced-download toggle, which a fetch clears as it starts.
    void PushDownloadToggle();

private:
    void BuildFileMenu();
    void BuildEditMenu();
    void BuildSearchMenu();
    void BuildViewMenu();
    void BuildHelpMenu();
    void BuildToolbar();
    // An action that runs a handler of the logic.
    QAction* AddAction(QMenu* menu, const QIcon& icon, const char* caption,
                       std::function<void()> handler);
    // A checkable action whose mark mirrors `checked`; `toggle` flips it in the logic.
    QAction* AddToggle(QMenu* menu, const QIcon& icon, const bool& checked,
                       std::function<void()> toggle);
    void SwitchOnline();

    MainWindowLogic& form_;
    QMainWindow& window_;
    Handler handle_;
    WindowCommands commands_;

    QAction* setup_ = nullptr;
    QAction* checkSave_ = nullptr;                                // CheckSave
    QAction* saveCsv_ = nullptr;                                  // SaveCSV
    QAction* downLoad_ = nullptr;                                 // DownLoad
    QAction* nOnOff_ = nullptr;                                   // NONOFF
    QAction* kensaku_ = nullptr;                                  // KENSAKU
    QAction* joukenDel_ = nullptr;                                // JoukenDel
    std::array<QAction*, kSavedConditionCount> jouken_{};         // Jouken1 … Jouken10
    std::array<QAction*, kSavedConditionCount> joukenButtons_{};  // their toolbar buttons
    std::map<int, QAction*> categoryActions_;                     // SelCOMIC …, by number
    QAction* srcAmazon1_ = nullptr;                               // SrcAmazon1
    QAction* srcAmazon2_ = nullptr;                               // SrcAmazon2
    QAction* showBrowserOn_ = nullptr;                            // ShowBrowserOn
    QAction* selCheck_ = nullptr;                                 // SelCheck
    QAction* htmlManual_ = nullptr;                               // HTMLMANUAL
    QAction* tBtnOnOff_ = nullptr;                                // TBtnOnOff
    QAction* version_ = nullptr;                                  // VERSION
    QToolBar* toolbar_ = nullptr;
};

}  // namespace yomida::qt

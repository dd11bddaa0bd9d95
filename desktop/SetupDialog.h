#pragma once

#include <QDialog>
#include <functional>
#include <string>

#include "platform/Ui.h"
#include "settings/SetupForm.h"

class QCheckBox;
class QDateEdit;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QSpinBox;
class QTabWidget;

namespace yomida::qt {

class FeedPathsBox;

// "YOMIDA セットアップ": the face of SetupForm. Return means ＯＫ on every page.
class SetupDialog final : public QDialog {
    Q_OBJECT

public:
    // `ui` asks for the font and shows what OK refuses.
    SetupDialog(SetupForm& logic, Ui& ui, QWidget* parent = nullptr);
    // Fills the dialog from the logic; Run() does this and shows it modally.
    void Prepare();
    int Run();
    void Ok();
    // Tells why the daily update cannot be switched here (UTF-8), or nothing when it can; asked
    // when the 自動更新 page is first shown in a run of the dialog.
    void SetScheduleCheck(std::function<std::string()> check) { scheduleCheck_ = std::move(check); }

private:
    // One page each, in the order of their tabs.
    QWidget* BuildFontPage();
    QWidget* BuildBooksPage();
    QWidget* BuildProxyPage();
    QWidget* BuildDialPage();
    QWidget* BuildOtherPage();
    QWidget* BuildTimerPage();
    // ヘルプ on the left, ＯＫ and ｷｬﾝｾﾙ on the right.
    QHBoxLayout* BuildButtons();
    void Push();
    void Pull();
    // Asks once per run whether the update can be switched, and says why not on its page.
    void CheckSchedule();

    SetupForm& logic_;
    Ui& ui_;
    QTabWidget* pages_ = nullptr;
    QLineEdit* fontName_ = nullptr;
    QLineEdit* fontSize_ = nullptr;
    QDateEdit* syoDate_ = nullptr;
    QLineEdit* syoNo_ = nullptr;
    QLineEdit* listId_ = nullptr;
    QLineEdit* proxy_ = nullptr;
    QLineEdit* port_ = nullptr;
    QCheckBox* dialUp_ = nullptr;
    QCheckBox* direct_ = nullptr;
    QCheckBox* check_ = nullptr;
    QCheckBox* header_ = nullptr;
    QCheckBox* schedule_ = nullptr;
    QSpinBox* hour_ = nullptr;
    QCheckBox* alarm_ = nullptr;
    QLabel* scheduleUnavailable_ = nullptr;  // why the update cannot be switched
    FeedPathsBox* feeds_ = nullptr;          // the watch calendar and feed to subscribe to
    std::function<std::string()> scheduleCheck_;
    bool scheduleChecked_ = false;
    bool scheduleAvailable_ = true;
};

}  // namespace yomida::qt

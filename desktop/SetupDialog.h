#pragma once

#include <QDialog>

#include "settings/SetupForm.h"

class QCheckBox;
class QDateEdit;
class QHBoxLayout;
class QLineEdit;
class QSpinBox;
class QTabWidget;

namespace yomida::qt {

class FeedPathsBox;

// "YOMIDA セットアップ": the face of SetupForm.
class SetupDialog final : public QDialog {
    Q_OBJECT

public:
    explicit SetupDialog(SetupForm& logic, QWidget* parent = nullptr);
    // Fills the dialog from the logic; Run() does this and shows it modally.
    void Prepare();
    int Run();
    void Ok();

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

    SetupForm& logic_;
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
    FeedPathsBox* feeds_ = nullptr;  // the watch calendar and feed to subscribe to
};

}  // namespace yomida::qt

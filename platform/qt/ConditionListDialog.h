#pragma once

#include <QDialog>

#include "app/UFRMmain.h"

class QLineEdit;
class QListWidget;

namespace yomida::qt {

// "YOMIDA 検索条件編集": the face of TFRMslist.
class ConditionListDialog final : public QDialog {
    Q_OBJECT

public:
    explicit ConditionListDialog(TFRMmain& form, QWidget* parent = nullptr);
    // Fills the working copy from the main window and shows the dialog modally.
    // Fills the dialog from the logic; Run() does this and shows it modally.
    void Prepare();
    int Run();
    QLineEdit* NameField() const { return edtName_; }
    QListWidget* NameList() const { return lbxName_; }

private:
    void Handle(void (TFRMslist::*handler)());
    void Push();

    TFRMmain& form_;
    QLineEdit* edtName_ = nullptr;
    QListWidget* lbxName_ = nullptr;
    bool pushing_ = false;
};

}  // namespace yomida::qt

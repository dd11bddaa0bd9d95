#pragma once

#include <QDialog>

#include "platform/Ui.h"
#include "settings/SavedConditionList.h"

class QLineEdit;
class QListWidget;

namespace yomida::qt {

// "YOMIDA 検索条件編集": the face of SavedConditionList.
class ConditionListDialog final : public QDialog {
    Q_OBJECT

public:
    // `ui` shows what the list refuses.
    ConditionListDialog(SavedConditionList& logic, Ui& ui, QWidget* parent = nullptr);
    // Takes a working copy of the main window's conditions and shows it; Run() does this and
    // shows the dialog modally.
    void Prepare();
    int Run();

private:
    void Handle(const std::function<SavedConditionList::Refusal()>& handler);
    void Push();

    SavedConditionList& logic_;
    Ui& ui_;
    QLineEdit* edtName_ = nullptr;
    QListWidget* lbxName_ = nullptr;
    bool pushing_ = false;
};

}  // namespace yomida::qt

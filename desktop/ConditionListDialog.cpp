#include "desktop/ConditionListDialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "desktop/DialogFrame.h"
#include "desktop/QtText.h"

namespace yomida::qt {

ConditionListDialog::ConditionListDialog(SavedConditionList& logic, Ui& ui, QWidget* parent)
    : QDialog(parent), logic_(logic), ui_(ui) {
    setObjectName(QStringLiteral("ConditionListDialog"));
    setWindowTitle(QString::fromUtf8("YOMIDA 検索条件編集"));
    auto* layout = new QGridLayout(this);
    SetFixedBorder(*this);
    auto* nameLabel = new QLabel(QString::fromUtf8("検索条件名称"));
    layout->addWidget(nameLabel, 0, 0);
    edtName_ = new QLineEdit;
    edtName_->setObjectName(QStringLiteral("EdtName"));
    nameLabel->setBuddy(edtName_);
    layout->addWidget(edtName_, 1, 0);
    lbxName_ = new QListWidget;
    lbxName_->setObjectName(QStringLiteral("LbxName"));
    lbxName_->setAccessibleName(QString::fromUtf8("保存した検索条件"));
    layout->addWidget(lbxName_, 2, 0, 6, 1);
    connect(lbxName_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (pushing_) {
            return;
        }
        logic_.LbxNameIndex = row;
        Handle([logic = &logic_] {
            logic->LbxNameClick();
            return SavedConditionList::Refusal();
        });
    });

    struct Button {
        const char* caption;
        SavedConditionList::Refusal (SavedConditionList::*handler)();
    };
    const Button buttons[] = {{"追加", &SavedConditionList::BtnAddClick},
                              {"置換", &SavedConditionList::BtnRepClick},
                              {"削除", &SavedConditionList::BtnDelClick},
                              {"↑", &SavedConditionList::BtnUpClick},
                              {"↓", &SavedConditionList::BtnDownClick}};
    int row = 1;
    for (const Button& b : buttons) {
        auto* button = new QPushButton(QString::fromUtf8(b.caption));
        SavedConditionList* const logic = &logic_;
        const auto handler = b.handler;
        connect(button, &QPushButton::clicked, this, [this, logic, handler] {
            Handle([logic, handler] { return (logic->*handler)(); });
        });
        layout->addWidget(button, row++, 1);
    }
    auto* ok = new QPushButton(QString::fromUtf8("ＯＫ"));
    auto* cancel = new QPushButton(QString::fromUtf8("ｷｬﾝｾﾙ"));
    connect(ok, &QPushButton::clicked, this, [this] {
        logic_.BtnOKClick();
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* help = new QPushButton(QString::fromUtf8("ヘルプ"));
    connect(help, &QPushButton::clicked, this, [this] { logic_.BtnHelpClick(); });
    layout->addWidget(ok, row++, 1);
    layout->addWidget(cancel, row++, 1);
    layout->addWidget(help, row, 1);
}

void ConditionListDialog::Prepare() {
    logic_.FormShow();
    Push();
}

int ConditionListDialog::Run() {
    Prepare();
    return exec();
}

void ConditionListDialog::Handle(const std::function<SavedConditionList::Refusal()>& handler) {
    logic_.EdtName = ToSjis(edtName_->text());
    RunGuarded(ui_, [this, &handler] {
        if (const SavedConditionList::Refusal done = handler(); !done) {
            ui_.ShowError(done.ErrorText());
        }
    });
    Push();
}

void ConditionListDialog::Push() {
    pushing_ = true;
    lbxName_->clear();
    for (const std::string& name : logic_.LbxName) {
        lbxName_->addItem(FromSjis(name));
    }
    lbxName_->setCurrentRow(logic_.LbxNameIndex);
    lbxName_->setToolTip(FromSjis(logic_.LbxNameHint));
    edtName_->setText(FromSjis(logic_.EdtName));
    pushing_ = false;
}

}  // namespace yomida::qt

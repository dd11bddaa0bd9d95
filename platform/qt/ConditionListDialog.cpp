#include "platform/qt/ConditionListDialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/qt/QtText.h"

namespace yomida::qt {

ConditionListDialog::ConditionListDialog(TFRMmain& form, QWidget* parent)
    : QDialog(parent), form_(form) {
    setWindowTitle(QString::fromUtf8("YOMIDA 検索条件編集"));
    setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel(QString::fromUtf8("検索条件名称")), 0, 0);
    edtName_ = new QLineEdit;
    layout->addWidget(edtName_, 1, 0);
    lbxName_ = new QListWidget;
    layout->addWidget(lbxName_, 2, 0, 6, 1);
    connect(lbxName_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (pushing_) {
            return;
        }
        form_.slist.LbxNameIndex = row;
        Handle(&TFRMslist::LbxNameClick);
    });

    struct Button {
        const char* caption;
        void (TFRMslist::*handler)();
    };
    const Button buttons[] = {{"追加", &TFRMslist::BtnAddClick},
                              {"置換", &TFRMslist::BtnRepClick},
                              {"削除", &TFRMslist::BtnDelClick},
                              {"↑", &TFRMslist::BtnUpClick},
                              {"↓", &TFRMslist::BtnDownClick}};
    int row = 1;
    for (const Button& b : buttons) {
        auto* button = new QPushButton(QString::fromUtf8(b.caption));
        connect(button, &QPushButton::clicked, this,
                [this, handler = b.handler] { Handle(handler); });
        layout->addWidget(button, row++, 1);
    }
    auto* ok = new QPushButton(QString::fromUtf8("ＯＫ"));
    auto* cancel = new QPushButton(QString::fromUtf8("ｷｬﾝｾﾙ"));
    connect(ok, &QPushButton::clicked, this, [this] {
        form_.slist.BtnOKClick(form_.Settings.conditions, [this] { form_.ApplySettings(); });
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* help = new QPushButton(QString::fromUtf8("ヘルプ"));
    connect(help, &QPushButton::clicked, this, [this] { form_.OpenManualAt("conditions"); });
    layout->addWidget(ok, row++, 1);
    layout->addWidget(cancel, row++, 1);
    layout->addWidget(help, row, 1);
}

void ConditionListDialog::Prepare() {
    form_.JoukenSaveExecute();
    Push();
}

int ConditionListDialog::Run() {
    Prepare();
    return exec();
}

void ConditionListDialog::Handle(void (TFRMslist::*handler)()) {
    form_.slist.EdtName = ToSjis(edtName_->text());
    form_.Guarded([this, handler] { (form_.slist.*handler)(); });
    Push();
}

void ConditionListDialog::Push() {
    pushing_ = true;
    lbxName_->clear();
    for (const std::string& name : form_.slist.LbxName) {
        lbxName_->addItem(FromSjis(name));
    }
    lbxName_->setCurrentRow(form_.slist.LbxNameIndex);
    lbxName_->setToolTip(FromSjis(form_.slist.LbxNameHint));
    edtName_->setText(FromSjis(form_.slist.EdtName));
    pushing_ = false;
}

}  // namespace yomida::qt

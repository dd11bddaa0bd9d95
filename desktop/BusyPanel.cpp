#include "desktop/BusyPanel.h"

#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>

namespace yomida::qt {

BusyPanel::BusyPanel(MainWindowLogic& form, QWidget* parent) : QWidget(parent), form_(form) {
    setObjectName(QStringLiteral("BusyPanel"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    btnCancel_ = new QPushButton(QString::fromUtf8("キャンセル"));
    btnCancel_->setObjectName(QStringLiteral("BtnCancel"));
    connect(btnCancel_, &QPushButton::clicked, this, [this] { form_.BtnCancelClick(); });
    // Escape cancels as the button does; the shortcut lives only while the button shows.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), btnCancel_);
    connect(escape, &QShortcut::activated, this, [this] { form_.BtnCancelClick(); });
    animate1_ = new QProgressBar;
    animate1_->setObjectName(QStringLiteral("Animate1"));
    animate1_->setRange(0, 0);  // a moving bar stands in for the search animation
    animate1_->setMaximumWidth(BusyDisplay::kAnimationWidth);
    animate1_->setTextVisible(false);
    animate1_->setAccessibleName(QString::fromUtf8("処理中"));
    pBar1_ = new QProgressBar;
    pBar1_->setObjectName(QStringLiteral("PBar1"));
    btnCancel_->setAccessibleName(btnCancel_->text());
    row->addStretch();
    row->addWidget(btnCancel_);
    row->addWidget(animate1_);
    row->addStretch();
    row->addWidget(pBar1_);
    hide();
}

void BusyPanel::Push() {
    const BusyDisplay& busy = form_.Busy;
    setVisible(busy.cancelVisible || busy.progressVisible);
    btnCancel_->setVisible(busy.cancelVisible);
    animate1_->setVisible(busy.animationVisible);
    pBar1_->setVisible(busy.progressVisible);
    pBar1_->setMaximum(busy.progressMax);
    pBar1_->setValue(std::min(busy.progress, busy.progressMax));
    pBar1_->setAccessibleName(
        QString::fromUtf8(form_.Watch.WatchScanning() ? "ウォッチの進み具合" : "受信状況"));
}

}  // namespace yomida::qt

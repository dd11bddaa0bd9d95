#include "desktop/VersionDialog.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "desktop/DialogFrame.h"
#include "desktop/Icons.h"
#include "desktop/QtText.h"

namespace yomida::qt {

VersionDialog::VersionDialog(VersionInfo& logic, QWidget* parent) : QDialog(parent), logic_(logic) {
    setObjectName(QStringLiteral("VersionDialog"));
    setWindowTitle(QString::fromUtf8("YOMIDA バージョン情報"));
    auto* layout = new QHBoxLayout(this);
    SetFixedBorder(*this);
    auto* picture = new QLabel;
    picture->setPixmap(TreeIcon(TreeImage::BookPresent).pixmap(41, 41));
    layout->addWidget(picture, 0, Qt::AlignTop);
    auto* text = new QVBoxLayout;
    for (QLabel*& line : lines_) {
        line = new QLabel;
        line->setObjectName(QStringLiteral("LblVer%1").arg(&line - lines_ + 1));
        text->addWidget(line);
    }
    lines_[4]->setStyleSheet(QStringLiteral("color: palette(link); text-decoration: underline;"));
    lines_[4]->setCursor(Qt::PointingHandCursor);
    lines_[4]->installEventFilter(this);
    auto* ok = new QPushButton(QString::fromUtf8("ＯＫ"));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    text->addWidget(ok, 0, Qt::AlignRight);
    layout->addLayout(text);
}

void VersionDialog::Prepare() {
    logic_.FormShow();
    const std::string* texts[5] = {&logic_.LblVer1, &logic_.LblVer2, &logic_.LblVer3,
                                   &logic_.LblVer4, &logic_.LblVer5};
    for (int i = 0; i < 5; ++i) {
        lines_[i]->setText(FromSjis(*texts[i]));
    }
}

int VersionDialog::Run() {
    Prepare();
    return exec();
}

bool VersionDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lines_[4] && event->type() == QEvent::MouseButtonRelease) {
        logic_.LblVer5Click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace yomida::qt

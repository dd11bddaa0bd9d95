#include "platform/qt/VersionDialog.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/qt/Icons.h"
#include "platform/qt/QtText.h"

namespace yomida::qt {

VersionDialog::VersionDialog(TFRMmain& form, QWidget* parent) : QDialog(parent), form_(form) {
    setWindowTitle(QString::fromUtf8("YOMIDA バージョン情報"));
    setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
    auto* layout = new QHBoxLayout(this);
    auto* picture = new QLabel;
    picture->setPixmap(TreeIcon(20).pixmap(41, 41));
    layout->addWidget(picture, 0, Qt::AlignTop);
    auto* text = new QVBoxLayout;
    for (QLabel*& line : lines_) {
        line = new QLabel;
        text->addWidget(line);
    }
    lines_[4]->setStyleSheet(QStringLiteral("color: blue; text-decoration: underline;"));
    lines_[4]->setCursor(Qt::PointingHandCursor);
    lines_[4]->installEventFilter(this);
    auto* ok = new QPushButton(QString::fromUtf8("ＯＫ"));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    text->addWidget(ok, 0, Qt::AlignRight);
    layout->addLayout(text);
}

void VersionDialog::Prepare() {
    form_.VERSIONExecute();
    const std::string* texts[5] = {&form_.ver.LblVer1, &form_.ver.LblVer2, &form_.ver.LblVer3,
                                   &form_.ver.LblVer4, &form_.ver.LblVer5};
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
        form_.ver.LblVer5Click(form_.ui());
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace yomida::qt

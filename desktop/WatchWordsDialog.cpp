#include "desktop/WatchWordsDialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "desktop/QtText.h"

namespace yomida::qt {

WatchWordsDialog::WatchWordsDialog(WatchWordsForm& logic, QWidget* parent)
    : QDialog(parent), logic_(logic) {
    setObjectName(QStringLiteral("WatchWordsDialog"));
    setWindowTitle(QString::fromUtf8("ウォッチ設定"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(
        QString::fromUtf8("見張る出版社・タイトル・作者名を1行に1語ずつ入力して下さい。\n"
                          "出版社は絞り込み、タイトルと作者名はどちらかに合えば表示します。")));
    auto* grid = new QGridLayout;
    const char* captions[3] = {"出版社", "タイトル", "作者名"};
    for (int i = 0; i < 3; ++i) {
        auto* label = new QLabel(QString::fromUtf8(captions[i]));
        grid->addWidget(label, 0, i);
        auto* box = new QPlainTextEdit;
        box->setObjectName(QStringLiteral("Memo%1").arg(i + 1));
        label->setBuddy(box);
        box->setLineWrapMode(QPlainTextEdit::NoWrap);
        grid->addWidget(box, 1, i);
        boxes_[static_cast<size_t>(i)] = box;
    }
    layout->addLayout(grid, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        Ok();
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(560, 320);
}

void WatchWordsDialog::Prepare() {
    logic_.FormShow();
    for (size_t i = 0; i < boxes_.size(); ++i) {
        QStringList lines;
        for (const std::string& line : logic_.Memo[i]) {
            lines << FromSjis(line);
        }
        boxes_[i]->setPlainText(lines.join(QLatin1Char('\n')));
    }
}

int WatchWordsDialog::Run() {
    Prepare();
    return exec();
}

void WatchWordsDialog::Ok() {
    for (size_t i = 0; i < boxes_.size(); ++i) {
        logic_.Memo[i].clear();
        for (const QString& line : boxes_[i]->toPlainText().split(QLatin1Char('\n'))) {
            logic_.Memo[i].push_back(ToSjis(line));
        }
    }
    logic_.BtnOkClick();
}

}  // namespace yomida::qt

#include "desktop/WordEditor.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include "desktop/DialogFrame.h"
#include "desktop/QtText.h"

namespace yomida::qt {

WordEditor::WordEditor(WordListEditor& logic, std::function<void()> boxChanged, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint),
      logic_(logic),
      boxChanged_(std::move(boxChanged)) {
    setObjectName(QStringLiteral("WordEditor"));
    setWindowTitle(QString::fromUtf8("YOMIDA エディター"));
    SetWindowRole(*this, QAccessible::Dialog);
    // It stays on top of the main window, but never over a question or a file dialog.
    YieldTopToModalDialogs(*this);
    auto* layout = new QVBoxLayout(this);
    memo_ = new QPlainTextEdit;
    memo_->setObjectName(QStringLiteral("Memo1"));
    memo_->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(memo_, 1);
    auto* buttons = new QHBoxLayout;
    auto* ok = new QPushButton(QString::fromUtf8("ＯＫ"));
    auto* cancel = new QPushButton(QString::fromUtf8("ｷｬﾝｾﾙ"));
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch();
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &WordEditor::Ok);
    connect(cancel, &QPushButton::clicked, this, [this] {
        logic_.Close();
        hide();
    });
    // Escape cancels, as in every other dialog.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, cancel, &QPushButton::click);
    resize(300, 360);
}

void WordEditor::ShowLines() {
    QStringList lines;
    for (const std::string& line : logic_.Memo1) {
        lines << FromSjis(line);
    }
    memo_->setPlainText(lines.join(QLatin1Char('\n')));
    // The lines are the words of one search box; a screen reader says which.
    const char* box = logic_.EdtName == "CmbSrch1"   ? "出版社"
                      : logic_.EdtName == "CmbSrch2" ? "タイトル"
                                                     : "作者名";
    memo_->setAccessibleName(QString::fromUtf8("%1の条件（1行に1語）").arg(QString::fromUtf8(box)));
    show();
    raise();
}

void WordEditor::Ok() {
    QStringList lines = memo_->toPlainText().split(QLatin1Char('\n'));
    // An empty last line after the final line break is no line.
    if (!lines.isEmpty() && lines.back().isEmpty()) {
        lines.removeLast();
    }
    logic_.Memo1.clear();
    for (const QString& line : lines) {
        logic_.Memo1.push_back(ToSjis(line));
    }
    logic_.BtnOKClick();
    hide();
    boxChanged_();
}

}  // namespace yomida::qt

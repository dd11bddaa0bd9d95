#include "desktop/QtUi.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFontDialog>
#include <QFontInfo>
#include <QMessageBox>
#include <QProcess>
#include <QStringList>
#include <QUrl>

#include "desktop/QtText.h"

namespace yomida::qt {
namespace {

const QString kTitle = QStringLiteral("YOMIDA");

// "説明|*.htm;*.html|すべて|*.*" as Qt's "説明 (*.htm *.html);;すべて (*)".
QString QtFilter(const std::string& filter) {
    const QStringList parts = FromSjis(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        patterns.replace(QStringLiteral("*.*"), QStringLiteral("*"));
        filters << parts[i] + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return filters.join(QStringLiteral(";;"));
}

QString StartPath(const FileDialogRequest& r) {
    QString folder = QString::fromStdString(r.initialFolder.string());
    if (r.defaultName.empty()) {
        return folder;
    }
    return folder.isEmpty() ? FromSjis(r.defaultName)
                            : folder + QLatin1Char('/') + FromSjis(r.defaultName);
}

}  // namespace

void QtUi::ShowError(const std::string& text) {
    QMessageBox::critical(parent_, kTitle, FromSjis(text));
}

void QtUi::ShowWarning(const std::string& text) {
    QMessageBox::warning(parent_, kTitle, FromSjis(text));
}

bool QtUi::Confirm(const std::string& text) {
    return QMessageBox::question(parent_, kTitle, FromSjis(text),
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

std::optional<std::filesystem::path> QtUi::OpenFileDialog(const FileDialogRequest& r) {
    QString file =
        QFileDialog::getOpenFileName(parent_, FromSjis(r.title), StartPath(r), QtFilter(r.filter));
    if (file.isEmpty()) {
        return std::nullopt;
    }
    return std::filesystem::path(file.toStdString());
}

std::optional<std::filesystem::path> QtUi::SaveFileDialog(const FileDialogRequest& r) {
    QString file =
        QFileDialog::getSaveFileName(parent_, FromSjis(r.title), StartPath(r), QtFilter(r.filter));
    if (file.isEmpty()) {
        return std::nullopt;
    }
    return std::filesystem::path(file.toStdString());
}

std::optional<FontChoice> QtUi::FontDialog(const FontChoice& current) {
    QFont font(FromSjis(current.name), current.size);
    font.setBold(current.bold);
    font.setItalic(current.italic);
    font.setUnderline(current.underline);
    font.setStrikeOut(current.strikeOut);
    bool ok = false;
    QFont chosen = QFontDialog::getFont(&ok, font, parent_);
    if (!ok) {
        return std::nullopt;
    }
    FontChoice choice = current;
    choice.name = ToSjis(chosen.family());
    choice.size = chosen.pointSize();
    choice.bold = chosen.bold();
    choice.italic = chosen.italic();
    choice.underline = chosen.underline();
    choice.strikeOut = chosen.strikeOut();
    return choice;
}

void QtUi::SetCursor(CursorShape shape) {
    if (shape == cursor_) {
        return;
    }
    if (shape == CursorShape::Hourglass) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
    cursor_ = shape;
}

bool QtUi::ShellOpen(const std::string& target) {
    const QString text = FromSjis(target);
    if (text.contains(QStringLiteral("://"))) {
        return QDesktopServices::openUrl(QUrl(text));
    }
    // A local file, maybe with a section of it after "#".
    const qsizetype hash = text.lastIndexOf(QLatin1Char('#'));
    QUrl url = QUrl::fromLocalFile(hash < 0 ? text : text.left(hash));
    if (hash >= 0) {
        url.setFragment(text.mid(hash + 1));
    }
    return QDesktopServices::openUrl(url);
}

bool QtUi::StartProgram(const std::filesystem::path& program,
                        const std::vector<std::string>& arguments) {
    QStringList args;
    for (const std::string& a : arguments) {
        args << FromSjis(a);
    }
    return QProcess::startDetached(QString::fromStdString(program.string()), args);
}

void QtUi::SetClipboardText(const std::string& text) {
    QApplication::clipboard()->setText(FromSjis(text));
}

std::optional<std::string> QtUi::ClipboardText() {
    const QString text = QApplication::clipboard()->text();
    if (text.isEmpty()) {
        return std::nullopt;
    }
    return ToSjis(text);
}

int QtUi::FontPixelHeight(const std::string& name, int pointSize) {
    QFont font(FromSjis(name));
    font.setPointSize(pointSize > 0 ? pointSize : 9);
    return QFontInfo(font).pixelSize();
}

void QtUi::ProcessMessages() {
    QApplication::processEvents();
}

void QtUi::Repaint() {
    if (parent_ != nullptr) {
        parent_->repaint();
    }
}

}  // namespace yomida::qt

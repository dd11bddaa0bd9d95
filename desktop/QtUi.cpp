#include "desktop/QtUi.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
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

QString DialogTitle(const std::string& title, const char* fallback) {
    return title.empty() ? QString::fromUtf8(fallback) : FromSjis(title);
}

// The message boxes speak in lines joined by LF CR; Qt wants plain LF.
QString MessageText(const std::string& text) {
    QString message = FromSjis(text);
    message.replace(QStringLiteral("\n\r"), QStringLiteral("\n"));
    message.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return message;
}

// Box texts can be selected, so an address or a path in them can be copied.
void Tell(QWidget* parent, QMessageBox::Icon icon, const std::string& text) {
    QMessageBox box(icon, kTitle, MessageText(text), QMessageBox::Ok, parent);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    box.exec();
}

bool Ask(QWidget* parent, const std::string& text, QMessageBox::StandardButton defaultButton) {
    QMessageBox box(QMessageBox::Question, kTitle, MessageText(text),
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    box.setDefaultButton(defaultButton);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

}  // namespace

QWidget* QtUi::DialogParent() const {
    if (QWidget* modal = QApplication::activeModalWidget()) {
        return modal;
    }
    if (QWidget* active = QApplication::activeWindow()) {
        return active;
    }
    return parent_;
}

void QtUi::BeforeModal() const {
    if (beforeModal_) {
        beforeModal_();
    }
}

void QtUi::ShowError(const std::string& text) {
    BeforeModal();
    Tell(DialogParent(), QMessageBox::Critical, text);
}

void QtUi::ShowWarning(const std::string& text) {
    BeforeModal();
    Tell(DialogParent(), QMessageBox::Warning, text);
}

bool QtUi::Confirm(const std::string& text) {
    BeforeModal();
    return Ask(DialogParent(), text, QMessageBox::Yes);
}

bool QtUi::ConfirmDefaultNo(const std::string& text) {
    BeforeModal();
    return Ask(DialogParent(), text, QMessageBox::No);
}

std::optional<std::filesystem::path> QtUi::OpenFileDialog(const FileDialogRequest& r) {
    BeforeModal();
    QString file = QFileDialog::getOpenFileName(
        DialogParent(), DialogTitle(r.title, "ファイルを開く"), StartPath(r), QtFilter(r.filter));
    if (file.isEmpty()) {
        return std::nullopt;
    }
    return std::filesystem::path(file.toStdString());
}

std::optional<std::filesystem::path> QtUi::SaveFileDialog(const FileDialogRequest& r) {
    BeforeModal();
    QFileDialog dialog(DialogParent(), DialogTitle(r.title, "名前を付けて保存"), StartPath(r),
                       QtFilter(r.filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The dialog adds the extension before it asks about overwriting, so the question is about
    // the file that will really be written.
    dialog.setDefaultSuffix(FromSjis(r.defaultExtension));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    QString file = dialog.selectedFiles().constFirst();
    // A native dialog may ignore the default suffix.
    if (!r.defaultExtension.empty() && QFileInfo(file).suffix().isEmpty()) {
        file += QLatin1Char('.') + FromSjis(r.defaultExtension);
    }
    return std::filesystem::path(file.toStdString());
}

std::optional<FontChoice> QtUi::FontDialog(const FontChoice& current) {
    QFont font(FromSjis(current.name), current.size);
    font.setBold(current.bold);
    font.setItalic(current.italic);
    font.setUnderline(current.underline);
    font.setStrikeOut(current.strikeOut);
    // A stored name the system lacks ("ＭＳ ゴシック") is drawn in a substitute, which the
    // dialog's list does hold: it opens on the font the grid really shows.
    const QString inUse = QFontInfo(font).family();
    font.setFamily(inUse);
    BeforeModal();
    bool ok = false;
    QFont chosen = QFontDialog::getFont(&ok, font, DialogParent());
    if (!ok) {
        return std::nullopt;
    }
    FontChoice choice = current;
    // Keeping the font in use keeps the stored name with it, so OK alone changes nothing.
    if (chosen.family() != inUse) {
        choice.name = ToSjis(chosen.family());
    }
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
    if (beforeEvents_) {
        beforeEvents_();
    }
    QApplication::processEvents();
}

void QtUi::Repaint() {
    if (beforeEvents_) {
        beforeEvents_();
    }
    if (parent_ != nullptr) {
        parent_->repaint();
    }
}

}  // namespace yomida::qt

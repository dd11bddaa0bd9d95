#pragma once

#include <QWidget>
#include <functional>

#include "platform/Ui.h"

namespace yomida::qt {

// The Ui of the desktop: Qt message boxes, dialogs, cursor, desktop services and clipboard.
class QtUi final : public Ui {
public:
    explicit QtUi(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }
    // Called before every turn of the message loop and every repaint, so the window shows the
    // logic's progress while a transfer runs inside a handler.
    void SetBeforeEvents(std::function<void()> refresh) { beforeEvents_ = std::move(refresh); }
    // Called before every message box and dialog, so what stands behind it is the logic's state.
    void SetBeforeModal(std::function<void()> refresh) { beforeModal_ = std::move(refresh); }
    // The window a box or dialog opens over: the active modal dialog if there is one, else the
    // active window, else the main window. A box behind a stay-on-top dialog would be unseen.
    QWidget* DialogParent() const;

    void ShowError(const std::string& text) override;
    void ShowWarning(const std::string& text) override;
    bool Confirm(const std::string& text) override;
    bool ConfirmDefaultNo(const std::string& text) override;
    std::optional<std::filesystem::path> OpenFileDialog(const FileDialogRequest& r) override;
    std::optional<std::filesystem::path> SaveFileDialog(const FileDialogRequest& r) override;
    std::optional<FontChoice> FontDialog(const FontChoice& current) override;
    CursorShape Cursor() const override { return cursor_; }
    void SetCursor(CursorShape shape) override;
    bool ShellOpen(const std::string& target) override;
    bool StartProgram(const std::filesystem::path& program,
                      const std::vector<std::string>& arguments) override;
    void SetClipboardText(const std::string& text) override;
    std::optional<std::string> ClipboardText() override;
    int FontPixelHeight(const std::string& name, int pointSize) override;
    void ProcessMessages() override;
    void Repaint() override;

private:
    void BeforeModal() const;

    QWidget* parent_;
    std::function<void()> beforeEvents_;
    std::function<void()> beforeModal_;
    CursorShape cursor_ = CursorShape::Default;
};

}  // namespace yomida::qt

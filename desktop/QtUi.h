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
    // Called before every turn of the message loop, so the window shows the logic's progress.
    void SetBeforeEvents(std::function<void()> refresh) { beforeEvents_ = std::move(refresh); }

    void ShowError(const std::string& text) override;
    void ShowWarning(const std::string& text) override;
    bool Confirm(const std::string& text) override;
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
    QWidget* parent_;
    std::function<void()> beforeEvents_;
    CursorShape cursor_ = CursorShape::Default;
};

}  // namespace yomida::qt

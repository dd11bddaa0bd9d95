#pragma once

#include <ostream>
#include <string>

#include "platform/Ui.h"

namespace yomida {

// The Ui of the command line: messages go to the error stream in UTF-8, questions are answered
// No and dialogs are cancelled, since a script cannot answer them.
class ConsoleUi final : public Ui {
public:
    explicit ConsoleUi(std::ostream& err) : err_(err) {}

    void ShowError(const std::string& text) override;
    void ShowWarning(const std::string& text) override;
    bool Confirm(const std::string& text) override;
    std::optional<std::filesystem::path> OpenFileDialog(const FileDialogRequest&) override {
        return std::nullopt;
    }
    std::optional<std::filesystem::path> SaveFileDialog(const FileDialogRequest&) override {
        return std::nullopt;
    }
    std::optional<FontChoice> FontDialog(const FontChoice&) override { return std::nullopt; }
    CursorShape Cursor() const override { return cursor_; }
    void SetCursor(CursorShape shape) override { cursor_ = shape; }
    bool ShellOpen(const std::string&) override { return false; }
    bool StartProgram(const std::filesystem::path&, const std::vector<std::string>&) override {
        return false;
    }
    void SetClipboardText(const std::string&) override {}
    std::optional<std::string> ClipboardText() override { return std::nullopt; }
    int FontPixelHeight(const std::string&, int pointSize) override {
        return (pointSize * 96 + 36) / 72;
    }
    void ProcessMessages() override {}
    void Repaint() override {}

    // How many errors have been shown, so a command can fail after a message it did not raise.

private:
    void Print(const std::string& kind, const std::string& text);

    std::ostream& err_;
    CursorShape cursor_ = CursorShape::Default;
};

}  // namespace yomida

#pragma once

#include <deque>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Ui.h"

namespace yomida {

// A Ui for tests: records every interaction and answers questions and dialogs from queues
// filled beforehand. An unscripted question is answered No and an unscripted dialog is cancelled.
class ScriptedUi final : public Ui {
public:
    enum class Kind { Error, Warning, Confirm };
    struct Message {
        Kind kind;
        std::string text;
    };

    std::deque<bool> confirmAnswers;
    std::deque<std::optional<std::filesystem::path>> openAnswers;
    std::deque<std::optional<std::filesystem::path>> saveAnswers;
    std::deque<std::optional<FontChoice>> fontAnswers;

    std::vector<Message> messages;
    std::vector<FileDialogRequest> dialogRequests;
    std::vector<std::string> shellOpened;
    std::vector<std::filesystem::path> programsStarted;
    std::vector<CursorShape> cursorHistory;
    std::optional<std::string> clipboard;
    int messagePumps = 0;
    int repaints = 0;
    bool startProgramSucceeds = true;
    bool shellOpenSucceeds = true;

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
    void SetClipboardText(const std::string& text) override { clipboard = text; }
    std::optional<std::string> ClipboardText() override { return clipboard; }
    // Points at 96 dots per inch, as a plain desktop screen has.
    int FontPixelHeight(const std::string&, int pointSize) override {
        return (pointSize * 96 + 36) / 72;
    }
    // Stands in for the events the user sends while the logic turns the message loop.
    std::function<void()> onMessages;

    void ProcessMessages() override {
        ++messagePumps;
        if (onMessages) {
            onMessages();
        }
    }
    void Repaint() override { ++repaints; }

private:
    CursorShape cursor_ = CursorShape::Default;
};

}  // namespace yomida

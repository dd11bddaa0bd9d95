#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/FontChoice.h"

namespace yomida {

enum class CursorShape { Default, Hourglass };

// What an open or save dialog shows. Texts are CP932, like every text of the logic.
struct FileDialogRequest {
    std::string title;
    std::string filter;  // "説明|*.htm;*.html|すべて|*.*" pairs, as the dialogs take them
    std::filesystem::path initialFolder;
    std::string defaultName;
    std::string defaultExtension;  // added to a name typed without one
};

// Every modal or system interaction of the logic goes through this interface, so the logic runs
// the same under the desktop window, the command line and the tests. Texts are CP932 bytes; a
// line break inside a message is the byte pair LF CR.
class Ui {
public:
    virtual ~Ui() = default;

    virtual void ShowError(const std::string& text) = 0;
    virtual void ShowWarning(const std::string& text) = 0;
    // Yes and No; only Yes returns true.
    virtual bool Confirm(const std::string& text) = 0;
    // The same question with No as the default answer, for a Yes that gives something up.
    virtual bool ConfirmDefaultNo(const std::string& text) { return Confirm(text); }

    virtual std::optional<std::filesystem::path> OpenFileDialog(const FileDialogRequest& r) = 0;
    virtual std::optional<std::filesystem::path> SaveFileDialog(const FileDialogRequest& r) = 0;
    virtual std::optional<FontChoice> FontDialog(const FontChoice& current) = 0;

    virtual CursorShape Cursor() const = 0;
    virtual void SetCursor(CursorShape shape) = 0;

    // Opens a URL or a file in its default handler; never through a shell command line.
    virtual bool ShellOpen(const std::string& target) = 0;
    // Starts a program without waiting for it.
    virtual bool StartProgram(const std::filesystem::path& program,
                              const std::vector<std::string>& arguments) = 0;

    virtual void SetClipboardText(const std::string& text) = 0;
    virtual std::optional<std::string> ClipboardText() = 0;
    // Character height in pixels of a font of that name and point size on this screen.
    virtual int FontPixelHeight(const std::string& name, int pointSize) = 0;
    virtual void ProcessMessages() = 0;
    virtual void Repaint() = 0;
};

// Runs a handler, the top level of one user operation, and shows any failure it raises in the
// standard error box.
void RunGuarded(Ui& ui, const std::function<void()>& handler);

// Shows the hourglass for one operation and restores the previous cursor on every way out.
class HourglassCursor {
public:
    explicit HourglassCursor(Ui& ui) : ui_(ui), previous_(ui.Cursor()) {
        ui_.SetCursor(CursorShape::Hourglass);
    }
    ~HourglassCursor() { ui_.SetCursor(previous_); }
    HourglassCursor(const HourglassCursor&) = delete;
    HourglassCursor& operator=(const HourglassCursor&) = delete;

private:
    Ui& ui_;
    CursorShape previous_;
};

}  // namespace yomida

#include "support/ScriptedUi.h"

namespace yomida {
namespace {

template <typename T>
T TakeOr(std::deque<T>& queue, T fallback) {
    if (queue.empty()) {
        return fallback;
    }
    T answer = std::move(queue.front());
    queue.pop_front();
    return answer;
}

}  // namespace

void ScriptedUi::ShowError(const std::string& text) {
    messages.push_back({Kind::Error, text});
}

void ScriptedUi::ShowWarning(const std::string& text) {
    messages.push_back({Kind::Warning, text});
}

bool ScriptedUi::Confirm(const std::string& text) {
    messages.push_back({Kind::Confirm, text});
    return TakeOr(confirmAnswers, false);
}

std::optional<std::filesystem::path> ScriptedUi::OpenFileDialog(const FileDialogRequest& r) {
    dialogRequests.push_back(r);
    return TakeOr(openAnswers, std::optional<std::filesystem::path>{});
}

std::optional<std::filesystem::path> ScriptedUi::SaveFileDialog(const FileDialogRequest& r) {
    dialogRequests.push_back(r);
    return TakeOr(saveAnswers, std::optional<std::filesystem::path>{});
}

std::optional<FontChoice> ScriptedUi::FontDialog(const FontChoice&) {
    return TakeOr(fontAnswers, std::optional<FontChoice>{});
}

void ScriptedUi::SetCursor(CursorShape shape) {
    cursor_ = shape;
    cursorHistory.push_back(shape);
}

bool ScriptedUi::ShellOpen(const std::string& target) {
    shellOpened.push_back(target);
    return shellOpenSucceeds;
}

bool ScriptedUi::StartProgram(const std::filesystem::path& program,
                              const std::vector<std::string>&) {
    programsStarted.push_back(program);
    return startProgramSucceeds;
}

}  // namespace yomida

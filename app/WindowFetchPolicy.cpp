#include "app/WindowFetchPolicy.h"

namespace yomida {

bool WindowFetchPolicy::Ask(FetchQuestion, const std::string& text) {
    return ui_.Confirm(text);
}

std::optional<std::filesystem::path> WindowFetchPolicy::ChooseImportFile(
    const ImportFileChoice& choice) {
    FileDialogRequest request;
    request.initialFolder = choice.initialFolder;
    request.filter = choice.filter;
    return ui_.OpenFileDialog(request);
}

void WindowFetchPolicy::Working(bool on) {
    if (on) {
        before_.push_back(ui_.Cursor());
        ui_.SetCursor(CursorShape::Hourglass);
    } else if (!before_.empty()) {
        ui_.SetCursor(before_.back());
        before_.pop_back();
    }
}

void ShowNotices(Ui& ui, const Notices& notices) {
    for (const Notice& notice : notices) {
        if (notice.kind == Notice::Kind::Error) {
            ui.ShowError(notice.text);
        } else {
            ui.ShowWarning(notice.text);
        }
    }
}

}  // namespace yomida

#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "download/FetchPolicy.h"
#include "platform/Notice.h"
#include "platform/Ui.h"

namespace yomida {

// The window's answers while a list is brought up to date: its user is asked in a box, picks the
// saved page in a file dialog, and sees the hourglass while a step works.
class WindowFetchPolicy final : public FetchPolicy {
public:
    explicit WindowFetchPolicy(Ui& ui) : ui_(ui) {}

    bool Ask(FetchQuestion question, const std::string& text) override;
    std::optional<std::filesystem::path> ChooseImportFile(const ImportFileChoice& choice) override;
    void OpenPage(const std::string& url) override { ui_.ShellOpen(url); }
    void StartProgram(const std::filesystem::path& program) override {
        ui_.StartProgram(program, {});
    }
    void Working(bool on) override;

private:
    Ui& ui_;
    std::vector<CursorShape> before_;  // the cursor each nested step found
};

// Shows what a use case left to say, each in a box of its kind.
void ShowNotices(Ui& ui, const Notices& notices);

}  // namespace yomida

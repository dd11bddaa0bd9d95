#pragma once

#include <filesystem>
#include <string>

#include "platform/Ui.h"
#include "settings/SettingsRecord.h"

namespace yomida {

// Opens addresses, the manual and the shop's search in the user's browser, telling the user the
// address when no browser opens. Texts are CP932.
class Browser {
public:
    explicit Browser(Ui& ui) : ui_(ui) {}

    void Open(const std::string& target);
    // The manual at one of its sections ("" for the top).
    void OpenManual(const std::filesystem::path& manualFile, const std::string& section);
    // The shop's search for a text, at the shop's host and with its tag as the settings give.
    void SearchShop(const std::string& text, const SettingsRecord& settings);

private:
    Ui& ui_;
};

}  // namespace yomida

#include "app/Browser.h"

#include "download/ShopSearch.h"
#include "platform/Cp932.h"
#include "text/Messages.h"

namespace yomida {

void Browser::Open(const std::string& target) {
    bool opened = false;
    {
        HourglassCursor hourglass(ui_);
        opened = ui_.ShellOpen(target);
    }
    if (!opened) {
        ui_.ShowError(MsgText(Msg::BrowserNotStarted) + target);
    }
}

void Browser::OpenManual(const std::filesystem::path& manualFile, const std::string& section) {
    std::string target = Utf8ToCp932(manualFile.string());
    if (!section.empty()) {
        target += "#" + section;
    }
    Open(target);
}

void Browser::SearchShop(const std::string& text, const SettingsRecord& settings) {
    Open(ShopSearchUrl(text, settings.shopHost, settings.shopTag));
}

}  // namespace yomida

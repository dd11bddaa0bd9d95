#include <string>

#include "app/UFRMmain.h"
#include "download/ShopSearch.h"
#include "platform/Cp932.h"
#include "text/SjisLiteral.h"

namespace yomida {

void TFRMmain::NMHTTP1Success(int command) {
    if (command == TNMHTTP::kGet) {
        SuccessFlag = true;
    }
}

void TFRMmain::NMHTTP1Failure(int command) {
    ui_.SetCursor(CursorShape::Default);
    std::string text;
    switch (command) {
        case 0:
        case 2:
            text = "取得に失敗しました"_sj;
            break;
        case 1:
            text = "HTTP OPTIONS Failed";
            break;
        case 3:
            text = "HTTP Post Failed";
            break;
        case 4:
            text = "HTTP PUT Failed";
            break;
        case 8:
            text = "HTTP Delete Failed";
            break;
        case 11:
            text = "HTTP TRACE Failed";
            break;
        default:
            break;
    }
    ui_.ShowError(SourceURL + "\r\n" + text);
}

void TFRMmain::NMHTTP1PacketRecvd() {
    const uint64_t received = NMHTTP1.ReceivedBytes / 1024;
    const uint64_t total = NMHTTP1.AnnouncedLength / 1024;
    if (total != 0) {
        Busy.progress =
            static_cast<int>(static_cast<double>(received) / static_cast<double>(total) * 100);
        StBar.panels[0].text =
            "受信: "_sj + std::to_string(received) + " / " + std::to_string(total) + " KByte...";
    } else {
        StBar.panels[0].text = "受信: "_sj + std::to_string(received) + " KByte...";
    }
}

void TFRMmain::ShowBrowserOnExecute() {
    HourglassCursor hourglass(ui_);
    ui_.ShellOpen(SourceURL);
}

void TFRMmain::OpenManualAt(const std::string& section) {
    HourglassCursor hourglass(ui_);
    std::string target = Utf8ToCp932(Settings.manualFile.string());
    if (!section.empty()) {
        target += "#" + section;
    }
    ui_.ShellOpen(target);
}

void TFRMmain::SrcAmazon1Execute() {
    const std::string text(ComboGrid1.Cell(ComboGrid1.Col(), ComboGrid1.Row()));
    ui_.ShellOpen(ShopSearchUrl(text, ShopHost, ShopTag));
}

void TFRMmain::SrcAmazon2Execute() {
    const std::optional<std::string> text = ui_.ClipboardText();
    if (text) {
        ui_.ShellOpen(ShopSearchUrl(*text, ShopHost, ShopTag));
    }
}

}  // namespace yomida

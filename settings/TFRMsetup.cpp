#include "settings/TFRMsetup.h"

#include "text/Numbers.h"
#include "text/SjisLiteral.h"

namespace yomida {

void TFRMsetup::Fill(const SettingsRecord& settings) {
    EdtFontName = settings.fontName;
    EdtFontSize = std::to_string(settings.fontSize);
    EdtSyoDate = settings.weekBaseDate;
    EdtSyoNo = std::to_string(settings.weekBaseNumber);
    EdtListId = settings.listId;
    EdtPROXY = settings.proxy;
    EdtPORT = std::to_string(settings.port);
    CbxDialUp = settings.dialUp;
    CbxCheck = settings.checkSave;
    CbxHeader = settings.updateCheck;
}

void TFRMsetup::BtnFntChngClick(Ui& ui) {
    FontChoice current;
    current.name = EdtFontName;
    current.size = TryStrToInt(EdtFontSize).value_or(9);
    if (std::optional<FontChoice> chosen = ui.FontDialog(current)) {
        EdtFontName = chosen->name;
        EdtFontSize = std::to_string(chosen->size);
    }
}

void TFRMsetup::BtnOKClick(SettingsRecord& settings, const std::function<void()>& applySettings) {
    settings.fontName = EdtFontName;
    settings.fontSize = StrToInt(EdtFontSize);
    settings.weekBaseDate = EdtSyoDate;
    settings.weekBaseNumber = StrToInt(EdtSyoNo);
    settings.listId = EdtListId;
    settings.proxy = EdtPROXY;
    settings.port = TryStrToInt(EdtPORT).value_or(0);
    settings.dialUp = CbxDialUp;
    settings.checkSave = CbxCheck;
    settings.updateCheck = CbxHeader;
    applySettings();
}

void TFRMver::Fill(const std::string& manualLink) {
    LblVer1 = "書籍発売日検索プログラム"_sj;
    LblVer2 = std::string("YOMIDA Ver. ") + kVersion;
    LblVer3 = "YOMIDA for Linux"_sj;
    LblVer4 = "使い方は下記のマニュアルをご覧下さい"_sj;
    LblVer5 = manualLink;
}

void TFRMver::LblVer5Click(Ui& ui) {
    HourglassCursor hourglass(ui);
    ui.ShellOpen(LblVer5);
}

}  // namespace yomida

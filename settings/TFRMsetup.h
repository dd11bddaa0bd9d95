#pragma once

#include <chrono>
#include <functional>
#include <string>

#include "platform/Ui.h"
#include "settings/SettingsRecord.h"

namespace yomida {

// The logic of the dialog "YOMIDA セットアップ": five pages of settings that have no control of
// their own in the main window. Texts are CP932.
class TFRMsetup {
public:
    static constexpr const char* kPages[5] = {"フォント", "書籍検索", "PROXY", "ﾀﾞｲｱﾙｱｯﾌﾟ",
                                              "その他"};

    std::string EdtFontName;
    std::string EdtFontSize;
    std::chrono::year_month_day EdtSyoDate{};
    std::string EdtSyoNo;
    std::string EdtListId;
    std::string EdtPROXY;
    std::string EdtPORT;
    bool CbxDialUp = false;
    bool CbxCheck = true;
    bool CbxHeader = false;  // shown, never enabled
    int PageIndex = 0;       // the page last used

    // Fills every field from the settings record.
    void Fill(const SettingsRecord& settings);
    void BtnFntChngClick(Ui& ui);
    // Takes the fields into the record in order and applies them; stops with a ConversionError
    // at a start number that is no whole number, the earlier values already taken.
    void BtnOKClick(SettingsRecord& settings, const std::function<void()>& applySettings);
};

// The lines of the dialog "YOMIDA バージョン情報".
struct TFRMver {
    static constexpr const char* kVersion = "2.0.2.0";
    std::string LblVer1;
    std::string LblVer2;
    std::string LblVer3;
    std::string LblVer4;
    std::string LblVer5;  // a link

    // The link leads to the user manual beside the program.
    void Fill(const std::string& manualLink);
    void LblVer5Click(Ui& ui);
};

}  // namespace yomida

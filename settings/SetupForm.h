#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

#include "platform/FontChoice.h"
#include "platform/Result.h"
#include "settings/SettingsRecord.h"

namespace yomida {

// The logic of the dialog "YOMIDA セットアップ": six pages of settings that have no control of
// their own in the main window. It edits the main window's settings record, and applies it
// through the function handed in. Texts are CP932.
class SetupForm {
public:
    static constexpr const char* kPages[6] = {"フォント",  "書籍検索", "PROXY",
                                              "ﾀﾞｲｱﾙｱｯﾌﾟ", "その他",   "自動更新"};
    // The manual's section of each page.
    static constexpr const char* kHelpSections[6] = {"setup-font",   "setup-books", "setup-proxy",
                                                     "setup-dialup", "setup-other", "schedule"};

    // Switches the daily update on or off at an hour; returns empty when done, else the words
    // (UTF-8) why not. Unset, the schedule is only recorded.
    using ScheduleSwitch = std::function<std::string(bool on, int hour)>;

    SetupForm(SettingsRecord& settings, std::function<void()> applySettings,
              std::function<void(const std::string& section)> openManual)
        : settings_(settings),
          applySettings_(std::move(applySettings)),
          openManual_(std::move(openManual)) {}

    std::string EdtFontName;                   // font name (read-only field)
    std::string EdtFontSize;                   // font size (read-only field)
    std::chrono::year_month_day EdtSyoDate{};  // start date of the weekly numbering
    std::string EdtSyoNo;                      // start number of the weekly numbering
    std::string EdtListId;                     // month of the まんがの森 list number 1
    std::string EdtPROXY;                      // proxy server
    std::string EdtPORT;                       // proxy port
    bool CbxDialUp = false;                    // hang up at exit
    bool CbxDirect = true;                     // download the まんが王倶楽部 lists directly
    bool CbxCheck = true;                      // save the ticks at every search
    bool CbxHeader = false;                    // update check: shown, never enabled
    bool CbxSchedule = false;                  // update daily through the user's timer
    int SpnHour = 7;                           // at this hour, 0-23
    bool CbxAlarm = false;                     // calendar reminder at 09:00 the day before
    int PageIndex = 0;                         // the page last used
    ScheduleSwitch ApplySchedule;

    // Fills every field from the settings record.
    void FormShow();
    // The font the two font fields name, for the font dialog to start from, and the one the
    // user chose there.
    FontChoice CurrentFont() const;
    void TakeFont(const FontChoice& chosen);
    // Takes the fields into the record in order and applies them; stops with a ConversionError
    // at a start number that is no whole number or a list month that is no "yyyy/mm", the
    // earlier values already taken. A change of the schedule is handed to ApplySchedule first;
    // when that fails the stored schedule stays as it was, the rest is taken, and the failure
    // says why (CP932) for the user.
    Result<void> BtnOKClick();
    // The manual at the section of the page in front.
    void BtnHelpClick() {
        openManual_(PageIndex >= 0 && PageIndex < 6 ? kHelpSections[PageIndex] : "setup");
    }

    // Where the watch calendar and feed are written, shown on the update page to subscribe to.
    const std::filesystem::path& DataFolder() const { return settings_.dataFolder; }

private:
    SettingsRecord& settings_;
    std::function<void()> applySettings_;
    std::function<void(const std::string&)> openManual_;
};

}  // namespace yomida

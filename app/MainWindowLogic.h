#pragma once

#include <array>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "app/Browser.h"
#include "app/BusyDisplay.h"
#include "app/CategorySource.h"
#include "app/CategoryTree.h"
#include "app/Controls.h"
#include "app/ListExports.h"
#include "app/ReleaseList.h"
#include "app/SavedConditions.h"
#include "app/TargetPeriod.h"
#include "app/WatchDisplay.h"
#include "platform/Clock.h"
#include "platform/Ui.h"
#include "settings/SavedConditionList.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsRecord.h"
#include "settings/SetupForm.h"
#include "settings/VersionInfo.h"
#include "settings/WatchWordsForm.h"
#include "settings/WordListEditor.h"
#include "sources/Catalogue.h"
#include "sources/RecordLayout.h"
#include "text/SjisLiteral.h"

namespace yomida {

// The main window's logic: its controls, and handlers that hand the work to its parts (the
// release list, the saved conditions, the selected list's source and fetches, the watch) or to
// the window's small helpers (the tree, the period, the exports, the browser) and show what came
// of it. Every named control is a member (or a member of a part), so every handler can be called
// and checked without a display. The settings are read through CurrentSettings(). Texts are CP932.
class MainWindowLogic {
    // Made first: the dialogs' logic below keeps references into it.
    SettingsRecord Settings;

public:
    // The download manager is handed in, so tests can hand in their own.
    MainWindowLogic(Ui& ui, const Clock& clock, SourceFetcher& fetcher);

    // Controls.
    ReleaseList List;            // the result grid, the filter controls and the order box
    SavedConditions Conditions;  // the saved-condition commands
    StatusBar StBar;             // 0: category and progress, 1: record count, 2: ON or OFF
    CategoryTree TView;          // the category tree
    std::string EdtCalen;        // the target period field
    Panel PnlCli;                // holds the tree and the grid
    BusyDisplay Busy;            // Animate1, BtnCancel, PBar1
    WatchDisplay Watch;          // the watch scan and the news of conversions
    CategorySource Source;       // the selected list's data file and page, and their fetches
    std::map<int, ActionState> CategoryActions;  // 検索対象 items, by category number
    ActionState DownLoad = Captioned("データの強制ダウンロード"_sj);
    ActionState ONLINE = Captioned("オンラインモードにする"_sj);
    ActionState OFFLINE = Captioned("オフラインモードにする"_sj);
    OnOffSwitch TBtnOnOff{&ONLINE, OnOffImage::Online, {}};  // the toolbar's online/offline button
    OnOffSwitch NONOFF{&OFFLINE, OnOffImage::Online, {}};    // the file menu's online/offline item
    ActionState CheckSave = Captioned("チェックの保存"_sj);
    ActionState SaveCSV = Captioned("検索結果をCSVで出力"_sj, "検索結果をCSVで出力"_sj);
    ActionState ShowBrowserOn = Captioned("ブラウザで表示（オンライン）"_sj);
    ActionState HTMLMANUAL = Captioned("ＨＴＭＬマニュアル"_sj);
    ActionState SrcAmazon1 = Captioned("選択したセルの内容をAmazonで検索"_sj);
    ActionState SrcAmazon2 = Captioned("クリップボードの内容をAmazonで検索"_sj);

    // The dialogs' logic.
    SavedConditionList slist;   // YOMIDA 検索条件編集
    WordListEditor edit;        // YOMIDA エディター
    SetupForm setup;            // YOMIDA セットアップ
    VersionInfo ver;            // YOMIDA バージョン情報
    WatchWordsForm watchWords;  // ウォッチ設定

    const SettingsRecord& CurrentSettings() const { return Settings; }
    // Where the window stood when it was last placed, kept for the next start.
    void SetWindowGeometry(const WindowGeometry& geometry) { Settings.window = geometry; }
    void SetTreeWidth(int width) { Settings.treeWidth = width; }
    // Changes settings no control of the window shows; the dialogs change theirs themselves.
    void ChangeSettings(const std::function<void(SettingsRecord&)>& change) { change(Settings); }

    // Start and end. FormCreate returns false when the program must end at once, FormClose when
    // it must not end yet (each has told the user why). `executable` is the program's own path.
    bool FormCreate(const std::filesystem::path& executable);
    bool FormClose();

    void SaveSettings();

    // Category and period.
    void SelCategoryExecute(int category) {
        Settings.category = category;
        SelectCategory(true);
    }
    void TViewChange(int node);
    void UpDown1Click(bool next);
    // The target period, the day kept while stepping months, and the weekly list's week.
    std::chrono::year_month_day TargetDay() const { return TargetDate; }
    int TargetWeek() const { return WeekNumber; }
    void SetBusyDisplay(bool on);
    void StBarResize(int width) {
        StBar.panels[0].width = width - StBar.panels[1].width - StBar.panels[2].width;
    }
    void DownLoadExecute() { DownLoad.checked = !DownLoad.checked; }
    void ONLINEExecute() { SwitchOnline(true); }
    void OFFLINEExecute() { SwitchOnline(false); }
    bool Online() const { return Settings.online == OnlineMode::Online; }

    // Display.
    void BtnDspClick() {
        Guarded([this] { ShowReleaseList(); });
    }
    void ShowReleaseList();
    // Marks in the tree each category whose last fetch or import failed, as the data folder's
    // health file tells.
    void RefreshHealthMarks() { TView.MarkFailures(Settings.dataFolder); }
    void LoadReleaseList();
    // A display, an import or a watch scan is running and turning the message loop.
    bool Displaying() const { return displaying_ || Watch.WatchScanning(); }

    // Ticks and export of the list shown.
    // Saves the ticks; tells which it could not place when an update replaced the list.
    void CheckSaveExecute();
    void SaveCSVExecute() {
        exports_.SaveCsv(List, TargetDate.year() / TargetDate.month(), Settings.csvFolder);
    }

    // A saved page (.htm, .html) or a KOSUMIRA CSV file dropped on the window: imported for the
    // selected category and period as the import after its file dialog, then shown.
    void DropImport(const std::filesystem::path& file);
    // Whether a file of that name can be dropped at all.
    static bool CanDrop(const std::filesystem::path& file);

    // カレンダーに出力: the ticked rows (every row when none is ticked) as an iCalendar file.
    void CalendarExportExecute() {
        exports_.SaveCalendar(List, Source.DataFilePath(), WatchPlace::Of(Settings).weeks,
                              Settings.csvFolder, StBar.panels[0]);
    }

    // Shows a match's category and period with its row current.
    void WatchOpenMatch(const WatchMatch& match);

    // Cancels the transfer, or the watch scan, that runs.
    void BtnCancelClick();

    // Saved conditions and word lists.
    void JoukenSaveExecute() { slist.FormShow(); }
    // Opens the word-list editor on search box 1, 2 or 3.
    void OpenWordEditor(int box);
    void EditSYUPPANExecute() { OpenWordEditor(1); }
    void EditTITLEExecute() { OpenWordEditor(2); }
    void EditSAKUSYAExecute() { OpenWordEditor(3); }
    void CopyTITLEExecute() { List.AppendTickedColumn(2, kTitleCol, true); }
    void CopySAKUSYAExecute() { List.AppendTickedColumn(3, kAuthorCol, false); }

    // Setup and version dialogs.
    void SETUPExecute() { setup.FormShow(); }
    void VERSIONExecute() { ver.FormShow(); }

    // Browser, manual and shop search.
    void ShowBrowserOnExecute() {
        // Before the first search there is no page to show.
        if (!Source.SourceURL().empty()) {
            OpenInBrowser(Source.SourceURL());
        }
    }
    void HTMLMANUALExecute() { OpenManualAt(""); }
    void HELP_MOKUJIExecute() { OpenManualAt(""); }
    void HELP_TOPICExecute() { OpenManualAt("search"); }
    void SrcAmazon1Execute();
    void SrcAmazon2Execute();

    // Runs a handler and shows any failure it raises in the standard error box.
    void Guarded(const std::function<void()>& handler) { RunGuarded(ui_, handler); }

    Ui& ui() { return ui_; }

private:
    void LoadSettings();
    void ApplySettings();
    void SelectCategory(bool selectLeaf);
    // One warning at start naming each source definition that cannot be used: file, line, why.
    void WarnOfUnusableDefinitions();
    // Today's month and week, shown in the period field.
    void ShowToday() {
        TargetDate = clock_.Today();
        WeekNumber = Settings.Weeks().WeekOf(TargetDate);
        EdtCalen = PeriodText();
    }
    std::string PeriodText() const {
        return TargetPeriodText(Settings.category, TargetDate, WeekNumber, Settings);
    }
    void RefreshCategoryIcons();
    // What every display does first: saves the ticks shown and empties the grid.
    void BeginDisplay();
    void SwitchOnline(bool online);
    // The manual at one of its sections ("" for the top).
    void OpenManualAt(const std::string& section) {
        browser_.OpenManual(Settings.manualFile, section);
    }
    void OpenInBrowser(const std::string& target) { browser_.Open(target); }

    Ui& ui_;
    const Clock& clock_;
    Browser browser_;
    ListExports exports_;
    std::chrono::year_month_day TargetDate{};
    int WeekNumber = 0;
    bool displaying_ = false;
    // The settings file as read at the start, so the save at the end keeps other programs'
    // changes.
    std::optional<SettingsFile> settingsFile_;
};

}  // namespace yomida

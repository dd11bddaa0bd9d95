#pragma once

#include <array>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "app/CategoryTree.h"
#include "app/ComboGrid.h"
#include "app/Controls.h"
#include "app/SearchFilter.h"
#include "app/SourceFetcher.h"
#include "download/TSUBget.h"
#include "platform/Clock.h"
#include "platform/Collation.h"
#include "platform/Ui.h"
#include "settings/SettingsRecord.h"
#include "settings/TFRMedit.h"
#include "settings/TFRMsetup.h"
#include "settings/TFRMslist.h"
#include "sources/Catalogue.h"
#include "text/Scrambler.h"

namespace yomida {

struct WindowGeometry {
    int top = 69;
    int left = 204;
    int width = 691;
    int height = 614;
    bool maximized = false;
};

enum class GridKey { Left, Other };
enum class CellAlignment { Left, Center, Right };

// How the grid draws one cell.
struct CellLook {
    CellAlignment alignment = CellAlignment::Left;
    bool ticked = false;  // the row is ticked: pure green background
};

// The busy display shown during a transfer: animation, cancel button and progress bar.
struct BusyDisplay {
    bool animating = false;
    bool animationVisible = false;
    int animationLeft = 0;
    bool cancelVisible = false;
    int cancelLeft = 0;
    bool progressVisible = false;
    int progress = 0;
    int progressMax = 100;
};

// The tool button and menu item that switch between online and offline each carry the action
// for the state they switch to.
struct OnOffSwitch {
    const ActionState* action = nullptr;
    int image = 0;
    std::string hint;
};

// The main window's logic. The filter controls come from SearchFilter, so every named control
// is a member of the window as the handlers expect. Texts are CP932.
class TFRMmain : public SearchFilter {
    // Declared first, so it exists before the HTTP client that connects through it.
    PosixTcpConnector tcp_;

public:
    static constexpr int kAnimationWidth = 80;

    TFRMmain(Ui& ui, Scrambler& scrambler, const Clock& clock);

    // Controls.
    ComboGrid ComboGrid1;
    StatusBar StBar;  // 0: category and progress, 1: record count, 2: ON or OFF
    ComboBox CmbSort;
    CategoryTree TView;
    std::string EdtCalen;  // the target period text
    Panel PnlCli;          // holds the tree and the grid
    BusyDisplay Busy;      // Animate1, BtnCancel, PBar1
    WindowGeometry Geometry;
    int GridRowHeight = 24;
    std::array<ActionState, kCategoryCount + 1> CategoryActions;  // by category number
    ActionState DownLoad;
    ActionState ONLINE;
    ActionState OFFLINE;
    OnOffSwitch TBtnOnOff;
    OnOffSwitch NONOFF;
    std::array<ActionState, kSavedConditionCount> Jouken;

    // State.
    SettingsRecord Settings;
    HostTable Hosts;
    std::chrono::year_month_day TargetDate{};
    int WeekNumber = 0;
    bool DirectFetch = false;
    std::filesystem::path DataFilePath;
    std::string SourceURL;
    std::string StampPrefix;  // "\"stamp\"," of the last direct fetch, empty before one
    TSUBget DataModule;
    TNMHTTP NMHTTP1;
    bool SuccessFlag = false;  // set by the HTTP client's success event for a GET
    std::string ShopHost = "www.amazon.co.jp";
    std::string ShopTag = "yomida-22";

    // Stands in for the data module's fetch and update check, for tests.
    void SetSourceFetcher(SourceFetcher* fetcher) { fetcher_ = fetcher; }

    // Start and end. FormCreate returns false when the program must end at once, FormClose when
    // it must not end yet (each has told the user why). `executable` is the program's own path.
    bool FormCreate(const std::filesystem::path& executable);
    bool FormClose();

    void LoadSettings();
    void ApplySettings();
    void SaveSettings();

    // Category and period.
    void SelectCategory(bool selectLeaf);
    void SelCategoryExecute(int category);
    void TViewChange(int node);
    void UpDown1Click(bool next);
    void SetBusyDisplay(bool on);
    void StBarResize(int width);
    void DownLoadExecute() { DownLoad.checked = !DownLoad.checked; }
    void ONLINEExecute();
    void OFFLINEExecute();

    // Display.
    void BtnDspClick();
    void ShowReleaseList();
    bool ResolveCategorySource();
    void RefreshCategoryIcons();
    void LoadReleaseList();
    bool Displaying() const { return displaying_; }

    // Ordering.
    void CmbSortChange();
    // Negative, zero or positive as row a sorts before, with or after row b.
    int CompareRows(int rowA, int rowB);
    int CurrentSortOrder = 0;

    // Check marks.
    void ComboGrid1Click();
    // Returns true when the key is swallowed.
    bool ComboGrid1KeyDown(GridKey key);
    void ComboGrid1MouseWheelDown(int linesPerNotch);
    void ComboGrid1MouseWheelUp(int linesPerNotch);
    CellLook ComboGrid1AlignCellEvent(int col, int row);
    void CheckSaveExecute();
    ActionState CheckSave;

    // CSV export.
    void SaveCSVExecute();
    ActionState SaveCSV;

    // HTTP client events and the cancel button.
    void NMHTTP1Success(int command);
    void NMHTTP1Failure(int command);
    void NMHTTP1PacketRecvd();
    void BtnCancelClick() { NMHTTP1.Cancel(); }

    // Saved search conditions.
    void ApplySavedCondition(int slot);
    void JoukenExecute(int slot) { ApplySavedCondition(slot); }
    void JoukenDelExecute();
    void JoukenSaveExecute() { slist.FormShow(Settings.conditions); }
    // The condition options of the search controls: order, range switch, days, thirds.
    std::string ConditionOptions() const;
    TFRMslist slist;

    // Word lists.
    // Opens the word-list editor on search box 1, 2 or 3.
    void OpenWordEditor(int box);
    void EditSYUPPANExecute() { OpenWordEditor(1); }
    void EditTITLEExecute() { OpenWordEditor(2); }
    void EditSAKUSYAExecute() { OpenWordEditor(3); }
    void WordEditorOK();
    void CopyTITLEExecute();
    void CopySAKUSYAExecute();
    TFRMedit edit;

    // Setup and version dialogs.
    void SETUPExecute() { setup.Fill(Settings); }
    void SetupOK() {
        setup.BtnOKClick(Settings, [this] { ApplySettings(); });
    }
    void VERSIONExecute();
    TFRMsetup setup;
    TFRMver ver;

    // Browser, manual and shop search.
    void ShowBrowserOnExecute();
    void HTMLMANUALExecute() { OpenManualAt(""); }
    void HELP_MOKUJIExecute() { OpenManualAt(""); }
    void HELP_TOPICExecute() { OpenManualAt("search"); }
    // Opens the manual at one of its sections ("" for the top).
    void OpenManualAt(const std::string& section);
    void SrcAmazon1Execute();
    void SrcAmazon2Execute();
    ActionState ShowBrowserOn;
    ActionState HTMLMANUAL;
    ActionState SrcAmazon1;
    ActionState SrcAmazon2;

    // The target period text for the selected category.
    std::string PeriodText() const;

    // Runs a handler and shows any failure it raises in the standard error box.
    void Guarded(const std::function<void()>& handler);

    Ui& ui() { return ui_; }

private:
    void ReadLinesIntoGrid(class TextFileReader& file, int& widest);
    void BuildCategoryTree();
    void SwitchOnline(bool online);
    bool FetchSource();
    bool CheckForUpdate();
    void WriteCheckedLines(const std::filesystem::path& plainFile);
    void CopyCheckedColumn(int box, int column, bool protectSpaces);
    FetchContext MakeFetchContext();
    Collator& SortCollator();

    Ui& ui_;
    Scrambler& scrambler_;
    const Clock& clock_;
    SourceFetcher* fetcher_ = nullptr;
    bool displaying_ = false;
    std::unique_ptr<Collator> collator_;
};

}  // namespace yomida

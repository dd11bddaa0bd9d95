#include "app/MainWindowLogic.h"

#include <algorithm>
#include <cstdlib>

#include "app/ListLayout.h"
#include "engine/ProgramSettings.h"
#include "engine/Release.h"
#include "platform/Cp932.h"
#include "platform/FileSystem.h"
#include "platform/ScopeExit.h"
#include "settings/SettingsFile.h"
#include "sources/DefinedSources.h"
#include "sources/RecordLayout.h"
#include "text/Messages.h"
#include "text/Numbers.h"
#include "text/Sjis.h"
#include "text/SjisLiteral.h"

namespace yomida {
namespace {

using namespace std::chrono;

std::string LowerExtension(const std::filesystem::path& file) {
    return AsciiLower(file.extension().string());
}

const char* const kBoxNames[] = {"CmbSrch1", "CmbSrch2", "CmbSrch3"};

}  // namespace

MainWindowLogic::MainWindowLogic(Ui& ui, const Clock& clock, SourceFetcher& fetcher)
    : List(ui, clock),
      Conditions(Settings.conditions, List),
      TView(CategoryTree::Build()),
      Watch(ui, clock, Settings, StBar.panels[0], Busy, [this] { return displaying_; }),
      Source(ui, clock, fetcher,
             {Settings, TargetDate, WeekNumber, StBar.panels[0], Busy, DownLoad, TView, Watch,
              [this](bool on) { SetBusyDisplay(on); }}),
      slist(SavedConditionListLinks{
          Settings.conditions,
          [this] {
              const SearchFilter& f = List.Filter;
              return std::array<std::string, 4>{Conditions.ConditionOptions(), f.CmbSrch1.text,
                                                f.CmbSrch2.text, f.CmbSrch3.text};
          },
          [this] { ApplySettings(); }, [this](const std::string& s) { OpenManualAt(s); }}),
      edit([this](const std::string& boxName, const std::string& text) {
          for (int box = 1; box <= 3; ++box) {
              if (boxName == kBoxNames[box - 1]) {
                  List.Filter.SearchBox(box).text = text;
              }
          }
      }),
      setup(
          Settings, [this] { ApplySettings(); }, [this](const std::string& s) { OpenManualAt(s); }),
      ver([this] { return Utf8ToCp932(Settings.manualFile.string()); },
          [this](const std::string& link) {
              HourglassCursor hourglass(ui_);
              ui_.ShellOpen(link);
          }),
      watchWords(Settings),
      ui_(ui),
      clock_(clock),
      browser_(ui),
      exports_(ui, clock) {
    // One item for every category of the catalogue, those of the source definitions included.
    for (const CategoryInfo& c : Categories()) {
        CategoryActions[c.number] = ActionState{};
    }
    StBar.panels[1].width = 70;
    StBar.panels[2].width = 35;
    TargetDate = clock.Today();
}

bool MainWindowLogic::FormCreate(const std::filesystem::path& executable) {
    for (const CategoryInfo& c : Categories()) {
        CategoryActions[c.number].caption = TView.Leaf(c.number).caption =
            Utf8ToCp932(c.displayName);
    }
    Settings.SetPaths(ResolveProgramPaths(executable, PathEnvironment::Current()));
    try {
        if (!MakeProgramFolders(Settings)) {
            ui_.ShowError(Utf8ToCp932((Settings.dataFolder / "").string()) +
                          MsgText(Msg::FolderNotCreated));
            return false;
        }
        LoadSettings();
    } catch (const std::exception& e) {
        ui_.ShowError(Utf8ToCp932(e.what()));
        return false;
    }
    ApplySettings();
    std::string refused = Source.Updates().Hosts().RefusedText();
    const std::string templates = Source.Updates().Sources().RefusedText();
    if (!templates.empty()) {
        refused += (refused.empty() ? "" : "\n\r") + templates;
    }
    if (!refused.empty()) {
        ui_.ShowWarning(refused);
    }
    WarnOfUnusableDefinitions();
    ShowToday();
    // A setting the catalogue cannot use (a list month typed wrongly, say) is reported like
    // any other error; the window still opens so it can be corrected in the setup dialog.
    bool selected = false;
    Guarded([this, &selected] {
        SelectCategory(false);
        selected = true;
    });
    if (!selected) {
        // The month buttons' round trip stopped half way: start on today's period all the same.
        ShowToday();
    }
    SwitchOnline(Online());
    return true;
}

void MainWindowLogic::WarnOfUnusableDefinitions() {
    const std::shared_ptr<const DefinitionSet> definitions = InstalledDefinitions();
    const std::string problems = definitions ? definitions->WarningText() : std::string();
    if (problems.empty()) {
        return;
    }
    std::string lines;
    for (const char c : Utf8ToCp932(problems)) {
        lines += c == '\n' ? std::string("\n\r") : std::string(1, c);
    }
    ui_.ShowWarning(MsgText(Msg::DefinitionsLeftOut) + lines);
}

bool MainWindowLogic::FormClose() {
    StBar.panels[0].text = MsgText(Msg::Closing);
    ui_.Repaint();
    PnlCli.visible = false;
    if (Settings.checkSave) {
        try {
            CheckSaveExecute();
        } catch (const std::exception& e) {
            // The ticks could not be saved. The user may keep the window open to keep them, but
            // a folder that stays read-only must not make the window impossible to close.
            if (!ui_.ConfirmDefaultNo(Utf8ToCp932(e.what()) +
                                      MsgText(Msg::QuitWithoutSavingTicks))) {
                PnlCli.visible = true;
                return false;
            }
        }
    }
    SaveSettings();
    // Hanging up a dial-up connection has no counterpart here; the setting is only kept.
    return true;
}

void MainWindowLogic::LoadSettings() {
    settingsFile_.emplace(Settings.settingsFile);
    ReadProgramSettings(Settings);
    settingsFile_->KeepAsRead(Settings);
    ShowListLayout(Settings, List);
    // Source hosts and addresses can be pointed elsewhere without rebuilding the program.
    Source.UseSettings(Settings);
}

void MainWindowLogic::ApplySettings() {
    Settings.gridRowHeight =
        std::abs(ui_.FontPixelHeight(Settings.fontName, Settings.fontSize)) + 2;
    Conditions.RefreshCaptions();
}

void MainWindowLogic::SaveSettings() {
    KeepListLayout(List, Settings);
    try {
        if (settingsFile_) {
            settingsFile_->Write(Settings);
        } else {
            WriteSettingsFile(Settings, Settings.settingsFile);
        }
    } catch (const std::exception&) {
        std::string text = MsgText(Msg::CannotWrite);
        text.replace(text.find("%s"), 2, Utf8ToCp932(Settings.settingsFile.string()));
        ui_.ShowError(text);
    }
}

void MainWindowLogic::SelectCategory(bool selectLeaf) {
    for (auto& [number, action] : CategoryActions) {
        action.checked = false;
    }
    const CategoryInfo* c = FindCategory(Settings.category);
    if (c != nullptr) {
        CategoryActions[c->number].checked = true;
        const int leaf = TreeNodeOf(c->number);
        if (selectLeaf && TView.selected != leaf) {
            TView.selected = leaf;
            TViewChange(leaf);
        }
        StBar.panels[0].text = CategoryActions[c->number].caption + MsgText(Msg::CategorySearch);
    }
    UpDown1Click(true);
    UpDown1Click(false);
}

void MainWindowLogic::TViewChange(int node) {
    const CategoryInfo* c = FindCategoryByTreeNode(node);
    if (c == nullptr) {
        return;
    }
    SelCategoryExecute(c->number);
    TView.enabled = false;
    Guarded([this] { ShowReleaseList(); });
    TView.enabled = true;
}

void MainWindowLogic::UpDown1Click(bool next) {
    if (IsWeeklyCategory(Settings.category)) {
        WeekNumber += next ? 1 : -1;
    } else {
        TargetDate = StepMonth(TargetDate, next);
    }
    EdtCalen = PeriodText();
    RefreshCategoryIcons();
}

void MainWindowLogic::SetBusyDisplay(bool on) {
    PnlCli.visible = !on;
    if (on) {
        Busy.ShowTransfer(Settings.window.width);
        // The busy display, and the forced-download toggle the fetch has just cleared, show
        // before the transfer first waits.
        ui_.Repaint();
    } else {
        Busy.Hide();
        SelectCategory(true);
    }
}

void MainWindowLogic::SwitchOnline(bool online) {
    // Both controls then carry the action that switches back.
    ActionState* other = online ? &OFFLINE : &ONLINE;
    NONOFF.action = other;
    TBtnOnOff.action = other;
    TBtnOnOff.image = online ? OnOffImage::Online : OnOffImage::Offline;
    TBtnOnOff.hint = "オン・オフライン切替"_sj;
    StBar.panels[2].text = online ? "ON" : "OFF";
    Settings.online = online ? OnlineMode::Online : OnlineMode::Offline;
}

void MainWindowLogic::CheckSaveExecute() {
    const TickSave saved = List.SaveTicks(Source.DataFilePath());
    if (saved.unplaced.empty()) {
        return;
    }
    std::string text = MsgText(Msg::TicksNotPlaced);
    for (const std::string& title : saved.unplaced) {
        text += "\n\r" + title;
    }
    ui_.ShowWarning(text);
}

void MainWindowLogic::BeginDisplay() {
    if (Settings.checkSave) {
        CheckSaveExecute();
    }
    List.ComboGrid1.KeepHeaderOnly();
}

void MainWindowLogic::ShowReleaseList() {
    // The message loop turns during a transfer, so a second display could start inside a
    // running one; it is ignored and the running one ends undisturbed.
    if (Displaying()) {
        return;
    }
    displaying_ = true;
    const ScopeExit reset([this] { displaying_ = false; });

    BeginDisplay();
    if (Source.Update()) {
        LoadReleaseList();
    }
}

void MainWindowLogic::RefreshCategoryIcons() {
    for (const CategoryInfo& c : Categories()) {
        if (c.period == Period::Week) {
            continue;  // the weekly list keeps its design icon
        }
        TView.ShowStored(c.number, FileExists(Source.Locate(c.number).dataFile));
    }
    RefreshHealthMarks();
}

void MainWindowLogic::LoadReleaseList() {
    const int count = List.Load(Source.DataFilePath(), List.Filter.Submit());
    StBar.panels[1].text = std::to_string(count) + MsgText(Msg::Items);
    RefreshCategoryIcons();
}

bool MainWindowLogic::CanDrop(const std::filesystem::path& file) {
    const std::string extension = LowerExtension(file);
    return extension == ".htm" || extension == ".html" || extension == ".csv";
}

void MainWindowLogic::DropImport(const std::filesystem::path& file) {
    if (Displaying()) {
        return;
    }
    const CategoryInfo* c = FindCategory(Settings.category);
    if (c == nullptr) {
        return;
    }
    const bool csv = LowerExtension(file) == ".csv";
    const bool wantsCsv = c->acquisition == Acquisition::KosumiraCsv;
    if (!CanDrop(file) || csv != wantsCsv) {
        ui_.ShowWarning(wantsCsv ? MsgText(Msg::PlaceKosumiraCsv) : MsgText(Msg::PlaceSavedPage));
        return;
    }
    if (!FileExists(file)) {
        ui_.ShowError(MsgText(Msg::FileMissing));
        return;
    }
    displaying_ = true;
    const ScopeExit reset([this] { displaying_ = false; });
    BeginDisplay();
    if (Source.Import(file)) {
        LoadReleaseList();
    }
}

void MainWindowLogic::BtnCancelClick() {
    Source.Cancel();
    Watch.Cancel();
}

void MainWindowLogic::WatchOpenMatch(const WatchMatch& match) {
    const std::optional<WatchFile> named = WatchService::ListOf(WatchPlace::Of(Settings), match);
    if (Displaying() || !named) {
        return;
    }
    // Category and period are both set before the one display: choosing the leaf through its
    // change event would first display the period shown until now.
    Settings.category = named->category->number;
    if (named->weekDay) {
        WeekNumber = StrToInt(named->periodKey);
    } else {
        TargetDate = year_month_day{named->month / day{1}};
    }
    TView.selected = TreeNodeOf(Settings.category);
    SelectCategory(false);
    ShowReleaseList();
    if (const std::optional<size_t> index = WatchService::IndexOf(List.ComboGrid1.Rows(), match)) {
        const int row = static_cast<int>(*index) + ComboGrid::kFirstRecordRow;
        List.ComboGrid1.SetCurrentCell(kPublisherCol, row);
        List.ComboGrid1.SetTopRow(row);
    }
}

void MainWindowLogic::OpenWordEditor(int box) {
    edit.Open(kBoxNames[box - 1], List.Filter.SearchBox(box).text);
}

void MainWindowLogic::SrcAmazon1Execute() {
    const ComboGrid& grid = List.ComboGrid1;
    browser_.SearchShop(std::string(ShownCell(grid, grid.Col(), grid.Row())), Settings);
}

void MainWindowLogic::SrcAmazon2Execute() {
    if (const std::optional<std::string> text = ui_.ClipboardText()) {
        browser_.SearchShop(*text, Settings);
    }
}

}  // namespace yomida

#include <string>
#include <vector>

#include "app/UFRMmain.h"
#include "platform/FileSystem.h"
#include "platform/TextFile.h"
#include "text/CommaText.h"
#include "text/NormaliseWidth.h"
#include "text/Sjis.h"
#include "text/SjisLiteral.h"

namespace yomida {
namespace {

// Appends a field as the grid shows it: full-width spaces as half-width ones, no blanks at
// either end.
void AppendCellText(std::string_view field, std::string& scratch, std::string& row) {
    scratch.clear();
    ReplaceAllSjisInto(field, "　"_sj, " ", scratch);
    row.append(TrimControls(scratch));
}

}  // namespace

void TFRMmain::BtnDspClick() {
    Guarded([this] { ShowReleaseList(); });
}

void TFRMmain::ShowReleaseList() {
    // The message loop turns during a transfer, so a second display could start inside a
    // running one; it is ignored and the running one ends undisturbed.
    if (displaying_) {
        return;
    }
    displaying_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{displaying_};

    if (Settings.checkSave) {
        CheckSaveExecute();
    }
    ComboGrid1.SetRowCount(2);
    ComboGrid1.ClearRow(1);
    if (!ResolveCategorySource()) {
        return;
    }
    const bool online = Settings.onOffLine == "ON";
    if (!online && DownLoad.checked) {
        ui_.ShowWarning("オフラインモードでデータの強制ダウンロードはできません。"_sj);
        return;
    }
    if (!FileExists(DataFilePath)) {
        if (!online) {
            ui_.ShowError("データファイルがありません。"_sj);
            return;
        }
        if (!ui_.Confirm("データをダウンロードしますか？"_sj) || !FetchSource()) {
            return;
        }
    } else if (online) {
        if (DownLoad.checked) {
            if (ui_.Confirm("データをダウンロードしますか？"_sj) && !FetchSource()) {
                return;
            }
        } else if (Settings.updateCheck && CheckForUpdate() && !SourceURL.empty()) {
            if (ui_.Confirm("データが更新されました。\n\rデータを再ダウンロードしますか？\n\r\n\r"
                            "※チェックはクリアされます"_sj) &&
                !FetchSource()) {
                return;
            }
        }
    }
    if (FileExists(DataFilePath)) {
        LoadReleaseList();
    }
}

FetchContext TFRMmain::MakeFetchContext() {
    FetchContext context;
    context.category = Settings.category;
    context.directFetch = &DirectFetch;
    context.sourceUrl = SourceURL;
    context.dataFile = DataFilePath;
    context.target = TargetDate;
    context.settings = &Settings;
    context.stampPrefix = &StampPrefix;
    context.forcedDownload = &DownLoad.checked;
    context.setBusyDisplay = [this](bool on) { SetBusyDisplay(on); };
    context.setStatusText = [this](const std::string& text) {
        StBar.panels[0].text = text;
        ui_.Repaint();
    };
    context.http = &NMHTTP1;
    context.successFlag = &SuccessFlag;
    return context;
}

bool TFRMmain::FetchSource() {
    if (fetcher_ != nullptr) {
        return fetcher_->FetchSource();
    }
    FetchContext context = MakeFetchContext();
    return DataModule.FetchSource(context);
}

bool TFRMmain::CheckForUpdate() {
    if (fetcher_ != nullptr) {
        return fetcher_->CheckForUpdate();
    }
    FetchContext context = MakeFetchContext();
    return DataModule.CheckForUpdate(context);
}

bool TFRMmain::ResolveCategorySource() {
    SourceQuery q;
    q.category = Settings.category;
    q.target = TargetDate;
    q.weekNumber = WeekNumber;
    q.dataFolder = Settings.dataFolder;
    q.listId = Settings.listId;
    q.onOffLine = Settings.onOffLine;
    q.hosts = &Hosts;
    const BookTownProbe probe = [this]() {
        FetchContext context = MakeFetchContext();
        return DataModule.ProbeBookTownMonth(context, Hosts.Host(SourceSite::BookTown));
    };
    return yomida::ResolveCategorySource(q, probe, DataFilePath, SourceURL);
}

void TFRMmain::RefreshCategoryIcons() {
    // Everything the scan changes comes back as it was, whatever happens.
    struct Restore {
        TFRMmain& f;
        int category = f.Settings.category;
        std::filesystem::path path = f.DataFilePath;
        std::string url = f.SourceURL;
        std::string onOff = f.Settings.onOffLine;
        ~Restore() {
            f.Settings.category = category;
            f.DataFilePath = path;
            f.SourceURL = url;
            f.Settings.onOffLine = onOff;
        }
    } restore{*this};
    Settings.onOffLine = "OFF";  // no month probe, no network
    for (const CategoryInfo& c : Categories()) {
        if (c.number == 2) {
            continue;  // the weekly list keeps its design icon
        }
        Settings.category = c.number;
        ResolveCategorySource();
        const bool present = FileExists(DataFilePath);
        TView.nodes[static_cast<size_t>(c.treeNode)].imageIndex =
            c.audioVisual ? (present ? kImageAvPresent : kImageAvMissing)
                          : (present ? kImageBookPresent : kImageBookMissing);
    }
}

void TFRMmain::ReadLinesIntoGrid(TextFileReader& file, int& widest) {
    const std::string& fullWidthSpace = "　"_sj;
    const std::string& ticked = "■"_sj;
    const std::string& unticked = "□"_sj;
    std::string line;
    std::string plain;
    std::string spaced;
    std::string scratch;
    std::string rowData;
    std::vector<std::string> fields;
    while (file.ReadLine(line)) {
        scrambler_.ScrambleLineInPlace(line);
        NormaliseWidthInto(line, plain);
        // Protect spaces so the split cuts at commas only.
        spaced.clear();
        ReplaceAllSjisInto(plain, " ", fullWidthSpace, spaced);
        SplitCommaText(spaced, fields);
        if (fields.size() >= 2 && fields[1] == "No") {
            fields.erase(fields.begin());  // drop the update stamp in front of the header
        }
        if (fields.size() < 2) {
            continue;  // never written by the program; nothing to show
        }
        if (fields[0] != "No" && !RecordMatches(fields)) {
            continue;
        }
        rowData.clear();
        for (size_t i = 0; i < fields.size(); ++i) {
            if (i > 0) {
                rowData += ComboGrid::kCellSeparator;
            }
            if (i == 1) {
                rowData += fields[i] == "1" ? ticked : unticked;
            } else {
                AppendCellText(fields[i], scratch, rowData);
            }
        }
        ComboGrid1.SetRowCount(ComboGrid1.RowCount() + 1);
        ComboGrid1.RowData(ComboGrid1.RowCount() - 3) = rowData;
        widest = std::max(widest, static_cast<int>(fields.size()));
    }
}

void TFRMmain::LoadReleaseList() {
    HourglassCursor hourglass(ui_);
    TextFileReader file(DataFilePath);
    ComboGrid1.SetRowCount(2);
    int widest = 0;

    for (int box = 1; box <= 3; ++box) {
        PushSearchHistory(box);
    }
    BuildWordLists();
    scrambler_.ResetScramble();

    try {
        ReadLinesIntoGrid(file, widest);
        const int rows = ComboGrid1.RowCount();
        if (rows > 3) {
            ComboGrid1.SetRowCount(rows - 2);
            StBar.panels[1].text = std::to_string(rows - 3) + "件"_sj;
        } else {
            ComboGrid1.SetRowCount(2);
            ComboGrid1.ClearRow(1);
            StBar.panels[1].text = "0件"_sj;
        }
        if (widest > 0) {
            ComboGrid1.SetColCount(widest);
        }
        if (widest >= 8) {
            ComboGrid1.SetColWidth(7, ComboGrid1.EighthColWidth());
        }
        RefreshCategoryIcons();
    } catch (...) {
        file.Close();
        CmbSortChange();
        throw;
    }
    file.Close();
    CmbSortChange();
}

}  // namespace yomida

#include "app/UFRMmain.h"

#include <cstdio>

#include <algorithm>

#include "platform/Cp932.h"
#include "platform/FileSystem.h"
#include "text/SjisLiteral.h"

namespace yomida {
namespace {

using namespace std::chrono;

struct TreeGroup {
    const char* caption;
    int node;
};
constexpr TreeGroup kTreeGroups[] = {
    {"コミック", 0}, {"耽美", 5}, {"文庫", 7}, {"書籍", 10}, {"ＡＶ", 17}};
constexpr int kTreeNodeCount = 20;

year_month_day AddMonths(year_month_day d, int months) {
    year_month ym = year_month{d.year(), d.month()} + std::chrono::months{months};
    const day last = year_month_day_last{ym.year(), month_day_last{ym.month()}}.day();
    return year_month_day{ym.year(), ym.month(), std::min(d.day(), last)};
}

std::string MonthDay(year_month_day d) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02u/%02u", static_cast<unsigned>(d.month()),
                  static_cast<unsigned>(d.day()));
    return buf;
}

}  // namespace

TFRMmain::TFRMmain(Ui& ui, Scrambler& scrambler, const Clock& clock)
    : SearchFilter(clock),
      DataModule(scrambler, ui, clock),
      NMHTTP1(tcp_),
      slist(ui,
            [this] {
                return std::array<std::string, 4>{ConditionOptions(), CmbSrch1.text, CmbSrch2.text,
                                                  CmbSrch3.text};
            }),
      ui_(ui),
      scrambler_(scrambler),
      clock_(clock) {
    ComboGrid1.SetColCount(8);
    StBar.panels[1].width = 70;
    StBar.panels[2].width = 35;
    DownLoad.caption = "データの強制ダウンロード"_sj;
    CheckSave.caption = "チェックの保存"_sj;
    SaveCSV.caption = "検索結果をCSVで出力"_sj;
    SaveCSV.hint = SaveCSV.caption;
    ONLINE.caption = "オンラインモードにする"_sj;
    OFFLINE.caption = "オフラインモードにする"_sj;
    TBtnOnOff.action = &ONLINE;
    NONOFF.action = &OFFLINE;
    TargetDate = clock.Today();
    BuildCategoryTree();
    ShowBrowserOn.caption = "ブラウザで表示（オンライン）"_sj;
    HTMLMANUAL.caption = "ＨＴＭＬマニュアル"_sj;
    SrcAmazon1.caption = "選択したセルの内容をAmazonで検索"_sj;
    SrcAmazon2.caption = "クリップボードの内容をAmazonで検索"_sj;
    NMHTTP1.OnSuccess = [this](int command) { NMHTTP1Success(command); };
    NMHTTP1.OnFailure = [this](int command) { NMHTTP1Failure(command); };
    NMHTTP1.OnPacketRecvd = [this] { NMHTTP1PacketRecvd(); };
    NMHTTP1.MessagePump = [this] { ui_.ProcessMessages(); };
    // A marker file in the data folder sends every fetch to the manual import.
    scrambler_.SetMarkerFoundHandler([this] { DirectFetch = false; });
}

void TFRMmain::BuildCategoryTree() {
    TView.nodes.assign(kTreeNodeCount, TreeNode{});
    for (const TreeGroup& g : kTreeGroups) {
        TView.nodes[static_cast<size_t>(g.node)].caption = Utf8ToCp932(g.caption);
    }
    for (const CategoryInfo& c : Categories()) {
        TreeNode& leaf = TView.nodes[static_cast<size_t>(c.treeNode)];
        leaf.caption = Utf8ToCp932(c.designCaption);
        leaf.category = c.number;
        leaf.imageIndex = c.audioVisual ? kImageAvPresent : kImageBookPresent;
        leaf.selectedIndex = c.audioVisual ? kImageAvSelected : kImageBookSelected;
    }
}

bool TFRMmain::FormCreate(const std::filesystem::path& executable) {
    CmbSort.items = {"発売日順"_sj, "出版社順"_sj, "タイトル順"_sj, "価格順"_sj};
    for (const CategoryInfo& c : Categories()) {
        const std::string name = Utf8ToCp932(c.displayName);
        CategoryActions[static_cast<size_t>(c.number)].caption = name;
        TView.nodes[static_cast<size_t>(c.treeNode)].caption = name;
    }
    Settings.DerivePaths(executable);
    try {
        if (!DirectoryExists(Settings.dataFolder)) {
            std::error_code ec;
            std::filesystem::create_directory(Settings.dataFolder, ec);
        }
        if (!DirectoryExists(Settings.dataFolder)) {
            ui_.ShowError(Utf8ToCp932((Settings.dataFolder / "").string()) +
                          "フォルダが作成できません"_sj);
            return false;
        }
        scrambler_.SetDataFolder(Settings.dataFolder);
        LoadSettings();
    } catch (const std::exception& e) {
        ui_.ShowError(Utf8ToCp932(e.what()));
        return false;
    }
    ApplySettings();

    const year_month_day today = clock_.Today();
    TargetDate = today;
    const auto days = (sys_days{today} - sys_days{Settings.weekBaseDate}).count();
    WeekNumber = Settings.weekBaseNumber + static_cast<int>(days / 7);
    EdtCalen = PeriodText();

    SelectCategory(false);
    if (Settings.onOffLine == "ON") {
        ONLINEExecute();
    } else {
        OFFLINEExecute();
    }
    return true;
}

bool TFRMmain::FormClose() {
    StBar.panels[0].text = "終了処理中　しばらくお待ち下さい"_sj;
    ui_.Repaint();
    PnlCli.visible = false;
    if (Settings.checkSave) {
        try {
            CheckSaveExecute();
        } catch (const std::exception& e) {
            // The ticks could not be saved: the window stays open so they are not lost.
            ui_.ShowError(Utf8ToCp932(e.what()));
            PnlCli.visible = true;
            return false;
        }
    }
    SaveSettings();
    // Hanging up a dial-up connection has no counterpart here; the setting is only kept.
    return true;
}

void TFRMmain::SelectCategory(bool selectLeaf) {
    for (ActionState& a : CategoryActions) {
        a.checked = false;
    }
    const CategoryInfo* c = FindCategory(Settings.category);
    if (c != nullptr) {
        CategoryActions[static_cast<size_t>(c->number)].checked = true;
        DirectFetch = c->directFetch;
        if (selectLeaf && TView.selected != c->treeNode) {
            TView.selected = c->treeNode;
            TViewChange(c->treeNode);
        }
        StBar.panels[0].text =
            CategoryActions[static_cast<size_t>(c->number)].caption + "の検索"_sj;
    }
    UpDown1Click(true);
    UpDown1Click(false);
}

void TFRMmain::SelCategoryExecute(int category) {
    Settings.category = category;
    SelectCategory(true);
}

void TFRMmain::TViewChange(int node) {
    const CategoryInfo* c = FindCategoryByTreeNode(node);
    if (c == nullptr) {
        return;
    }
    SelCategoryExecute(c->number);
    TView.enabled = false;
    Guarded([this] { ShowReleaseList(); });
    TView.enabled = true;
}

void TFRMmain::UpDown1Click(bool next) {
    if (Settings.category == 2) {
        WeekNumber += next ? 1 : -1;
    } else {
        TargetDate = AddMonths(TargetDate, next ? 1 : -1);
    }
    EdtCalen = PeriodText();
    RefreshCategoryIcons();
}

std::string TFRMmain::PeriodText() const {
    if (Settings.category == 2) {
        const sys_days end =
            sys_days{Settings.weekBaseDate} + days{7 * (WeekNumber - Settings.weekBaseNumber)};
        return MonthDay(year_month_day{end - days{8}}) + "-" +
               MonthDay(year_month_day{end - days{2}});
    }
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04d", static_cast<int>(TargetDate.year()));
    std::string text = buf;
    std::snprintf(buf, sizeof buf, "%02u", static_cast<unsigned>(TargetDate.month()));
    return text + "年"_sj + buf + "月"_sj;
}

void TFRMmain::SetBusyDisplay(bool on) {
    if (on) {
        PnlCli.visible = false;
        Busy.animationLeft = Geometry.width / 2 - kAnimationWidth;
        Busy.cancelLeft = Busy.animationLeft - 20;
        Busy.animationVisible = true;
        Busy.cancelVisible = true;
        Busy.animating = true;
        Busy.progress = 0;
        Busy.progressVisible = true;
    } else {
        Busy.progress += Busy.progressMax;
        Busy.animating = false;
        Busy.animationVisible = false;
        Busy.progressVisible = false;
        Busy.cancelVisible = false;
        PnlCli.visible = true;
        SelectCategory(true);
    }
}

void TFRMmain::StBarResize(int width) {
    StBar.panels[0].width = width - StBar.panels[1].width - StBar.panels[2].width;
}

void TFRMmain::ONLINEExecute() {
    SwitchOnline(true);
}

void TFRMmain::OFFLINEExecute() {
    SwitchOnline(false);
}

void TFRMmain::SwitchOnline(bool online) {
    // Both controls then carry the action that switches back.
    ActionState* other = online ? &OFFLINE : &ONLINE;
    NONOFF.action = other;
    TBtnOnOff.action = other;
    TBtnOnOff.image = online ? 15 : 16;
    TBtnOnOff.hint = "オン・オフライン切替"_sj;
    StBar.panels[2].text = online ? "ON" : "OFF";
    Settings.onOffLine = online ? "ON" : "OFF";
}

void TFRMmain::Guarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        ui_.ShowError(Utf8ToCp932(e.what()));
    }
}

}  // namespace yomida

#include <gtest/gtest.h>

#include <cerrno>
#include <tuple>

#include "app/MainWindowLogic.h"
#include "platform/FileHooks.h"
#include "platform/ScopeExit.h"
#include "settings/SettingsFile.h"
#include "support/FormFixture.h"
#include "support/ScriptedUi.h"
#include "support/TestSupport.h"

namespace yomida {
namespace {

using namespace std::chrono;
using test::Sj;
using test::U8;

class FakeFetcher final : public SourceFetcher {
public:
    int fetches = 0;
    int updateChecks = 0;
    bool succeeds = true;
    bool newer = false;
    std::function<void()> onFetch;

    FetchResult FetchSource(const FetchContext&, FetchPolicy&) override {
        ++fetches;
        if (onFetch) {
            onFetch();
        }
        FetchResult result;
        result.ranToEnd = succeeds;
        result.outcome = succeeds ? FetchOutcome::Updated : FetchOutcome::ConversionError;
        return result;
    }
    FetchResult ImportFile(const FetchContext&, const std::filesystem::path&,
                           FetchPolicy&) override {
        return {};
    }
    FetchResult CheckForUpdate(const FetchContext&, FetchPolicy&) override {
        ++updateChecks;
        FetchResult result;
        result.requested = true;
        result.ranToEnd = newer;
        result.outcome = newer ? FetchOutcome::Updated : FetchOutcome::Unchanged;
        return result;
    }
    Result<std::string, ProbeRefusal> ProbeBookTownMonth(const FetchContext&, const std::string&,
                                                         FetchPolicy&) override {
        return std::string();
    }
};

class MainWindowTest : public test::FormFixture {
protected:
    FakeFetcher fake;

    std::filesystem::path Exe() const { return dir / "yomida"; }
    std::filesystem::path Ini() const { return dir / "yomida.INI"; }
    std::filesystem::path Data(const std::string& name) const { return dir / "data" / name; }

    void Start(const std::string& ini = "") {
        if (!ini.empty()) {
            test::WriteBytes(Ini(), Sj(ini));
        }
        ASSERT_TRUE(form.FormCreate(Exe()));
        fetcher.target = &fake;
    }
    void WriteList(const std::string& name) {
        test::WriteDataFile(Data(name), {"No,□,出版社,発売日,タイトル,作者,価格",
                                         "1,0,講談社,15,ワンピース,尾田,420"});
    }
    std::vector<std::string> Messages() {
        std::vector<std::string> texts;
        for (const auto& m : ui.messages) {
            texts.push_back(U8(m.text));
        }
        return texts;
    }
};

TEST_F(MainWindowTest, DefaultsWithoutASettingsFile) {
    Start();
    EXPECT_TRUE(std::filesystem::is_directory(dir / "data"));
    EXPECT_EQ(form.CurrentSettings().window.top, 69);
    EXPECT_EQ(form.CurrentSettings().window.left, 204);
    EXPECT_EQ(form.CurrentSettings().window.width, 691);
    EXPECT_EQ(form.CurrentSettings().window.height, 614);
    EXPECT_FALSE(form.CurrentSettings().window.maximized);
    EXPECT_EQ(form.CurrentSettings().treeWidth, 120);
    const int widths[8] = {0, 24, 104, 64, 191, 107, 61, 60};
    for (int c = 0; c < 8; ++c) {
        EXPECT_EQ(form.List.ComboGrid1.ColWidth(c), widths[c]) << c;
    }
    EXPECT_EQ(U8(form.CurrentSettings().fontName), "ＭＳ ゴシック");
    EXPECT_EQ(form.CurrentSettings().gridRowHeight, 14)
        << "9 points at 96 dpi is 12 pixels, plus 2";
    EXPECT_EQ(form.CurrentSettings().category, 1);
    EXPECT_EQ(form.List.CmbSort.itemIndex, 0);
    EXPECT_EQ(form.CurrentSettings().online, OnlineMode::Online);
    EXPECT_EQ(form.StBar.panels[2].text, "ON");
    EXPECT_TRUE(form.CurrentSettings().checkSave);
    EXPECT_TRUE(form.CategoryActions[1].checked);
    EXPECT_EQ(U8(form.StBar.panels[0].text), "まんが王倶楽部の検索");
    EXPECT_EQ(U8(form.EdtCalen), "2003年05月");
    EXPECT_EQ(U8(form.TView.nodes[2].caption), "×××××××××");
    EXPECT_EQ(U8(form.TView.nodes[6].caption), "まんが王倶楽部・BL");
    EXPECT_EQ(form.TView.selected, -1) << "no leaf is selected and nothing is shown at start";
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(MainWindowTest, ClosingWritesACompleteFileInSectionOrder) {
    Start();
    form.FormClose();
    const std::string text = U8(test::ReadBytes(Ini()));
    EXPECT_TRUE(
        text.starts_with("[INTERNET]\r\nPROXY=\r\nPORT=0\r\nDIALUP=0\r\nDIRECT=1\r\n[GRID]\r\n"
                         "WIDTH1=0\r\nWIDTH2=24\r\nWIDTH3=104\r\nWIDTH4=64\r\n"
                         "WIDTH5=191\r\nWIDTH6=107\r\nWIDTH7=61\r\nWIDTH8=60\r\n"
                         "HEIGHT=14\r\n[WINDOW]\r\nMAX=0\r\nTOP=69\r\nLEFT=204\r\n"
                         "WIDTH=691\r\nHEIGHT=614\r\nT_WIDTH=120\r\n[FONT]\r\n"
                         "NAME=ＭＳ ゴシック\r\nSIZE=9\r\n[SERCH]\r\nTAISYOU=1\r\nSORT=0\r\n"
                         "LISTID=2003/05\r\n1_1=\r\n"))
        << text;
    EXPECT_NE(text.find("3_10=\r\n[JOUKEN_SERCH]\r\nNAME_1=\r\nDATE_1=\r\nJKN1_1=\r\n"),
              std::string::npos);
    EXPECT_TRUE(
        text.ends_with("JKN3_10=\r\n[CHECK]\r\nCHECK=1\r\nHEADER=0\r\n[SYOSEKI_SERCH]\r\n"
                       "DATE=2001/01/13\r\nNO=1200\r\n[FILE]\r\nON_OFF_LINE=ON\r\n"
                       "TAI_PATH=\r\nNEO_PATH=\r\nCSV_PATH=\r\n"
                       "[WATCH]\r\nPUBLISHER=\r\nTITLE=\r\nAUTHOR=\r\n"
                       "[SCHEDULE]\r\nON=0\r\nHOUR=7\r\nALARM=0\r\n"))
        << text;
    EXPECT_EQ(U8(form.StBar.panels[0].text), "終了処理中　しばらくお待ち下さい");
}

TEST_F(MainWindowTest, OddSettingsValues) {
    Start(
        "; hand-edited\r\n[INTERNET]\r\nPORT=0x1F90\r\n[WINDOW]\r\nMAX=1\r\nT_WIDTH=0\r\n"
        "[SERCH]\r\nSORT=7\r\nTAISYOU=99\r\n1_1=\r\n1_2=  \r\n1_3=ABC\r\n[CHECK]\r\nHEADER=1\r\n"
        "[SYOSEKI_SERCH]\r\nDATE=2003/13/40\r\n[GRID]\r\nHEIGHT=40\r\n[JOUKEN_SERCH]\r\n"
        "NAME_3=名前\r\nJKN2_3=" +
        std::string(3000, 'x') + "\r\n[MINE]\r\nKEEP=this\r\n");
    EXPECT_EQ(form.CurrentSettings().port, 8080);
    EXPECT_TRUE(form.CurrentSettings().window.maximized);
    EXPECT_EQ(form.CurrentSettings().window.width, 691);
    EXPECT_EQ(form.List.CmbSort.itemIndex, -1);
    EXPECT_EQ(form.CurrentSettings().category, 1);
    EXPECT_EQ(form.List.Filter.CmbSrch1.items, std::vector<std::string>{"ABC"});
    EXPECT_FALSE(form.CurrentSettings().updateCheck);
    EXPECT_EQ(form.CurrentSettings().weekBaseDate, (year_month_day{year{2001}, month{1}, day{13}}));
    EXPECT_EQ(form.CurrentSettings().gridRowHeight, 14);
    // The only used slot was slot 3: used slots close up from slot 1.
    EXPECT_EQ(U8(form.Conditions.Jouken[0].caption), "名前");
    EXPECT_EQ(form.CurrentSettings().conditions[0][3].size(), 2047u);
    EXPECT_EQ(form.CurrentSettings().conditions[2][0], "");

    form.FormClose();
    const std::string text = U8(test::ReadBytes(Ini()));
    EXPECT_TRUE(text.starts_with("; hand-edited\r\n[INTERNET]\r\nPORT=8080\r\n"));
    EXPECT_NE(text.find("MAX=1\r\nT_WIDTH=1\r\n"), std::string::npos);
    EXPECT_EQ(text.find("TOP="), std::string::npos) << "a maximised window keeps the old values";
    EXPECT_NE(text.find("SORT=-1\r\n"), std::string::npos);
    EXPECT_NE(text.find("1_1=ABC\r\n1_2=\r\n1_3=\r\n"), std::string::npos);
    EXPECT_NE(text.find("[MINE]\r\nKEEP=this\r\n"), std::string::npos);
    EXPECT_NE(text.find("DATE=2001/01/13"), std::string::npos);
}

TEST_F(MainWindowTest, NumbersAtTheEndsOfTheIntegerRangeAreHeldWithinBounds) {
    clock.Set(year_month_day{year{2001}, month{1}, day{20}});
    Start(
        "[WINDOW]\r\nTOP=2147483647\r\nLEFT=-2147483648\r\nWIDTH=2147483647\r\n"
        "HEIGHT=-2147483648\r\nT_WIDTH=-2147483648\r\n[FONT]\r\nSIZE=2147483647\r\n"
        "[GRID]\r\nWIDTH3=2147483647\r\n[SERCH]\r\nTAISYOU=2\r\n"
        "[SYOSEKI_SERCH]\r\nNO=2147483647\r\n");
    const WindowGeometry& g = form.CurrentSettings().window;
    EXPECT_EQ(std::tuple(g.top, g.left, g.width, g.height),
              std::tuple(1'000'000, -1'000'000, 1'000'000, -1'000'000));
    EXPECT_EQ(form.CurrentSettings().treeWidth, -1'000'000);
    EXPECT_EQ(form.CurrentSettings().columnWidths[2], 1'000'000);
    EXPECT_EQ(form.CurrentSettings().fontSize, 1000);
    EXPECT_EQ(form.CurrentSettings().gridRowHeight, 1335);
    EXPECT_EQ(form.CurrentSettings().weekBaseNumber, 10'000'000);
    EXPECT_EQ(form.TargetWeek(), 10'000'001);
    EXPECT_EQ(form.EdtCalen, "01/12-01/18");
    form.UpDown1Click(true);
    EXPECT_EQ(form.EdtCalen, "01/19-01/25");
    form.FormClose();
    const std::string text = test::ReadBytes(Ini());
    EXPECT_NE(text.find("TOP=1000000\r\nLEFT=-1000000\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("SIZE=1000\r\n"), std::string::npos) << text;

    test::WriteBytes(Ini(), "[FONT]\r\nSIZE=-2147483648\r\n[SYOSEKI_SERCH]\r\nNO=-2147483648\r\n");
    SettingsRecord low;
    ReadSettingsFile(Ini(), low);
    EXPECT_EQ(low.fontSize, 0);
    EXPECT_EQ(low.weekBaseNumber, -10'000'000);
}

TEST_F(MainWindowTest, MaxOtherThanOneOpensANormalWindow) {
    Start("[WINDOW]\r\nMAX=2\r\nTOP=10\r\n");
    EXPECT_FALSE(form.CurrentSettings().window.maximized);
    EXPECT_EQ(form.CurrentSettings().window.top, 10);
}

TEST_F(MainWindowTest, UnwritableSettingsFileIsReportedAndTheOldOneKept) {
    Start("[FONT]\r\nSIZE=12\r\n");
    std::filesystem::permissions(Ini(), std::filesystem::perms::owner_read);  // read-only
    form.FormClose();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(U8(ui.messages[0].text), Ini().string() + " に書き込めません");
    EXPECT_EQ(U8(test::ReadBytes(Ini())), "[FONT]\r\nSIZE=12\r\n");
}

TEST_F(MainWindowTest, RefusedHostsAndTemplatesAreNamedInOneWarningAtStart) {
    Start();
    ASSERT_TRUE(form.FormClose());
    test::WriteBytes(Ini(), test::ReadBytes(Ini()) +
                                "[HOSTS]\r\nWEEKLY=www.1book.co.jp/x\r\n"
                                "[SOURCES]\r\nbngei=http://{host}/{month}\r\n");
    ui.messages.clear();
    ASSERT_TRUE(form.FormCreate(Exe()));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].kind, ScriptedUi::Kind::Warning);
    EXPECT_EQ(U8(ui.messages[0].text),
              "[HOSTS] WEEKLY のホストは使えません: 書けるのはホスト名か IP アドレスと「:ポート"
              "番号」だけです。組み込みのホストを使います。\n\r[SOURCES] bngei の URL は使えませ"
              "ん: {month} は知らない置き換えです。組み込みの URL を使います。");
}

TEST_F(MainWindowTest, SourceTemplatesAreUsedRefusedOnceAtStartAndKeptByTheSave) {
    Start();
    ASSERT_TRUE(form.FormClose());
    const std::string complete = test::ReadBytes(Ini());
    const size_t at = complete.find("[CHECK]");
    ASSERT_NE(at, std::string::npos);
    const std::string original = complete.substr(0, at) +
                                 "[SOURCES]\r\ncomic=https://{host}/new/{yyyy}{mm}\r\n"
                                 "bngei=http://{host}/{month}\r\n; note\r\n" +
                                 complete.substr(at) + "[HOSTS]\r\nMANGAOH=127.0.0.1:8443\r\n";
    test::WriteBytes(Ini(), original);
    ui.messages.clear();

    ASSERT_TRUE(form.FormCreate(Exe()));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].kind, ScriptedUi::Kind::Warning);
    EXPECT_EQ(U8(ui.messages[0].text),
              "[SOURCES] bngei の URL は使えません: {month} は知らない置き換えです。"
              "組み込みの URL を使います。");
    EXPECT_EQ(form.Source.Locate(1).sourceUrl, "https://127.0.0.1:8443/new/200305");
    EXPECT_TRUE(form.Source.Locate(6).sourceUrl.starts_with(
        "https://127.0.0.1:8443/productlist/sale/month?"));

    ASSERT_TRUE(form.FormClose());
    EXPECT_EQ(test::ReadBytes(Ini()), original);
    EXPECT_EQ(ui.messages.size(), 1u) << "shown once, at start";
}

TEST_F(MainWindowTest, MalformedListMonthIsReportedAndTheWindowStillStarts) {
    for (const char* listId : {"2003年5月", "", "2003", "03/05", "abcd"}) {
        ui.messages.clear();
        Start(std::string("[SERCH]\r\nTAISYOU=15\r\nLISTID=") + listId + "\r\n");
        EXPECT_EQ(ui.messages.size(), 1u) << listId;
        EXPECT_EQ(form.CurrentSettings().category, 15);
        EXPECT_EQ(form.TargetDay(), clock.Today()) << listId;
        EXPECT_TRUE(form.FormClose()) << listId;
    }
}

TEST_F(MainWindowTest, TicksThatCannotBeSavedAtExitAskBeforeEnding) {
    Start("[CHECK]\r\nCHECK=1\r\n[FILE]\r\nON_OFF_LINE=OFF\r\n");
    WriteList("comic0305.csv");
    form.BtnDspClick();
    ASSERT_EQ(form.List.ComboGrid1.RowCount(), 2);
    const std::string before = test::ReadBytes(Data("comic0305.csv"));
    TestFileHooks().beforeCreate = [] { return EACCES; };
    const ScopeExit unhook([] { TestFileHooks().beforeCreate = nullptr; });

    ui.confirmAnswers = {false};
    EXPECT_FALSE(form.FormClose()) << "No keeps the window and its ticks";
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].kind, ScriptedUi::Kind::Confirm);
    EXPECT_TRUE(U8(ui.messages[0].text).ends_with("チェックを保存せずに終了しますか？"));
    EXPECT_TRUE(form.PnlCli.visible);

    ui.confirmAnswers = {true};
    EXPECT_TRUE(form.FormClose());
    EXPECT_EQ(test::ReadBytes(Data("comic0305.csv")), before);
}

TEST_F(MainWindowTest, DataFolderThatCannotBeCreatedEndsTheProgram) {
    test::WriteBytes(dir / "data", "a file where the folder should be");
    EXPECT_FALSE(form.FormCreate(Exe()));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(U8(ui.messages[0].text), (dir / "data" / "").string() + "フォルダが作成できません");
    EXPECT_FALSE(std::filesystem::exists(Ini()));
}

TEST_F(MainWindowTest, DecisionTableOffline) {
    Start("[FILE]\r\nON_OFF_LINE=OFF\r\n");
    EXPECT_EQ(form.StBar.panels[2].text, "OFF");
    form.BtnDspClick();
    EXPECT_EQ(Messages(), std::vector<std::string>{"データファイルがありません。"});

    WriteList("comic0305.csv");
    ui.messages.clear();
    form.BtnDspClick();
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(U8(form.StBar.panels[1].text), "1件");

    form.DownLoadExecute();
    form.BtnDspClick();
    EXPECT_EQ(Messages(),
              std::vector<std::string>{"オフラインモードでデータの強制ダウンロードはできません。"});
    EXPECT_EQ(form.List.ComboGrid1.Cell(2, 1), "") << "nothing is loaded";
    EXPECT_TRUE(form.DownLoad.checked);
    EXPECT_EQ(fake.fetches, 0);
}

TEST_F(MainWindowTest, DecisionTableOnline) {
    Start();
    // File missing: No stops, Yes fetches and loads what the fetch wrote.
    form.BtnDspClick();
    EXPECT_EQ(Messages(), std::vector<std::string>{"データをダウンロードしますか？"});
    EXPECT_EQ(fake.fetches, 0);

    fake.onFetch = [&] { WriteList("comic0305.csv"); };
    ui.confirmAnswers = {true};
    form.BtnDspClick();
    EXPECT_EQ(fake.fetches, 1);
    EXPECT_EQ(U8(form.StBar.panels[1].text), "1件");

    // File present, forced download: No loads the existing file and keeps the toggle on.
    ui.messages.clear();
    form.DownLoadExecute();
    form.List.ComboGrid1.SetCell(2, 1, "stale");
    form.BtnDspClick();
    EXPECT_EQ(Messages(), std::vector<std::string>{"データをダウンロードしますか？"});
    EXPECT_EQ(fake.fetches, 1);
    EXPECT_EQ(U8(form.List.ComboGrid1.Cell(2, 1)), "講談社");
    EXPECT_TRUE(form.DownLoad.checked);

    // A failed fetch stops the display.
    fake.succeeds = false;
    ui.confirmAnswers = {true};
    form.BtnDspClick();
    EXPECT_EQ(fake.fetches, 2);
    EXPECT_EQ(form.List.ComboGrid1.Cell(2, 1), "");
    form.DownLoadExecute();

    // Update check only with its flag set.
    ui.messages.clear();
    fake.newer = true;
    form.BtnDspClick();
    EXPECT_EQ(fake.updateChecks, 0);
    form.ChangeSettings([&](SettingsRecord& s) { s.updateCheck = true; });
    form.BtnDspClick();
    EXPECT_EQ(fake.updateChecks, 1);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, Sj("データが更新されました。\n\rデータを再ダウンロードしますか？"
                                      "\n\r\n\r※チェックはクリアされます"));
    EXPECT_EQ(U8(form.List.ComboGrid1.Cell(2, 1)), "講談社") << "No goes on with the existing file";
}

TEST_F(MainWindowTest, MonthAndWeekStepping) {
    clock.Set(year_month_day{year{2003}, month{1}, day{31}});
    Start();
    form.UpDown1Click(true);
    EXPECT_EQ(U8(form.EdtCalen), "2003年02月");
    EXPECT_EQ(form.TargetDay(), (year_month_day{year{2003}, month{2}, day{28}}));
    form.UpDown1Click(false);
    EXPECT_EQ(U8(form.EdtCalen), "2003年01月");
    EXPECT_EQ(form.TargetDay(), (year_month_day{year{2003}, month{1}, day{28}}));
}

TEST_F(MainWindowTest, WeeklyCategoryAtStartUp) {
    clock.Set(year_month_day{year{2001}, month{1}, day{20}});
    Start("[SERCH]\r\nTAISYOU=2\r\n");
    EXPECT_EQ(form.TargetWeek(), 1201);
    EXPECT_EQ(form.EdtCalen, "01/12-01/18");
    form.UpDown1Click(false);
    EXPECT_EQ(form.EdtCalen, "01/05-01/11");
    EXPECT_EQ(form.TargetDay(), (year_month_day{year{2001}, month{1}, day{20}}));
}

TEST_F(MainWindowTest, MenuChoiceDisplaysOnlyWhenTheLeafChanges) {
    Start("[FILE]\r\nON_OFF_LINE=OFF\r\n");
    WriteList("tanbi0305.csv");
    form.SelCategoryExecute(4);
    EXPECT_EQ(form.TView.selected, 6);
    EXPECT_EQ(U8(form.StBar.panels[1].text), "1件");
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(form.TView.enabled);

    std::filesystem::remove(Data("tanbi0305.csv"));
    form.SelCategoryExecute(4);
    EXPECT_TRUE(ui.messages.empty()) << "the same leaf again does not display";

    form.SelCategoryExecute(6);
    EXPECT_EQ(Messages(), std::vector<std::string>{"データファイルがありません。"});
    EXPECT_EQ(U8(form.StBar.panels[0].text), "まんが王倶楽部・小説の検索");
}

TEST_F(MainWindowTest, IconsShowWhichMonthsHaveData) {
    Start();
    WriteList("comic0305.csv");
    WriteList("avsft0306.csv");
    form.UpDown1Click(true);
    form.UpDown1Click(false);
    EXPECT_EQ(form.TView.nodes[1].image, TreeImage::BookPresent);
    EXPECT_EQ(form.TView.nodes[6].image, TreeImage::BookMissing);
    EXPECT_EQ(form.TView.nodes[18].image, TreeImage::AvMissing);
    EXPECT_EQ(form.TView.nodes[16].image, TreeImage::BookPresent) << "the weekly list is kept";
    form.UpDown1Click(true);
    EXPECT_EQ(form.TView.nodes[18].image, TreeImage::AvPresent);
    EXPECT_EQ(form.CurrentSettings().category, 1);
    EXPECT_EQ(form.CurrentSettings().online, OnlineMode::Online);
}

TEST_F(MainWindowTest, BusyDisplayAndStatusBar) {
    Start();
    form.ChangeSettings([&](SettingsRecord& s) { s.window.width = 600; });
    form.SetBusyDisplay(true);
    EXPECT_FALSE(form.PnlCli.visible);
    EXPECT_TRUE(form.Busy.cancelVisible);
    EXPECT_EQ(form.Busy.animationLeft, 300 - BusyDisplay::kAnimationWidth);
    EXPECT_EQ(form.Busy.cancelLeft, form.Busy.animationLeft - 20);
    form.SetBusyDisplay(false);
    EXPECT_TRUE(form.PnlCli.visible);
    EXPECT_FALSE(form.Busy.progressVisible);
    form.StBarResize(500);
    EXPECT_EQ(form.StBar.panels[0].width, 395);
}

}  // namespace
}  // namespace yomida

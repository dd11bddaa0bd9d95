#include <gtest/gtest.h>

#include "app/MainWindowLogic.h"
#include "download/ShopSearch.h"
#include "support/FormFixture.h"
#include "support/LoopbackServer.h"
#include "support/ScriptedUi.h"
#include "support/TestCertificates.h"
#include "support/TestSupport.h"

namespace yomida {
namespace {

using namespace std::chrono;
using test::Sj;
using test::U8;

class NetworkActionsTest : public test::FormFixture {
protected:
    void SetUp() override { Start(); }
};

TEST_F(NetworkActionsTest, ProgressMessages) {
    form.Source.ShowReceived(1500, 1500);
    EXPECT_EQ(form.Busy.progress, 100);
    EXPECT_EQ(U8(form.StBar.panels[0].text), "受信: 1 / 1 KByte...");

    form.Source.ShowReceived(3 * 1024 + 1000, 10 * 1024);
    EXPECT_EQ(form.Busy.progress, 30);
    EXPECT_EQ(U8(form.StBar.panels[0].text), "受信: 3 / 10 KByte...");

    form.Source.ShowReceived(5000, 0);
    EXPECT_EQ(U8(form.StBar.panels[0].text), "受信: 4 KByte...");
    EXPECT_EQ(form.Busy.progress, 30) << "the bar stays where it was";
}

TEST_F(NetworkActionsTest, OnlineAndOfflineSwitch) {
    form.OFFLINEExecute();
    EXPECT_EQ(U8(form.NONOFF.action->caption), "オンラインモードにする");
    EXPECT_EQ(form.TBtnOnOff.image, OnOffImage::Offline);
    EXPECT_EQ(U8(form.TBtnOnOff.hint), "オン・オフライン切替");
    EXPECT_EQ(form.StBar.panels[2].text, "OFF");
    form.ONLINEExecute();
    EXPECT_EQ(U8(form.NONOFF.action->caption), "オフラインモードにする");
    EXPECT_EQ(form.TBtnOnOff.image, OnOffImage::Online);
    EXPECT_EQ(form.CurrentSettings().online, OnlineMode::Online);
}

TEST_F(NetworkActionsTest, StoredLowerCaseOnStartsOffline) {
    test::WriteBytes(dir / "yomida.INI", "[FILE]\r\nON_OFF_LINE=on\r\n");
    ScriptedUi ui2;
    test::WindowLogic second(ui2, clock);
    MainWindowLogic& again = second.form;
    ASSERT_TRUE(again.FormCreate(dir / "yomida"));
    EXPECT_EQ(again.CurrentSettings().online, OnlineMode::Offline);
}

TEST_F(NetworkActionsTest, BrowserManualAndShopSearch) {
    form.Source.UseSource({{}, "http://example.invalid/list"});
    form.ShowBrowserOnExecute();
    form.HTMLMANUALExecute();
    form.HELP_MOKUJIExecute();
    ASSERT_EQ(ui.shellOpened.size(), 3u);
    EXPECT_EQ(ui.shellOpened[0], "http://example.invalid/list");
    EXPECT_EQ(ui.shellOpened[1], (dir / "manual" / "index.htm").string());
    form.HELP_TOPICExecute();
    EXPECT_EQ(ui.shellOpened.back(), (dir / "manual" / "index.htm").string() + "#search");
    EXPECT_EQ(ui.Cursor(), CursorShape::Default);

    form.List.ComboGrid1.SetCell(4, 1, "abc");
    form.List.ComboGrid1.SetCurrentCell(4, 1);
    form.SrcAmazon1Execute();
    EXPECT_EQ(ui.shellOpened.back(),
              "http://www.amazon.co.jp/exec/obidos/redirect?link_code=ur2&tag=yomida-22&camp=247&"
              "creative=1211&path=external-search%3Fsearch-type=ss%26index=blended%26keyword="
              "%2561%2562%2563");

    ui.clipboard.reset();
    const size_t opened = ui.shellOpened.size();
    form.SrcAmazon2Execute();
    EXPECT_EQ(ui.shellOpened.size(), opened) << "nothing on the clipboard: nothing opens";
    ui.clipboard = Sj("あ");
    form.SrcAmazon2Execute();
    EXPECT_TRUE(ui.shellOpened.back().ends_with("keyword=%25E3%2581%2582"));
}

TEST_F(NetworkActionsTest, BrowserBeforeAnySearchDoesNothing) {
    ui.shellOpenSucceeds = false;
    ASSERT_TRUE(form.Source.SourceURL().empty());
    const size_t cursors = ui.cursorHistory.size();
    form.ShowBrowserOnExecute();
    EXPECT_TRUE(ui.shellOpened.empty());
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(ui.cursorHistory.size(), cursors);
}

TEST_F(NetworkActionsTest, WithoutABrowserTheAddressIsShown) {
    ui.shellOpenSucceeds = false;
    form.Source.UseSource({{}, "http://example.invalid/list"});
    form.ShowBrowserOnExecute();
    form.HTMLMANUALExecute();
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].kind, ScriptedUi::Kind::Error);
    EXPECT_TRUE(U8(ui.messages[0].text).starts_with("ブラウザを起動できませんでした。"));
    EXPECT_TRUE(ui.messages[0].text.ends_with("\n\r\n\rhttp://example.invalid/list"));
    EXPECT_TRUE(U8(ui.messages[1].text).ends_with((dir / "manual" / "index.htm").string()));
    EXPECT_EQ(ui.Cursor(), CursorShape::Default);
}

TEST(ShopSearch, EscapeUrlText) {
    EXPECT_EQ(EscapeUrlText("a b*#%<>&=?+/"), "a%20b%2A%23%25%3C%3E&=?+/");
    EXPECT_EQ(EscapeUrlText("\x80\xFF"), "%80%FF");
    EXPECT_TRUE(ShopSearchUrl("", "h", "t").ends_with("keyword="));
}

// The window with the program's own client and download manager, started by the test.
class DirectListWindowTest : public test::FormFixture {};

TEST_F(DirectListWindowTest, MangaOhListOverHttpsAndTheQuestionWhenItFails) {
    test::TestCa ca;
    ca.TrustIn(dir / "ca.pem");
    const std::string page =
        test::ReadBytes(std::filesystem::path(YOMIDA_SAMPLES) / "mangaoh-comic.html");
    test::LoopbackServer server(
        {{"HTTP/1.0 200 OK\r\nLast-Modified: Sat, 01 Mar 2025\r\n\r\n" + page},
         {"HTTP/1.0 404 Not Found\r\n\r\n"},
         {"HTTP/1.0 404 Not Found\r\n\r\n"}},
        ca.IssueForLoopback());
    test::WriteBytes(dir / "yomida.INI",
                     "[SERCH]\r\nTAISYOU=1\r\n[CHECK]\r\nCHECK=0\r\n[HOSTS]\r\nMANGAOH=127.0.0.1:" +
                         std::to_string(server.Port()) + "\r\n");
    Start();
    EXPECT_TRUE(FetchesDirectly(1, form.CurrentSettings()));

    // No list yet: Yes downloads the page over https and shows it.
    ui.confirmAnswers = {true};
    form.BtnDspClick();
    EXPECT_EQ(U8(form.StBar.panels[1].text), "6件");
    EXPECT_TRUE(server.Requests().at(0).starts_with(
        "GET /productlist/sale/month?count=all&group=day&displayMode=simple&category=comic_all&"
        "date=20030501 HTTP/1.0\r\n"));
    const std::filesystem::path list = dir / "data" / "comic0305.csv";
    const std::string before = test::ReadBytes(list);

    // Forced again, the page is gone: the window offers the import once, with the reason in
    // the user's words and no error box before it, and No keeps the list.
    ui.messages.clear();
    form.DownLoadExecute();
    ui.confirmAnswers = {true, false};
    form.List.ComboGrid1.SetCell(2, 1, "stale");
    form.BtnDspClick();
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[1].kind, ScriptedUi::Kind::Confirm);
    EXPECT_TRUE(U8(ui.messages[1].text)
                    .starts_with("直接取得できませんでした。ブラウザで保存したページから取り込み"
                                 "ますか？\n\r\n\rサーバーが 404（ページがありません）を返しまし"
                                 "た\n\r\n\r発売日一覧のページをブラウザで表示します。"))
        << U8(ui.messages[1].text);
    EXPECT_TRUE(ui.shellOpened.empty());
    EXPECT_EQ(test::ReadBytes(list), before);
    EXPECT_NE(U8(form.List.ComboGrid1.Cell(2, 1)), "stale") << "the old list is shown again";
    EXPECT_EQ(U8(form.StBar.panels[1].text), "6件");

    // The update check's request refused: the page may still be there, so it counts as newer
    // and the window asks whether to download it again, with no failure before.
    ui.messages.clear();
    form.ChangeSettings([](SettingsRecord& s) { s.updateCheck = true; });
    ui.confirmAnswers = {false};
    form.BtnDspClick();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].kind, ScriptedUi::Kind::Confirm);
    EXPECT_TRUE(U8(ui.messages[0].text).starts_with("データが更新されました。"));
    EXPECT_TRUE(server.Requests().at(2).starts_with("HEAD /productlist/sale/month?"));
    EXPECT_EQ(test::ReadBytes(list), before);
}

}  // namespace
}  // namespace yomida

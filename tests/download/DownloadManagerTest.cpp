#include "download/DownloadManager.h"

#include <gtest/gtest.h>

#include "support/DownloadFixture.h"
#include "support/LoopbackServer.h"
#include "support/ScriptedUi.h"
#include "support/TestCertificates.h"
#include "support/TestSupport.h"
#include "support/WeeklyFetch.h"
#include "text/Messages.h"

namespace yomida {
namespace {

using namespace std::chrono;
using test::Sj;
using test::U8;

class DownloadManagerTest : public test::DownloadFixture {
protected:
    bool forced = true;
    std::string stamp;
    bool success = false;  // a page came whole
    std::vector<bool> busy;
    std::vector<std::string> statusTexts;
    FetchResult last;

    void SetUp() override {
        context.category = 1;
        context.sourceUrl = "https://example.invalid/list";
        context.dataFile = settings.dataFolder / "comic0305.csv";
        context.setBusyDisplay = [this](bool on) { busy.push_back(on); };
        context.setStatusText = [this](const std::string& t) { statusTexts.push_back(U8(t)); };
    }
    // The weekly list of week 1321, fetched directly.
    void Weekly() {
        context.category = 2;
        context.dataFile = settings.dataFolder / "syosk1321.csv";
        context.directFetch = true;
    }
    // The context with the settings and the stamp as the window hands them in now.
    FetchContext Now() const {
        FetchContext now = context;
        now.UseSettings(settings);
        now.stampPrefix = stamp;
        return now;
    }
    // Takes back what a step changed, as the window does.
    bool Apply(FetchResult result) {
        last = std::move(result);
        stamp = last.stampPrefix;
        forced = forced && !last.forcedDownloadCleared;
        if (!last.htmlFolder.empty()) {
            settings.htmlFolder = last.htmlFolder;
        }
        if (!last.neoWingFolder.empty()) {
            settings.neoWingFolder = last.neoWingFolder;
        }
        success = success || (last.requested && last.replaced);
        // The window shows what the step left to say once it has ended.
        ShowNotices(ui, last.notices);
        return last.ranToEnd;
    }
    bool Fetch() { return Apply(downloads.FetchSource(Now(), policy)); }
    bool Check() { return Apply(downloads.CheckForUpdate(Now(), policy)); }
    std::optional<std::string> Probe(const std::string& host) {
        const Result<std::string, ProbeRefusal> infix =
            downloads.ProbeBookTownMonth(Now(), host, policy);
        if (!infix) {
            ShowNotices(ui, infix.ErrorCode().notices);
        }
        return infix ? std::optional<std::string>(infix.Value()) : std::nullopt;
    }
    std::filesystem::path SamplePage() {
        const std::filesystem::path copy = dir / "saved" / "page.html";
        std::filesystem::create_directories(copy.parent_path());
        std::filesystem::copy_file(std::filesystem::path(YOMIDA_SAMPLES) / "mangaoh-comic.html",
                                   copy, std::filesystem::copy_options::overwrite_existing);
        return copy;
    }
};

TEST_F(DownloadManagerTest, HtmlImportOpensTheBrowserAndConvertsTheSavedPage) {
    EXPECT_TRUE(Fetch()) << "No: nothing happens, the display goes on";
    EXPECT_FALSE(forced) << "every fetch clears the forced download";
    EXPECT_TRUE(ui.shellOpened.empty());

    ui.confirmAnswers = {true};
    EXPECT_TRUE(Fetch()) << "cancelled dialog";
    EXPECT_EQ(ui.shellOpened, std::vector<std::string>{"https://example.invalid/list"});
    EXPECT_EQ(U8(ui.dialogRequests.back().filter), "HTMLﾌｧｲﾙ|*.htm;*.html|すべてのﾌｧｲﾙ|*.*");
    EXPECT_FALSE(std::filesystem::exists(context.dataFile));

    ui.confirmAnswers = {true};
    ui.openAnswers = {SamplePage()};
    EXPECT_TRUE(Fetch());
    EXPECT_EQ(test::ReadDataFile(context.dataFile).size(), 7u);
    EXPECT_EQ(settings.htmlFolder, ((dir / "saved") / "").string());
    ui.confirmAnswers = {true};
    Fetch();
    EXPECT_EQ(ui.dialogRequests.back().initialFolder, (dir / "saved" / "").string());
    EXPECT_TRUE(
        U8(ui.messages[0].text).starts_with("発売日一覧のページをブラウザで表示します。\n\r"));
}

TEST_F(DownloadManagerTest, CsvImportStartsTheSiblingProgramWhenItIsThere) {
    context.category = 11;
    ui.confirmAnswers = {true};
    EXPECT_TRUE(Fetch());
    EXPECT_TRUE(ui.programsStarted.empty()) << "no sibling program beside ours";
    EXPECT_EQ(U8(ui.messages[0].text),
              "KOSUMIRAで取り込んだCSVファイルが必要です。\n\rYOMIDAでそのファイルを読み込ませて下"
              "さい。");

    test::WriteBytes(settings.siblingProgram, "");
    ui.confirmAnswers = {true};
    ui.openAnswers = {dir / "neo" / "list.csv"};
    Fetch();
    EXPECT_EQ(ui.programsStarted, std::vector<std::filesystem::path>{settings.siblingProgram});
    EXPECT_EQ(settings.neoWingFolder, (dir / "neo" / "").string());
    EXPECT_EQ(U8(ui.dialogRequests.back().filter), "CSVﾌｧｲﾙ|*.csv|すべてのﾌｧｲﾙ|*.*");
}

TEST_F(DownloadManagerTest, DirectDownloadConvertsWithTheStampAndTheMarkerForcesTheImport) {
    const std::string page = test::WeeklyPage();
    test::LoopbackServer server({{test::kWeeklyOk + page}, {"HTTP/1.0 500 Oops\r\n\r\n"}});
    Weekly();
    context.sourceUrl = server.Url("/1321/japa/t_a.htm");
    EXPECT_TRUE(Fetch());
    const auto lines = test::ReadDataFile(context.dataFile);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0],
              "\"Mon, 05 May 2003 10:00:00 GMT\",No,□,出版社,発売日,タイトル,作者,価格,ISBN");
    EXPECT_EQ(stamp, "\"Mon, 05 May 2003 10:00:00 GMT\",");
    EXPECT_EQ(busy, (std::vector<bool>{true, false}));
    EXPECT_EQ(statusTexts, std::vector<std::string>{"変換処理中・・・"});
    EXPECT_TRUE(std::filesystem::exists(settings.dataFolder / "download.dat"));

    // An error status: no success event, the download file goes, the old list stays.
    EXPECT_TRUE(Fetch());
    EXPECT_FALSE(std::filesystem::exists(settings.dataFolder / "download.dat"));
    EXPECT_EQ(test::ReadDataFile(context.dataFile).size(), 3u);

    // A request that fails outright.
    context.sourceUrl = "http://127.0.0.1:1/none";
    EXPECT_FALSE(Fetch());
    EXPECT_EQ(U8(ui.messages.back().text), "データ取得処理：エラー！！");
    EXPECT_EQ(ui.Cursor(), CursorShape::Default);

    // With the plain-text marker no request is made: the import path is taken.
    test::WriteBytes(settings.dataFolder / "コミック", "");
    ui.messages.clear();
    EXPECT_TRUE(Fetch());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].kind, ScriptedUi::Kind::Confirm);
}

// Over TCP and over TLS from a test authority the client trusts.
class CutTransferTest : public DownloadManagerTest, public ::testing::WithParamInterface<bool> {};

INSTANTIATE_TEST_SUITE_P(Transports, CutTransferTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "Tls" : "Tcp";
                         });

TEST_P(CutTransferTest, CutTransferKeepsThePreviousListByteForByte) {
    const std::string page = test::WeeklyPage();
    const std::string head =
        "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(page.size()) + "\r\n\r\n";
    test::TestCa ca;
    std::optional<test::ServerIdentity> tls;
    if (GetParam()) {
        ca.TrustIn(dir / "ca.pem");
        tls = ca.IssueForLoopback();
    }
    test::LoopbackServer server(
        {{head + page.substr(0, page.size() / 3), "", 0, false, true},
         {head + page.substr(0, page.size() / 3)},
         {"HTTP/1.0 200 OK\r\nLast-Mod", "", 0, false, true},
         {head + page.substr(0, page.size() / 3), "", 0, false, false, 1, true}},
        tls);
    Weekly();
    test::WriteDataFile(context.dataFile, {"\"old\",No,□,出版社", "1,,x,y,z,,"});
    const std::string before = test::ReadBytes(context.dataFile);
    for (const char* path : {"/reset", "/closed-early", "/reset-in-header", "/cut"}) {
        context.sourceUrl = server.Url(path);
        ui.messages.clear();
        EXPECT_FALSE(Fetch()) << path;
        ASSERT_EQ(ui.messages.size(), 1u) << path;
        EXPECT_EQ(U8(ui.messages[0].text), "データ取得処理：エラー！！");
        EXPECT_EQ(test::ReadBytes(context.dataFile), before) << path;
    }
    EXPECT_FALSE(success);
}

TEST_F(DownloadManagerTest, StampWithQuotesReadsBackAsWritten) {
    const std::string page = test::WeeklyPage();
    const std::string header = "HTTP/1.0 200 OK\r\nLast-Modified: Mon, \"05\" May\r\n\r\n";
    test::LoopbackServer server({{header + page}, {header}, {header}});
    Weekly();
    context.sourceUrl = server.Url("/list");
    EXPECT_TRUE(Fetch());
    const auto lines = test::ReadDataFile(context.dataFile);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "\"Mon, \"\"05\"\" May\",No,□,出版社,発売日,タイトル,作者,価格,ISBN");
    EXPECT_EQ(downloads.ReadStoredStamp(context.dataFile), "Mon, \"05\" May");
    EXPECT_FALSE(Check()) << "the same stamp is no update";
}

TEST_F(DownloadManagerTest, LinksAtTheDownloadFileAreReplacedNotFollowed) {
    const std::string page = test::WeeklyPage();
    const std::string ok = "HTTP/1.0 200 OK\r\nLast-Modified: Mon, 05 May 2003\r\n\r\n";
    test::LoopbackServer server({{ok}, {ok + page}, {ok + page}, {"HTTP/1.0 500 x\r\n\r\n"}});
    Weekly();
    context.sourceUrl = server.Url("/list");
    test::WriteDataFile(context.dataFile, {"\"old\",No,□,出版社"});
    const std::filesystem::path victim = dir / "victim.txt";
    const std::filesystem::path download = settings.dataFolder / "download.dat";
    test::WriteBytes(victim, "precious");
    const auto plantLink = [&] {
        std::filesystem::remove(download);
        std::filesystem::create_symlink(victim, download);
    };

    plantLink();
    EXPECT_TRUE(Check());
    EXPECT_EQ(test::ReadBytes(victim), "precious") << "the update check's HEAD";
    EXPECT_FALSE(std::filesystem::is_symlink(download));
    EXPECT_EQ(test::ReadBytes(download), "");

    plantLink();
    EXPECT_TRUE(Fetch());
    EXPECT_EQ(test::ReadBytes(victim), "precious") << "the download";
    EXPECT_EQ(test::ReadDataFile(context.dataFile).size(), 3u);

    std::filesystem::remove(download);
    std::filesystem::create_hard_link(victim, download);
    EXPECT_TRUE(Fetch());
    EXPECT_EQ(test::ReadBytes(victim), "precious") << "a hard link";

    // An error page: the link goes, its target stays.
    plantLink();
    EXPECT_TRUE(Fetch());
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(download)));
    EXPECT_EQ(test::ReadBytes(victim), "precious");
    for (const auto& entry : std::filesystem::directory_iterator(settings.dataFolder)) {
        EXPECT_NE(entry.path().extension(), ".tmp") << "no scratch file is left behind";
    }
}

TEST_F(DownloadManagerTest, HostileLastModifiedStillMatchesItsStoredStamp) {
    const std::string page = test::WeeklyPage();
    Weekly();
    using namespace std::string_literals;
    const std::vector<std::pair<std::string, std::string>> stamps = {
        {"Mon, 05\0 May 2003"s, "Mon, 05 May 2003"},
        {"Mon,\x01 05\x1b May\x7f 2003", "Mon, 05 May 2003"},
        {"Mon, 05 May 2003 \x81", "Mon, 05 May 2003"},
        {"Mon, \x81\"05\" \x82\xa0 May", "Mon, \"05\" \x82\xa0 May"},
    };
    for (const auto& [sent, kept] : stamps) {
        const std::string header = "HTTP/1.0 200 OK\r\nLast-Modified: " + sent + "\r\n\r\n";
        test::LoopbackServer server({{header + page}, {header}});
        context.sourceUrl = server.Url("/list");
        std::filesystem::remove(context.dataFile);
        ASSERT_TRUE(Fetch());
        const auto lines = test::ReadDataFile(context.dataFile);
        ASSERT_EQ(lines.size(), 3u);
        EXPECT_TRUE(lines[0].ends_with("\",No,□,出版社,発売日,タイトル,作者,価格,ISBN"))
            << lines[0];
        EXPECT_EQ(downloads.ReadStoredStamp(context.dataFile), kept);
        EXPECT_FALSE(Check()) << "the unchanged page is no update";
    }
}

TEST_F(DownloadManagerTest, UpdateCheckComparesLastModifiedWithTheStoredStamp) {
    test::LoopbackServer server({{"HTTP/1.0 200 OK\r\nLast-Modified: Mon, 05 May 2003\r\n\r\n"},
                                 {"HTTP/1.0 200 OK\r\nLast-Modified: Tue, 06 May 2003\r\n\r\n"},
                                 {"HTTP/1.0 200 OK\r\n\r\n"}});
    test::WriteDataFile(context.dataFile, {"\"Mon, 05 May 2003\",No,□,出版社"});
    context.sourceUrl = server.Url("/list");
    EXPECT_FALSE(Check());
    EXPECT_TRUE(Check());
    test::WriteDataFile(context.dataFile, {"\"2003/05/07\",No,□,出版社"});
    EXPECT_FALSE(Check()) << "no Last-Modified: today's date";
    EXPECT_TRUE(server.Requests()[0].starts_with("HEAD /list HTTP/1.0\r\n"));

    context.category = 11;
    EXPECT_FALSE(Check());
    EXPECT_FALSE(last.requested);
    context.category = 15;
    EXPECT_FALSE(Check());
    EXPECT_FALSE(last.requested);
    EXPECT_EQ(server.Requests().size(), 3u) << "categories 11 and 15 are never checked";

    context.category = 1;
    context.sourceUrl = "https://example.invalid/list";
    EXPECT_FALSE(Check());
    EXPECT_EQ(U8(ui.messages.back().text), "ヘッダー取得処理：エラー！！");
}

TEST_F(DownloadManagerTest, AnErrorStatusIsShownAsTheContextAsksForEveryRequest) {
    test::LoopbackServer server({{"HTTP/1.0 404 Not Found\r\n\r\n"},
                                 {"HTTP/1.0 500 Oops\r\n\r\n"},
                                 {"HTTP/1.0 403 Forbidden\r\n\r\n"},
                                 {"HTTP/1.0 302 Found\r\n\r\n"}});
    Weekly();
    context.sourceUrl = server.Url("/list");
    context.httpFailureText = "http://list\r\n" + Sj("取得に失敗しました");
    test::WriteDataFile(context.dataFile, {"\"old\",No,□,出版社", "1,,x,y,z,,"});
    const std::string before = test::ReadBytes(context.dataFile);

    // A server that refuses the header request may still serve the page: it counts as changed
    // and is no failure to tell.
    EXPECT_TRUE(Check()) << "the update check";
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(Fetch()) << "the download";
    context.category = 7;  // a 本やタウン list, whose month is asked for
    context.target = year_month_day{year{2003}, month{5}, day{1}};
    EXPECT_EQ(Probe("127.0.0.1:" + std::to_string(server.Port())), std::nullopt);
    ASSERT_EQ(ui.messages.size(), 2u);
    for (const auto& m : ui.messages) {
        EXPECT_EQ(m.kind, ScriptedUi::Kind::Error);
        EXPECT_EQ(U8(m.text), "http://list\r\n取得に失敗しました");
    }
    EXPECT_EQ(last.outcome, FetchOutcome::HttpStatus);
    EXPECT_EQ(ui.Cursor(), CursorShape::Default);

    // A redirect that leads nowhere is no error status, and a request that fails outright has
    // its own message.
    ui.messages.clear();
    EXPECT_TRUE(Fetch());
    EXPECT_TRUE(ui.messages.empty());
    context.sourceUrl = "http://127.0.0.1:1/none";
    EXPECT_FALSE(Fetch());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(U8(ui.messages[0].text), "データ取得処理：エラー！！");
    EXPECT_EQ(test::ReadBytes(context.dataFile), before);
}

TEST_F(DownloadManagerTest, ParseUpdateStamp) {
    const year_month_day today{year{2003}, month{5}, day{7}};
    EXPECT_EQ(DownloadManager::ParseUpdateStamp(
                  "HTTP/1.0 200\r\nLast-Modified:  Mon, 05 May\r\n\r\n", today),
              "Mon, 05 May");
    EXPECT_EQ(DownloadManager::ParseUpdateStamp("HTTP/1.0 200\r\n\r\n", today), "2003/05/07");
    EXPECT_EQ(DownloadManager::ParseUpdateStamp("Last-Modified: at the end", today), "2003/05/07");
    EXPECT_EQ(DownloadManager::ParseUpdateStamp("last-modified: x\r\n", today), "2003/05/07");
}

TEST_F(DownloadManagerTest, BookTownMonthProbe) {
    test::LoopbackServer server({{"HTTP/1.0 200 OK\r\n\r\n<img src=\"top_s05.gif\">"},
                                 {"HTTP/1.0 200 OK\r\n\r\n<img src=\"top_s06.gif\">"},
                                 {"HTTP/1.0 200 OK\r\n\r\n<p>new layout</p>"}});
    const std::string host = "127.0.0.1:" + std::to_string(server.Port());
    context.target = year_month_day{year{2003}, month{5}, day{1}};
    // A site without a month to ask for is not asked.
    context.category = 1;
    EXPECT_EQ(Probe(host), std::optional<std::string>(""));
    EXPECT_TRUE(server.Requests().empty());
    context.category = 7;
    EXPECT_EQ(Probe(host), std::optional<std::string>(""));
    EXPECT_EQ(Probe(host), std::optional<std::string>("_old"));
    EXPECT_EQ(Probe(host), std::nullopt);
    EXPECT_EQ(U8(ui.messages.back().text), "「本やタウン」のWeb形式が変更になりました。");
    EXPECT_TRUE(server.Requests()[0].starts_with(
        "GET /P3/CM/html/bookclip/new/shoseki/under.html HTTP/1.0\r\n"));

    context.target = year_month_day{year{2003}, month{8}, day{1}};
    EXPECT_EQ(Probe(host), std::nullopt);
    EXPECT_EQ(U8(ui.messages.back().text), "指定年月は範囲外の為ダウンロード出来ません。");
    context.target = year_month_day{year{2003}, month{5}, day{1}};
    EXPECT_EQ(Probe("127.0.0.1:1"), std::nullopt);
    EXPECT_EQ(U8(ui.messages.back().text), "データ取得処理－－URL不正－－");
    EXPECT_EQ(busy.size() % 2, 0u);
    EXPECT_FALSE(busy.back());
}

TEST_F(DownloadManagerTest, StoredStamp) {
    EXPECT_EQ(downloads.ReadStoredStamp(context.dataFile), "");
    test::WriteDataFile(context.dataFile, {"\"Mon, 05 May 2003 10:00:00 GMT\",No,□,出版社"});
    EXPECT_EQ(downloads.ReadStoredStamp(context.dataFile), "Mon, 05 May 2003 10:00:00 GMT");
    test::WriteDataFile(context.dataFile, {"No,□,出版社"});
    EXPECT_EQ(downloads.ReadStoredStamp(context.dataFile), "No");
    test::WriteBytes(context.dataFile, "");
    EXPECT_EQ(downloads.ReadStoredStamp(context.dataFile), "");
}

// Categories 1, 4 and 6 over https from a test authority, and the import by hand when that fails.
class DirectOrImportTest : public DownloadManagerTest {
protected:
    test::TestCa ca;
    const std::string ok = "HTTP/1.0 200 OK\r\nLast-Modified: Sat, 01 Mar 2025\r\n\r\n";
    const std::string question =
        "直接取得できませんでした。ブラウザで保存したページから取り込みますか？\n\r\n\r";

    void SetUp() override {
        DownloadManagerTest::SetUp();
        ca.TrustIn(dir / "ca.pem");
        context.directFetch = FetchesDirectly(1, settings);
    }
    // The record lines of a data file, without its header line.
    std::vector<std::string> Records() {
        std::vector<std::string> lines = test::ReadDataFile(context.dataFile);
        lines.erase(lines.begin());
        return lines;
    }
};

TEST_F(DirectOrImportTest, TheListPageOverHttpsConvertsAsThePageImportedByHand) {
    ui.confirmAnswers = {true};
    ui.openAnswers = {SamplePage()};
    context.directFetch = false;
    ASSERT_TRUE(Fetch());
    const std::vector<std::string> byHand = Records();
    ASSERT_EQ(byHand.size(), 6u);
    std::filesystem::remove(context.dataFile);

    test::LoopbackServer server({{ok + test::ReadBytes(SamplePage())}}, ca.IssueForLoopback());
    context.sourceUrl = server.Url("/productlist");
    context.directFetch = true;
    ui.messages.clear();
    EXPECT_TRUE(Fetch());
    EXPECT_TRUE(ui.messages.empty()) << U8(ui.messages.at(0).text);
    EXPECT_EQ(Records(), byHand);
    EXPECT_TRUE(test::ReadDataFile(context.dataFile)[0].starts_with("\"Sat, 01 Mar 2025\",No,"));
    EXPECT_EQ(busy, (std::vector<bool>{true, false}));
    EXPECT_EQ(last.outcome, FetchOutcome::Updated);
}

TEST_F(DirectOrImportTest, AFailedDownloadOffersTheImportAndNoKeepsTheOldList) {
    test::TestCa::Request expired;
    expired.ipAddresses = {"127.0.0.1"};
    expired.validToSeconds = -60;
    test::TestCa::Request selfSigned;
    selfSigned.ipAddresses = {"127.0.0.1"};
    selfSigned.selfSigned = true;
    test::TestCa::Request otherHost;
    otherHost.dnsNames = {"other.example"};
    test::LoopbackServer good({{"HTTP/1.0 404 Not Found\r\n\r\n"},
                               {"HTTP/1.0 204 No Content\r\n\r\n"},
                               {ok + "<html><body>nothing this month</body></html>"},
                               {"HTTP/1.0 302 Found\r\n\r\n"}},
                              ca.IssueForLoopback());
    test::LoopbackServer old({{ok + "x"}}, ca.Issue(expired));
    test::LoopbackServer own({{ok + "x"}}, ca.Issue(selfSigned));
    test::LoopbackServer other({{ok + "x"}}, ca.Issue(otherHost));
    test::WriteDataFile(context.dataFile, {"\"old\",No,□,出版社", "1,,x,y,z,,"});
    const std::string before = test::ReadBytes(context.dataFile);

    // One question, with the reason in the user's words and what the import by hand asks of
    // them; no error box before it.
    const std::vector<std::tuple<std::string, std::string, FetchOutcome>> cases = {
        {good.Url("/missing"), "サーバーが 404（ページがありません）を返しました",
         FetchOutcome::HttpStatus},
        {good.Url("/no-content"), "サーバーが 204 を返しました", FetchOutcome::HttpStatus},
        {good.Url("/empty"), "ページに発売情報がありませんでした。", FetchOutcome::NoRecords},
        {good.Url("/nowhere"), "サーバーが 302 を返しました", FetchOutcome::HttpStatus},
        {old.Url("/"), "証明書を確認できません: 127.0.0.1 (certificate has expired)",
         FetchOutcome::CertificateError},
        {own.Url("/"), "証明書を確認できません: 127.0.0.1 (self-signed certificate)",
         FetchOutcome::CertificateError},
        {other.Url("/"), "証明書を確認できません: 127.0.0.1 (IP address mismatch)",
         FetchOutcome::CertificateError},
        {"https://127.0.0.1:1/", "サーバーに接続できませんでした", FetchOutcome::TransportError},
    };
    const std::string steps = U8(MsgText(Msg::BrowserPageSteps));
    for (const auto& [url, reason, outcome] : cases) {
        context.sourceUrl = url;
        ui.messages.clear();
        EXPECT_TRUE(Fetch()) << url << ": No shows the old list";
        ASSERT_EQ(ui.messages.size(), 1u) << url << " " << U8(ui.messages[0].text);
        EXPECT_EQ(ui.messages[0].kind, ScriptedUi::Kind::Confirm);
        EXPECT_EQ(U8(ui.messages[0].text), question + reason + "\n\r\n\r" + steps) << url;
        EXPECT_EQ(last.outcome, outcome) << url;
        EXPECT_EQ(test::ReadBytes(context.dataFile), before) << url;
        EXPECT_TRUE(ui.shellOpened.empty());
        EXPECT_EQ(busy.back(), false);
    }

    // Yes goes straight on to the browser and the file dialog.
    test::LoopbackServer missing({{"HTTP/1.0 404 Not Found\r\n\r\n"}}, ca.IssueForLoopback());
    context.sourceUrl = missing.Url("/list");
    ui.messages.clear();
    ui.confirmAnswers = {true};
    ui.openAnswers = {SamplePage()};
    EXPECT_TRUE(Fetch());
    ASSERT_EQ(ui.messages.size(), 1u) << "the question once";
    EXPECT_EQ(ui.shellOpened, std::vector<std::string>{missing.Url("/list")});
    EXPECT_EQ(Records().size(), 6u);
    // The list came by hand: the health record tells of the import, not of the failed request.
    EXPECT_EQ(last.outcome, FetchOutcome::Imported);
    EXPECT_TRUE(last.detail.empty());
    EXPECT_EQ(last.httpStatus, 0);

    // A download the user stops is no failure of the source: nothing is offered.
    const std::string imported = test::ReadBytes(context.dataFile);
    test::LoopbackServer slow({{ok + "<html>", std::string(50, ' '), 20}}, ca.IssueForLoopback());
    context.sourceUrl = slow.Url("/list");
    context.progress.cancelled = [] { return true; };
    ui.messages.clear();
    EXPECT_FALSE(Fetch());
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(last.outcome, FetchOutcome::Cancelled);
    EXPECT_EQ(test::ReadBytes(context.dataFile), imported);
}

TEST_F(DirectOrImportTest, TheSwitchAndTheMarkerSendTheListsToTheImportByHand) {
    EXPECT_TRUE(FetchesDirectly(1, settings));
    EXPECT_TRUE(FetchesDirectly(4, settings));
    EXPECT_TRUE(FetchesDirectly(6, settings));
    EXPECT_TRUE(FetchesDirectly(2, settings));
    EXPECT_FALSE(FetchesDirectly(3, settings));
    EXPECT_FALSE(FetchesDirectly(11, settings));
    settings.directFetch = false;
    EXPECT_FALSE(FetchesDirectly(1, settings));
    EXPECT_FALSE(FetchesDirectly(4, settings));
    EXPECT_FALSE(FetchesDirectly(6, settings));
    EXPECT_TRUE(FetchesDirectly(2, settings)) << "the switch leaves the other lists alone";

    // The plain-text marker: no request, the import's own question first.
    test::LoopbackServer server({{ok + test::ReadBytes(SamplePage())}}, ca.IssueForLoopback());
    context.sourceUrl = server.Url("/list");
    context.directFetch = true;
    test::WriteBytes(settings.dataFolder / "コミック", "");
    EXPECT_TRUE(Fetch());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_TRUE(
        U8(ui.messages[0].text).starts_with("発売日一覧のページをブラウザで表示します。\n\r"));
    EXPECT_TRUE(server.Requests().empty());
}

}  // namespace
}  // namespace yomida

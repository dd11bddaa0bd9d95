#include <gtest/gtest.h>

#include "download/DownloadManager.h"
#include "sources/Convert.h"
#include "support/DefinedSourcesFixture.h"
#include "support/DownloadFixture.h"
#include "support/LoopbackServer.h"
#include "support/TestSupport.h"
#include "text/Messages.h"

namespace yomida {
namespace {

using namespace std::chrono;
using test::LoopbackServer;
using test::U8;

// A source on the loopback server whose month comes in pages of two, read by its total.
std::string PagedDefinition(const std::string& more = "") {
    return R"(schema: 1
id: loop
number: 50
name: loop
group: test
code: loopb
host: {key: LOOPHOST, default: 127.0.0.1}
url: "http://{host}/q?f={from}&cnt={cnt}&idx={idx}"
paging: {count: 2, total: /rss/total, max-requests: 3}
response: xml
records: /rss/item
fields: {title: title, publisher: publisher}
)" + more;
}

// A page of `total` matching titles that brings `titles`.
std::string Page(int total, const std::vector<std::string>& titles,
                 const std::string& stamp = "Tue, 01 Dec 2026 00:00:00 GMT") {
    std::string body = "<rss><total>" + std::to_string(total) + "</total>";
    for (const std::string& t : titles) {
        body += "<item><title>" + t + "</title><publisher>見本社</publisher></item>";
    }
    return "HTTP/1.0 200 OK\r\nLast-Modified: " + stamp + "\r\n\r\n" + body + "</rss>";
}

// The download manager's fetch of a defined category, its pacer's time passing only when it
// waits, so that a month of requests needs no real seconds.
class DefinedSourceDownloadTest : public test::DownloadFixture {
protected:
    void Define(const std::string& yaml) {
        installed.emplace(std::vector<SourceDefinition>{test::DefinitionFrom(yaml)});
    }
    FetchResult Fetch(const LoopbackServer& server) {
        HostTable hosts;
        hosts.Override({{"LOOPHOST", "127.0.0.1:" + std::to_string(server.Port())}});
        FetchContext context;
        context.UseSettings(settings);
        context.category = 50;
        context.directFetch = true;
        context.target = year{2026} / December / 1;
        context.dataFile = List();
        context.hosts = &hosts;
        context.timeOutMs = 10000;
        context.httpFailureText = MsgText(Msg::FetchFailed);
        context.setBusyDisplay = [this](bool on) { busy.push_back(on); };
        context.setStatusText = [this](const std::string& t) { status.push_back(U8(t)); };
        return paced.FetchSource(context, policy);
    }
    std::filesystem::path List() const { return settings.dataFolder / "loopb2612.csv"; }

    std::optional<test::ScopedDefinitions> installed;
    HostPacer::Clock::time_point now{};
    DownloadManager paced{clock, connector,
                          HostPacer([this] { return now; }, [this](milliseconds m) { now += m; })};
    std::vector<bool> busy;
    std::vector<std::string> status;
};

TEST_F(DefinedSourceDownloadTest, TheMonthsPagesBecomeTheListThroughTheOneFetch) {
    Define(PagedDefinition());
    LoopbackServer server(
        {{Page(3, {"一", "二"})}, {Page(3, {"三"}, "Wed, 02 Dec 2026 00:00:00 GMT")}});
    const FetchResult result = Fetch(server);
    EXPECT_TRUE(result.ranToEnd) << result.detail;
    EXPECT_EQ(result.outcome, FetchOutcome::Updated);
    EXPECT_TRUE(result.requested);
    EXPECT_TRUE(result.replaced);
    EXPECT_EQ(result.httpStatus, 200);
    EXPECT_EQ(result.records, 3);
    EXPECT_TRUE(result.forcedDownloadCleared);
    // The first response's stamp, as a page's own.
    EXPECT_EQ(result.stampPrefix, "\"Tue, 01 Dec 2026 00:00:00 GMT\",");
    const std::vector<std::string> lines = test::ReadDataFile(List());
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_TRUE(lines[0].starts_with("\"Tue, 01 Dec 2026 00:00:00 GMT\",No,"));
    EXPECT_EQ(lines[3], "3,0,見本社,,三,,");
    const std::vector<std::string> requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].rfind("GET /q?f=2026-12-01&cnt=2&idx=3 HTTP/1.0\r\n", 0), 0u);
    EXPECT_NE(requests[1].find("\r\nUser-Agent: YOMIDA/"), std::string::npos);
    EXPECT_GE(now - HostPacer::Clock::time_point{}, 1000ms) << "the second request waited";
    // The joined responses are the download file, which the conversion read.
    EXPECT_TRUE(
        test::ReadBytes(settings.dataFolder / "download.dat").starts_with("YOMIDA-RESPONSES 1\n"));
    EXPECT_EQ(busy, (std::vector<bool>{true, false}));
    EXPECT_EQ(status, (std::vector<std::string>{"取得中・・・ 問い合わせ 1",
                                                "取得中・・・ 問い合わせ 2", "変換処理中・・・"}));
}

TEST_F(DefinedSourceDownloadTest, AFailedMonthKeepsTheStoredListAndSaysWhy) {
    Define(PagedDefinition());
    struct Case {
        const char* name;
        std::vector<LoopbackServer::Reply> replies;
        FetchOutcome outcome;
        bool ranToEnd;  // an error status still shows the stored list
        int httpStatus;
        std::string detail;  // the start of it, UTF-8
        std::string notice;  // the start of the one notice, UTF-8
    };
    const std::vector<Case> cases = {
        {"error status",
         {{Page(5, {"一", "二"})}, {"HTTP/1.0 503 Busy\r\n\r\n"}},
         FetchOutcome::HttpStatus,
         true,
         503,
         "HTTP/1.0 503 Busy",
         "取得に失敗しました"},
        {"paging for ever", std::vector<LoopbackServer::Reply>(4, {Page(1000, {"一", "二"})}),
         FetchOutcome::ConversionError, false, 200,
         "取得元がページを送り続けるため、3 回の問い合わせで取得を止めました",
         "データ取得処理：エラー！！\n\r\n\r取得元がページを送り続けるため"},
        {"not well-formed",
         {{"HTTP/1.0 200 OK\r\n\r\n<rss><total>5</total><item>"}},
         FetchOutcome::ConversionError,
         false,
         200,
         "取得元の応答を読めませんでした: the response is not well-formed XML",
         "データ取得処理：エラー！！"},
        {"cut short",
         {{"HTTP/1.0 200 OK\r\nContent-Length: 500\r\n\r\n<rss>"}},
         FetchOutcome::TransportError,
         false,
         200,
         "通信が途中で切れました",
         "データ取得処理：エラー！！\n\r\n\r通信が途中で切れました"},
    };
    test::WriteDataFile(List(), {test::kListHeader, "1,1,前社,1,前の本,前の人,500"});
    const std::string stored = test::ReadBytes(List());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LoopbackServer server(c.replies);
        const FetchResult result = Fetch(server);
        EXPECT_EQ(result.outcome, c.outcome);
        EXPECT_EQ(result.ranToEnd, c.ranToEnd);
        EXPECT_EQ(result.httpStatus, c.httpStatus);
        EXPECT_FALSE(result.replaced);
        EXPECT_TRUE(U8(result.detail).starts_with(c.detail)) << U8(result.detail);
        ASSERT_EQ(result.notices.size(), 1u);
        EXPECT_EQ(result.notices[0].kind, Notice::Kind::Error);
        EXPECT_TRUE(U8(result.notices[0].text).starts_with(c.notice)) << U8(result.notices[0].text);
        EXPECT_EQ(test::ReadBytes(List()), stored) << "the stored list, its tick and all";
    }
}

TEST_F(DefinedSourceDownloadTest, RecordsAsStoredLeaveTheFileAsItIsUnlessTheStampMatters) {
    const std::vector<std::string> titles = {"一", "二"};
    struct Case {
        const char* name;
        std::string more;  // of the definition
        bool kept;         // the file stays as it was, tick and stamp
    };
    for (const Case& c : {Case{"no update check", "", true},
                          Case{"an update check", "update-check: last-modified\n", false}}) {
        SCOPED_TRACE(c.name);
        Define(PagedDefinition(c.more));
        std::filesystem::remove(List());
        std::filesystem::remove(PreviousVersionPath(List()));
        {
            LoopbackServer server({{Page(2, titles)}});
            ASSERT_EQ(Fetch(server).outcome, FetchOutcome::Updated);
        }
        // The user ticks the second title.
        std::vector<std::string> lines = test::ReadDataFile(List());
        ASSERT_EQ(lines.size(), 3u);
        lines[2].replace(0, 4, "2,1,");
        test::WriteDataFile(List(), lines);
        const std::string ticked = test::ReadBytes(List());

        LoopbackServer same({{Page(2, titles, "Wed, 02 Dec 2026 00:00:00 GMT")}});
        const FetchResult again = Fetch(same);
        // Stored again, the list loses its tick, as a page with the check always has.
        EXPECT_EQ(again.outcome, c.kept ? FetchOutcome::Unchanged : FetchOutcome::Updated);
        EXPECT_TRUE(again.ranToEnd);
        EXPECT_EQ(again.records, 2);
        EXPECT_EQ(again.replaced, !c.kept);
        EXPECT_EQ(test::ReadBytes(List()) == ticked, c.kept);
        EXPECT_EQ(std::filesystem::exists(PreviousVersionPath(List())), !c.kept);

        // A title more is a new list, in place of the ticked one.
        LoopbackServer more({{Page(3, {"一", "二", "三"})}});
        const FetchResult changed = Fetch(more);
        EXPECT_EQ(changed.outcome, FetchOutcome::Updated);
        EXPECT_TRUE(changed.replaced);
        EXPECT_EQ(test::ReadDataFile(List()).size(), 4u);
        if (c.kept) {
            EXPECT_EQ(test::ReadBytes(PreviousVersionPath(List())), ticked)
                << "the list put aside is the ticked one it replaced";
        }
    }
}

}  // namespace
}  // namespace yomida

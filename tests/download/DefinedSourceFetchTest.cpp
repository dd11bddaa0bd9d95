#include "download/DefinedSourceFetch.h"

#include <gtest/gtest.h>

#include "platform/TcpSocket.h"
#include "support/DefinedSourcesFixture.h"
#include "support/LoopbackServer.h"

namespace yomida {
namespace {

using namespace std::chrono;
using test::LoopbackServer;

// A source on the loopback server, paged by its total: a query per day of the month, or one
// for the whole month.
std::string LoopDefinition(bool perDay) {
    return std::string(R"(schema: 1
id: loop
number: 50
name: loop
group: test
code: loopb
host: {key: LOOPHOST, default: 127.0.0.1}
response: xml
records: /rss/item
fields: {title: title}
)") + (perDay ? "url: \"http://{host}/q?d={day}&cnt={cnt}&idx={idx}\"\n"
                "paging: {per-day: true, count: 2, total: /rss/total, max-requests: 40}\n"
              : "url: \"http://{host}/q?f={from}&cnt={cnt}&idx={idx}\"\n"
                "paging: {count: 2, total: /rss/total, max-requests: 40}\n");
}

LoopbackServer::Reply Page(int total, int items) {
    std::string body = "<rss><total>" + std::to_string(total) + "</total>";
    for (int i = 0; i < items; ++i) {
        body += "<item><title>t</title></item>";
    }
    return {"HTTP/1.0 200 OK\r\nContent-Type: text/xml\r\n\r\n" + body + "</rss>"};
}

// Time that passes only when the pacer sleeps, so a month of requests needs no real seconds.
struct FakeTime {
    HostPacer::Clock::time_point now{};
    std::vector<milliseconds> sleeps;
    int pumps = 0;

    HostPacer Pacer() {
        return HostPacer([this] { return now; },
                         [this](milliseconds m) {
                             sleeps.push_back(m);
                             now += m;
                         });
    }
};

struct LoopFetch {
    explicit LoopFetch(const LoopbackServer& server, const std::string& yaml = LoopDefinition(true))
        : installed({test::DefinitionFrom(yaml)}) {
        hosts.Override({{"LOOPHOST", "127.0.0.1:" + std::to_string(server.Port())}});
        request.category = 50;
        request.target = year{2026} / February / 1;
        request.hosts = &hosts;
        request.userAgent = "YOMIDA/test";
        request.timeOutMs = 10000;
        request.pacer = &pacer;
    }
    DefinedFetchResult Run() { return FetchDefinedSource(http, request); }

    test::ScopedDefinitions installed;
    HostTable hosts;
    FakeTime time;
    HostPacer pacer = time.Pacer();
    DefinedFetchRequest request;
    PosixTcpConnector connector;
    HttpClient http{connector};
};

std::string RequestLine(const std::string& request) {
    return request.substr(0, request.find("\r\n"));
}

TEST(DefinedSourceFetch, PagesEachDayByItsTotalAndTheRecordsThatCame) {
    // Day 1 matches three records; the server sends one where two were asked for.
    std::vector<LoopbackServer::Reply> replies = {Page(3, 1), Page(3, 2)};
    for (int day = 2; day <= 28; ++day) {
        replies.push_back(Page(0, 0));
    }
    LoopbackServer server(replies);
    LoopFetch fetch(server);
    std::vector<std::string> told;
    fetch.request.onRequest = [&](size_t, const std::string& url) { told.push_back(url); };
    const DefinedFetchResult result = fetch.Run();
    ASSERT_TRUE(result.Ok()) << result.error;
    EXPECT_EQ(result.requests, 29u);
    EXPECT_EQ(result.responses.size(), 29u);
    const std::vector<std::string> requests = server.Requests();
    ASSERT_EQ(requests.size(), 29u);
    EXPECT_EQ(RequestLine(requests[0]), "GET /q?d=2026-02-01&cnt=2&idx=1 HTTP/1.0");
    EXPECT_EQ(RequestLine(requests[1]), "GET /q?d=2026-02-01&cnt=2&idx=2 HTTP/1.0");
    EXPECT_EQ(RequestLine(requests[2]), "GET /q?d=2026-02-02&cnt=2&idx=1 HTTP/1.0");
    EXPECT_EQ(RequestLine(requests[28]), "GET /q?d=2026-02-28&cnt=2&idx=1 HTTP/1.0");
    EXPECT_NE(requests[0].find("\r\nUser-Agent: YOMIDA/test\r\n"), std::string::npos);
    EXPECT_EQ(told.size(), 29u);
    // Every request after the first waited its second: 28 waits in steps of at most 50 ms.
    milliseconds waited{};
    for (const milliseconds m : fetch.time.sleeps) {
        EXPECT_LE(m, 50ms);
        waited += m;
    }
    EXPECT_GE(waited, 28 * 1000ms);
}

TEST(DefinedSourceFetch, StopsASourceThatPagesForEverAndKeepsNothingOfAFailedMonth) {
    const std::string endless = LoopDefinition(false);
    {
        LoopbackServer server(std::vector<LoopbackServer::Reply>(41, Page(1000, 2)));
        LoopFetch fetch(server, endless);
        const DefinedFetchResult result = fetch.Run();
        EXPECT_EQ(result.outcome, DefinedFetchOutcome::TooManyRequests);
        EXPECT_NE(result.error.find("stopped after 40 requests"), std::string::npos);
        EXPECT_TRUE(result.responses.empty());
        EXPECT_EQ(server.Requests().size(), 40u);
    }
    {
        LoopbackServer server({Page(3, 2), {"HTTP/1.0 503 Busy\r\n\r\n"}});
        LoopFetch fetch(server, endless);
        const DefinedFetchResult result = fetch.Run();
        EXPECT_EQ(result.outcome, DefinedFetchOutcome::HttpStatus);
        EXPECT_EQ(result.httpStatus, 503);
        EXPECT_NE(result.url.find("idx=3"), std::string::npos) << result.url;
        EXPECT_TRUE(result.responses.empty());
    }
    {
        LoopbackServer server({{"HTTP/1.0 200 OK\r\n\r\n<rss><total>5</total><item>"}});
        LoopFetch fetch(server, endless);
        const DefinedFetchResult result = fetch.Run();
        EXPECT_EQ(result.outcome, DefinedFetchOutcome::UnreadableResponse);
        EXPECT_NE(result.error.find("not well-formed XML"), std::string::npos) << result.error;
    }
}

TEST(DefinedSourceFetch, RequestsToOneHostAreASecondApartAndCancelEndsTheWait) {
    FakeTime time;
    HostPacer pacer = time.Pacer();
    int pumps = 0;
    bool cancel = false;
    HttpProgress progress;
    progress.pump = [&] { ++pumps; };
    progress.cancelled = [&] { return cancel; };
    EXPECT_TRUE(pacer.WaitTurn("a", 1000ms, progress));
    pacer.Sent("a");
    time.now += 300ms;
    EXPECT_TRUE(pacer.WaitTurn("b", 1000ms, progress));  // another host need not wait
    EXPECT_TRUE(time.sleeps.empty());
    EXPECT_TRUE(pacer.WaitTurn("a", 1000ms, progress));
    EXPECT_EQ(time.now, HostPacer::Clock::time_point{} + 1000ms);
    EXPECT_EQ(pumps, static_cast<int>(time.sleeps.size()));
    pacer.Sent("a");
    cancel = true;
    EXPECT_FALSE(pacer.WaitTurn("a", 1000ms, progress));

    // And with the real clock: the second request of a source goes out a second after the first.
    LoopbackServer server({Page(2, 1), Page(2, 1)});
    LoopFetch fetch(server, LoopDefinition(false));
    HostPacer real;
    fetch.request.pacer = &real;
    const auto start = steady_clock::now();
    const DefinedFetchResult result = fetch.Run();
    EXPECT_TRUE(result.Ok()) << result.error;
    EXPECT_EQ(result.requests, 2u);
    EXPECT_GE(steady_clock::now() - start, 1000ms);
}

}  // namespace
}  // namespace yomida

#include "download/HttpClient.h"

#include <gtest/gtest.h>

#include <cstring>

#include "download/HttpWaiter.h"
#include "support/LoopbackServer.h"
#include "support/TestCertificates.h"
#include "support/TestSupport.h"
#include "text/SjisLiteral.h"

namespace yomida {
namespace {

using Reply = test::LoopbackServer::Reply;
using namespace std::chrono;

// A server that answers with one scripted piece per read, so each piece arrives on its own.
class PiecewiseConnection final : public TcpConnection {
public:
    explicit PiecewiseConnection(std::vector<std::string> pieces) : pieces_(std::move(pieces)) {}
    bool SendAll(std::string_view, TcpWaiter&) override { return true; }
    std::optional<size_t> Read(char* buffer, size_t size, TcpWaiter&) override {
        if (next_ == pieces_.size()) {
            return 0;
        }
        const std::string& piece = pieces_[next_++];
        EXPECT_LE(piece.size(), size);
        std::memcpy(buffer, piece.data(), piece.size());
        return piece.size();
    }

private:
    std::vector<std::string> pieces_;
    size_t next_ = 0;
};

class PiecewiseConnector final : public TcpConnector {
public:
    std::vector<std::string> pieces;
    Attempt Connect(const std::string&, int, TcpWaiter&) override {
        return {Outcome::Connected, std::make_unique<PiecewiseConnection>(pieces), {}};
    }
};

// Connects through another connector and notes where the last connection was to go.
class RecordingConnector final : public TcpConnector {
public:
    explicit RecordingConnector(TcpConnector& connector) : connector_(connector) {}
    std::string host;
    int port = 0;
    Attempt Connect(const std::string& toHost, int toPort, TcpWaiter& waiter) override {
        host = toHost;
        port = toPort;
        return connector_.Connect(toHost, toPort, waiter);
    }

private:
    TcpConnector& connector_;
};

HttpRequest Get(const std::string& url) {
    HttpRequest request;
    request.url = url;
    return request;
}

HttpRequest Head(const std::string& url) {
    HttpRequest request = Get(url);
    request.command = HttpCommand::kHead;
    return request;
}

// Counts what a request reports while it runs, and cancels it once `cancelWhen` says so.
struct Watch {
    int packets = 0;
    int pumps = 0;
    uint64_t received = 0;
    uint64_t announced = 0;
    std::function<bool()> cancelWhen;

    void Reset() { packets = pumps = 0; }
    HttpProgress Progress() {
        return {[this](uint64_t r, uint64_t a) {
                    ++packets;
                    received = r;
                    announced = a;
                },
                [this] { ++pumps; }, [this] { return cancelWhen && cancelWhen(); }};
    }
};

class HttpTest : public ::testing::Test {
protected:
    test::TempDir dir;
    PosixTcpConnector posix;
    RecordingConnector connector{posix};
    HttpClient http{connector};

    // The request with its body going to download.dat.
    HttpRequest ToFile(HttpRequest request) {
        request.bodyFile = dir / "download.dat";
        return request;
    }
    std::string BodyFile() { return test::ReadBytes(dir / "download.dat"); }
    std::string ErrorOf(const HttpRequest& request, const HttpProgress& progress = {}) {
        return http.Get(request, progress).error;
    }
};

// The wire cases, over plain TCP and over TLS from a test authority the client trusts.
class WireTest : public HttpTest, public ::testing::WithParamInterface<bool> {
protected:
    std::unique_ptr<test::TestCa> ca;
    std::optional<test::ServerIdentity> tls;

    void SetUp() override {
        if (GetParam()) {
            ca = std::make_unique<test::TestCa>();
            ca->TrustIn(dir / "ca.pem");
            tls = ca->IssueForLoopback();
        }
    }
};

INSTANTIATE_TEST_SUITE_P(Transports, WireTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "Tls" : "Tcp";
                         });

const std::string kAccept =
    "Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff\r\n"
    "Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript\r\n";
const std::string kContentType = "Content-type: application/x-www-form-urlencoded\r\n\r\n";

TEST_F(HttpTest, UrlRules) {
    EXPECT_EQ(ErrorOf(Get("")), "Empty URL");
    // A host that cannot be found keeps the documented text first and says what failed.
    std::string error = ErrorOf(Get("HTTPS://example.invalid/x"));
    EXPECT_TRUE(error.starts_with(
        "Null Remote Address\nThe host name example.invalid could not be resolved"))
        << error;
    EXPECT_EQ(connector.port, 443);
    error = ErrorOf(Get("http://no-such-host.invalid/x"));
    EXPECT_TRUE(error.starts_with("Null Remote Address\n")) << error;
    EXPECT_EQ(connector.host, "no-such-host.invalid");
    // Port 1 on loopback: nobody listens there.
    EXPECT_EQ(ErrorOf(Get("http://127.0.0.1:1/x")), "Connection Failed");
    EXPECT_EQ(connector.port, 1);

    // Without a host to ask, with a user name, or with a host that is no name, nothing is sent.
    connector.host.clear();
    for (const char* url : {"/x", "http:///x", "http://user@127.0.0.1:1/x", "http://a b/x",
                            "http://a\r\nX-Injected: 1/x", "http://[::1/x", "http://[v1.x]/"}) {
        EXPECT_EQ(ErrorOf(Get(url)), "Invalid URL") << url;
    }
    EXPECT_EQ(connector.host, "");
    // The proxy setting names a host too.
    HttpRequest proxied = Get("http://www.example.invalid/");
    proxied.proxy = "proxy.example\r\nX-Injected: 1";
    proxied.proxyPort = 8080;
    EXPECT_EQ(ErrorOf(proxied), "Invalid proxy host: proxy.example%0D%0AX-Injected:%201");
    EXPECT_EQ(connector.host, "");
}

TEST_F(HttpTest, RequestTextWithAndWithoutProxy) {
    test::LoopbackServer server({{"HTTP/1.0 200 OK\r\n\r\nbody"}, {"HTTP/1.0 200 OK\r\n\r\n"}});
    const HttpResponse response =
        http.Get(ToFile(Get("http://127.0.0.1:" + std::to_string(server.Port()))), {});  // no path
    EXPECT_EQ(connector.port, server.Port());
    EXPECT_EQ(server.Requests().at(0),
              "GET / HTTP/1.0\r\nHost: 127.0.0.1:" + std::to_string(server.Port()) + "\r\n" +
                  kAccept + kContentType);
    EXPECT_EQ(BodyFile(), "body");
    EXPECT_EQ(response.outcome, HttpOutcome::kOk);

    // Through a proxy the request line carries the whole URL.
    HttpRequest head = Head("http://www.example.invalid/list?x=1");
    head.proxy = "127.0.0.1";
    head.proxyPort = server.Port();
    EXPECT_TRUE(http.Get(head, {}).Ok());
    EXPECT_EQ(server.Requests().at(1),
              "HEAD http://www.example.invalid/list?x=1 HTTP/1.0\r\n"
              "Proxy-Connection: Keep-Alive\r\nHost: www.example.invalid\r\n" +
                  kAccept + kContentType);
}

TEST_F(HttpTest, UrlsGoOutWholeAndEncoded) {
    const std::string longPath = "/list?q=" + std::string(8000, 'q');
    test::LoopbackServer server(
        {{"HTTP/1.0 200 OK\r\n\r\n"},
         {"HTTP/1.0 302 Found\r\nLocation: " + longPath + "&week=2551\r\n\r\n"},
         {"HTTP/1.0 200 OK\r\n\r\n"},
         {"HTTP/1.0 200 OK\r\n\r\n"},
         {"HTTP/1.0 200 OK\r\n\r\n"}});
    // A long query keeps its end, also when a redirect names it.
    EXPECT_TRUE(http.Get(Get(server.Url(longPath + "&week=2550")), {}).Ok());
    EXPECT_TRUE(http.Get(Get(server.Url("/moved")), {}).Ok());
    auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_TRUE(requests[0].starts_with("GET " + longPath + "&week=2550 HTTP/1.0\r\n"));
    EXPECT_TRUE(requests[2].starts_with("GET " + longPath + "&week=2551 HTTP/1.0\r\n"));
    // A longer one is refused rather than cut, and nothing is sent.
    const std::string tooLong = server.Url("/" + std::string(kHttpMaxUrlBytes, 'x'));
    EXPECT_EQ(ErrorOf(Get(tooLong)), "URL too long: " + std::to_string(tooLong.size()) +
                                         " bytes, at most " + std::to_string(kHttpMaxUrlBytes));

    // Blanks, control bytes and CP932 text go out percent-encoded; a User-Agent only when set.
    HttpRequest odd = Get(server.Url("/a b\tc?q=" + "コミック"_sj + "&x=\r\nInjected: 1#part"));
    EXPECT_TRUE(http.Get(odd, {}).Ok());
    odd.url = server.Url("/ua");
    odd.userAgent = "YOMIDA/2.0\r\nX-Injected: 1";
    EXPECT_TRUE(http.Get(odd, {}).Ok());
    requests = server.Requests();
    ASSERT_EQ(requests.size(), 5u);
    EXPECT_TRUE(requests[3].starts_with(
        "GET /a%20b%09c?q=%83R%83~%83b%83N&x=%0D%0AInjected:%201 HTTP/1.0\r\nHost: "))
        << requests[3];
    EXPECT_EQ(requests[4], "GET /ua HTTP/1.0\r\nHost: 127.0.0.1:" + std::to_string(server.Port()) +
                               "\r\nUser-Agent: YOMIDA/2.0\r\n" + kAccept + kContentType);
}

TEST_P(WireTest, HeaderBodyProgressAndOutcomes) {
    const std::string body(150000, 'b');
    test::LoopbackServer server(
        {{"HTTP/1.1 200 OK\r\ncontent-length: 150000\r\nLast-Modified: Mon, 05 May 2003\r\n\r\n" +
          body},
         {"no status line at all"},
         {"HTTP/1.0 404 Not Found\r\n\r\nmissing"},
         {"HTTP/1.0 200 OK\r\n\r\nhead body is ignored"},
         {"HTTP/1.0 200 OK\r\n\r\nreplaced"}},
        tls);
    Watch watch;
    HttpResponse response = http.Get(ToFile(Get(server.Url("/a"))), watch.Progress());
    EXPECT_EQ(response.header,
              "HTTP/1.1 200 OK\r\ncontent-length: 150000\r\nLast-Modified: Mon, 05 May "
              "2003\r\n\r\n");
    EXPECT_EQ(response.announcedLength, 150000u);
    EXPECT_EQ(response.receivedBytes, 150000u);
    EXPECT_EQ(watch.received, 150000u);
    EXPECT_EQ(watch.announced, 150000u);
    EXPECT_EQ(BodyFile(), body);
    EXPECT_GE(watch.packets, 3) << "chunks of at most 64 KB";

    response = http.Get(Get(server.Url("/b")), {});
    EXPECT_EQ(response.outcome, HttpOutcome::kOk) << "no status line counts as status 0";
    EXPECT_EQ(response.status, 0);

    response = http.Get(Get(server.Url("/c")), {});
    EXPECT_EQ(response.outcome, HttpOutcome::kHttpStatus);
    EXPECT_EQ(response.status, 404);
    EXPECT_EQ(response.body, "missing");

    response = http.Get(ToFile(Head(server.Url("/d"))), {});
    EXPECT_EQ(BodyFile(), "") << "a HEAD leaves the body file empty";
    EXPECT_TRUE(response.Ok());

    // A link at the body file is replaced, never written through.
    test::WriteBytes(dir / "elsewhere", "kept");
    std::filesystem::remove(dir / "download.dat");
    std::filesystem::create_symlink(dir / "elsewhere", dir / "download.dat");
    HttpRequest replacing = ToFile(Get(server.Url("/e")));
    replacing.replaceBodyFile = true;
    EXPECT_TRUE(http.Get(replacing, {}).Ok());
    EXPECT_FALSE(std::filesystem::is_symlink(dir / "download.dat"));
    EXPECT_EQ(BodyFile(), "replaced");
    EXPECT_EQ(test::ReadBytes(dir / "elsewhere"), "kept");
}

TEST_P(WireTest, RedirectsResolveRelativeLocationsAndEnd) {
    test::LoopbackServer server(
        {{"HTTP/1.0 302 Found\r\nSet-Cookie: sid=42; path=/\r\nLocation: /next\r\n\r\n"},
         {"HTTP/1.0 301 Moved\r\nLocation: final.html\r\n\r\n"},
         {"HTTP/1.0 200 OK\r\n\r\nthere"},
         {"HTTP/1.0 302 Found\r\nLocation: sub/t.html\r\n\r\n"},
         {"HTTP/1.0 302 Found\r\nLocation: ../t.html\r\n\r\n"},
         {"HTTP/1.0 302 Found\r\nLocation: ./x/../y.html?q=1#frag\r\n\r\n"},
         {"HTTP/1.0 302 Found\r\nLocation: //127.0.0.1:1/\r\n\r\n"},
         {"HTTP/1.0 303 See Other\r\n\r\n"}},
        tls);
    HttpResponse response = http.Get(Get(server.Url("/start")), {});
    EXPECT_EQ(response.body, "there");
    auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_TRUE(requests[1].starts_with("GET /next HTTP/1.0\r\n"));
    EXPECT_NE(requests[1].find("\r\nCookie: sid=42\r\n"), std::string::npos);
    EXPECT_TRUE(requests[2].starts_with("GET /final.html HTTP/1.0\r\n"));
    EXPECT_EQ(requests[0].find("Cookie"), std::string::npos);

    // A relative Location is read against the page that gave it, never as a host name.
    response = http.Get(Get(server.Url("/dir/sub/start")), {});
    EXPECT_EQ(response.error, "Connection Failed") << "the last one names another port";
    requests = server.Requests();
    ASSERT_EQ(requests.size(), 7u);
    EXPECT_TRUE(requests[4].starts_with("GET /dir/sub/sub/t.html HTTP/1.0\r\n")) << requests[4];
    EXPECT_TRUE(requests[5].starts_with("GET /dir/sub/t.html HTTP/1.0\r\n")) << requests[5];
    EXPECT_TRUE(requests[6].starts_with("GET /dir/sub/y.html?q=1 HTTP/1.0\r\n")) << requests[6];
    EXPECT_EQ(connector.host, "127.0.0.1");
    EXPECT_EQ(connector.port, 1);

    // A 3xx without a Location ends the request without a page or an error status.
    response = http.Get(Get(server.Url("/nowhere")), {});
    EXPECT_EQ(response.outcome, HttpOutcome::kHttpStatus);
    EXPECT_EQ(response.status, 303);
    EXPECT_EQ(response.error, "");

    std::vector<Reply> endless(HttpClient::kMaxRedirects + 1,
                               Reply{"HTTP/1.0 302 Found\r\nLocation: /again\r\n\r\n"});
    test::LoopbackServer loop(endless, tls);
    EXPECT_EQ(ErrorOf(Get(loop.Url("/again"))), "Too many redirects");
}

TEST_P(WireTest, CancelAtEachStage) {
    // While reading the header: the server sends half a header and waits.
    // While reading the body: one byte every 20 ms.
    test::LoopbackServer slow({{"HTTP/1.0 200 OK\r\nX-Slow: ", "", 0, true},
                               {"HTTP/1.0 200 OK\r\n\r\n", std::string(100, 'x'), 20},
                               {"HTTP/1.0 200 OK\r\n\r\n", std::string(100, 'x'), 20}},
                              tls);
    // The message loop turns while bytes trickle in, so the cancel button works there too.
    Watch watch;
    watch.cancelWhen = [&] { return watch.pumps >= 5; };
    EXPECT_EQ(ErrorOf(Get(slow.Url("/h")), watch.Progress()), "Socket readln aborted");
    watch.Reset();
    HttpResponse response = http.Get(ToFile(Get(slow.Url("/f"))), watch.Progress());
    EXPECT_EQ(response.error, "Socket send aborted");
    EXPECT_EQ(response.outcome, HttpOutcome::kCancelled);
    watch.Reset();
    EXPECT_EQ(ErrorOf(Get(slow.Url("/t")), watch.Progress()), "Socket capture aborted");
    EXPECT_FALSE(http.Connected());
}

TEST_P(WireTest, ResponsesCarryEveryOutcome) {
    test::LoopbackServer server({{"HTTP/1.0 200 OK\r\nContent-Length: 4\r\n\r\nbody"},
                                 {"HTTP/1.0 200 OK\r\n\r\nto file"},
                                 {"HTTP/1.0 200 OK\r\n\r\n", "", 0, true}},
                                tls);
    std::vector<std::pair<uint64_t, uint64_t>> progress;
    const HttpProgress watch{
        [&](uint64_t received, uint64_t announced) { progress.emplace_back(received, announced); },
        {},
        {}};

    HttpRequest request = Get(server.Url("/a"));
    HttpResponse response = http.Get(request, watch);
    EXPECT_EQ(response.outcome, HttpOutcome::kOk);
    EXPECT_EQ(response.status, 200);
    EXPECT_EQ(response.header, "HTTP/1.0 200 OK\r\nContent-Length: 4\r\n\r\n");
    EXPECT_EQ(response.body, "body");
    EXPECT_EQ(response.error, "");
    EXPECT_EQ(progress, (std::vector<std::pair<uint64_t, uint64_t>>{{4, 4}}));

    request.url = server.Url("/b");
    request.bodyFile = dir / "other.dat";
    response = http.Get(request, watch);
    EXPECT_TRUE(response.Ok());
    EXPECT_EQ(response.bodyFile, dir / "other.dat");
    EXPECT_EQ(test::ReadBytes(dir / "other.dat"), "to file");
    EXPECT_EQ(response.body, "");

    // A request started from the message loop of another is refused; the first goes on until
    // it is cancelled.
    HttpResponse nested;
    const HttpProgress cancelling{{},
                                  [&] {
                                      if (nested.error.empty()) {
                                          nested = http.Get(Get(server.Url("/x")), {});
                                      }
                                  },
                                  [&] { return !nested.error.empty(); }};
    response = http.Get(Get(server.Url("/silent")), cancelling);
    EXPECT_EQ(response.outcome, HttpOutcome::kCancelled);
    // The first turn of the loop may come while the header is still on its way (TLS).
    EXPECT_TRUE(response.error == "Socket capture aborted" ||
                response.error == "Socket readln aborted")
        << response.error;
    EXPECT_EQ(nested.error, "Already connected");
    EXPECT_EQ(nested.outcome, HttpOutcome::kTransportError);
    EXPECT_EQ(server.Requests().size(), 3u);

    response = http.Get(Get("http://127.0.0.1:1/x"), {});
    EXPECT_EQ(response.outcome, HttpOutcome::kTransportError);
    EXPECT_EQ(response.error, "Connection Failed");
    EXPECT_EQ(response.status, 0) << "nothing of the request before passes for this one's answer";
    EXPECT_EQ(response.header, "");
    EXPECT_EQ(response.receivedBytes, 0u);
}

TEST_P(WireTest, HostileServers) {
    test::LoopbackServer server(
        {{"HTTP/1.0 200 OK\r\nX-Big: " + std::string(4096, 'h'), "", 0, false, false, 300},
         {"HTTP/1.0 200 OK\r\n\r\n" + std::string(8192, 'z'), "", 0, false, false, 200},
         {"\x01\xff\xfe garbage \x80\r\n\r\nrest"},
         {"HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nmuch longer body"},
         {"HTTP/1.0 200 OK\r\nContent-Length: 99999\r\n\r\nshort", "", 0, false, true},
         {"HTTP/1.0 200 OK\r\nContent-Length: 99999\r\n\r\nshort"},
         {"HTTP/1.0 200 OK\r\nX-Half: ", "", 0, false, true},
         {"HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nexact"},
         {"HTTP/1.0 200 OK\r\nContent-Length: 2000000\r\n\r\nfar too long"}},
        tls);
    const auto fetch = [&](const std::string& path) {
        HttpRequest request = ToFile(Get(server.Url(path)));
        request.maxBodyBytes = 1024 * 1024;
        return http.Get(request, {});
    };
    EXPECT_EQ(fetch("/header").error, "Header too large");
    EXPECT_EQ(fetch("/body").error, "Body too large");
    EXPECT_TRUE(fetch("/garbage").Ok());
    EXPECT_EQ(BodyFile(), "rest");
    EXPECT_TRUE(fetch("/longer").Ok());
    EXPECT_EQ(BodyFile(), "much ") << "what comes past the announced length is not the page";
    // A cut transfer is an error, never a success with a shortened body.
    EXPECT_EQ(fetch("/reset").error, "Connection reset");
    EXPECT_EQ(fetch("/closed-early").error, "Connection closed before the end of the body");
    EXPECT_EQ(fetch("/reset-in-header").error, "Connection reset");
    EXPECT_TRUE(fetch("/exact").Ok());
    EXPECT_EQ(BodyFile(), "exact");
    // A body announced as too large is refused before any of it is stored.
    const HttpResponse tooLarge = fetch("/announced-too-large");
    EXPECT_EQ(tooLarge.error, "Body too large");
    EXPECT_EQ(tooLarge.receivedBytes, 0u);
}

TEST_P(WireTest, ABodyOfItsAnnouncedLengthEndsTheResponse) {
    // The servers (or a proxy keeping the connection) say nothing after the body and stay.
    const Reply whole{"HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nwhole", "", 0, true};
    test::LoopbackServer server(
        {whole,
         {"HTTP/1.0 302 Found\r\nContent-Length: 0\r\nLocation: /there\r\n\r\n", "", 0, true},
         {"HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", "", 0, true},
         whole},
        tls);
    Watch watch;
    const auto start = steady_clock::now();
    watch.cancelWhen = [&] { return steady_clock::now() - start > seconds(5); };
    HttpResponse response = http.Get(Get(server.Url("/a")), watch.Progress());
    EXPECT_EQ(response.error, "");
    EXPECT_EQ(response.body, "whole");
    response = http.Get(Get(server.Url("/moved")), watch.Progress());
    EXPECT_EQ(response.error, "");
    EXPECT_TRUE(response.Ok());
    EXPECT_EQ(response.body, "");
    if (!GetParam()) {
        // Plain http through a proxy that keeps the connection, as squid does when asked.
        HttpRequest proxied = Get("http://www.example.invalid/list");
        proxied.proxy = "127.0.0.1";
        proxied.proxyPort = server.Port();
        response = http.Get(proxied, watch.Progress());
        EXPECT_EQ(response.body, "whole");
        EXPECT_TRUE(server.Requests().back().find("\r\nProxy-Connection: Keep-Alive\r\n") !=
                    std::string::npos);
    }
    EXPECT_LT(steady_clock::now() - start, seconds(5));
}

TEST_F(HttpTest, EveryHeaderByteCountsAgainstTheCap) {
    // Whole 4096-byte lines, one per read, each shorter than the cap on its own.
    PiecewiseConnector pieces;
    const std::string line = "X-Pad: " + std::string(4096 - 9, 'h') + "\r\n";
    pieces.pieces = {"HTTP/1.0 200 OK\r\n"};
    for (int i = 0; i < 64; ++i) {
        pieces.pieces.push_back(line);
    }
    pieces.pieces.push_back("\r\nbody");
    HttpClient client(pieces);
    HttpRequest request = Get("http://example.invalid/");
    request.maxHeaderBytes = 16 * 4096;
    HttpResponse response = client.Get(request, {});
    EXPECT_EQ(response.error, "Header too large");
    EXPECT_LE(response.header.size(), request.maxHeaderBytes);

    // A header of exactly the cap, its empty line included, still passes.
    request.maxHeaderBytes = 17 + 64 * 4096 + 2;
    response = client.Get(request, {});
    EXPECT_EQ(response.header.size(), request.maxHeaderBytes);
    EXPECT_EQ(response.body, "body");
    request.maxHeaderBytes -= 1;
    EXPECT_EQ(client.Get(request, {}).error, "Header too large");
}

TEST_P(WireTest, TimeOutEndsSilentStalledAndDrippingServers) {
    test::LoopbackServer server({{"", "", 0, true},
                                 {"HTTP/1.0 200 OK\r\n\r\n" + std::string(2000, 'p'), "", 0, true},
                                 {"HTTP/1.0 200 OK\r\n\r\n", "", 0, true},
                                 {"HTTP/1.0 200 OK\r\nX-Slow: ", std::string(300, 'x'), 50, true},
                                 {"HTTP/1.0 200 OK\r\n\r\n", std::string(300, 'x'), 50, true},
                                 {"HTTP/1.0 200 OK\r\n\r\nquick"}},
                                tls);
    const auto timed = [&](const std::string& path) {
        HttpRequest request = ToFile(Get(server.Url(path)));
        request.timeOutMs = 1000;
        const auto start = steady_clock::now();
        const HttpResponse response = http.Get(request, {});
        const auto took = steady_clock::now() - start;
        EXPECT_GE(took, milliseconds(1000)) << path;
        EXPECT_LT(took, seconds(5)) << path;
        EXPECT_EQ(response.outcome, HttpOutcome::kTransportError) << path;
        EXPECT_FALSE(http.Connected());
        return response.error;
    };
    EXPECT_EQ(timed("/silent"), "Timed out: nothing received for 1 second");
    EXPECT_EQ(timed("/stalled"), "Timed out: nothing received for 1 second");
    // Right after a short header both rules run out at once; either may tell.
    EXPECT_TRUE(timed("/stalled-after-header").starts_with("Timed out: "));
    // Twenty bytes a second never leave a wait long enough for the first rule.
    EXPECT_EQ(timed("/dripping-header"), "Timed out: under 1024 bytes received in 1 second");
    EXPECT_EQ(timed("/dripping-body"), "Timed out: under 1024 bytes received in 1 second");

    HttpRequest quick = ToFile(Get(server.Url("/quick")));
    quick.timeOutMs = 1000;
    const HttpResponse response = http.Get(quick, {});
    EXPECT_EQ(BodyFile(), "quick");
    EXPECT_EQ(response.error, "");
}

TEST_P(WireTest, MoreHostileServers) {
    test::LoopbackServer server(
        {{"HTTP/1.0 302 Found\r\nLocation: https://example.invalid/secure\r\n\r\n"},
         {"HTTP/1.0 200 OK\r\nX-No-End: yes\r\n"},
         {"HTTP/1.0 200 OK\r\n\r\n", std::string(4096, 'e'), 1, true},
         {"HTTP/1.0 200 OK\r\n\r\n", "drip", 1000, true}},
        tls);
    // A redirect to https is followed to that scheme's port.
    EXPECT_TRUE(ErrorOf(Get(server.Url("/other-scheme"))).starts_with("Null Remote Address"));
    EXPECT_EQ(connector.port, 443);
    // A header that the server never ends: the stream's end ends it.
    EXPECT_EQ(http.Get(Get(server.Url("/no-end")), {}).header,
              "HTTP/1.0 200 OK\r\nX-No-End: yes\r\n");

    // A body that never ends: the user cancels.
    Watch watch;
    watch.cancelWhen = [&] { return watch.packets >= 200; };
    EXPECT_EQ(ErrorOf(ToFile(Get(server.Url("/endless"))), watch.Progress()),
              "Socket send aborted");

    // One byte a second: the message loop keeps turning between bytes, and cancel works, but
    // the wait wakes only as often as the window needs it.
    const auto start = steady_clock::now();
    watch.Reset();
    watch.cancelWhen = [&] { return steady_clock::now() - start > milliseconds(1500); };
    EXPECT_EQ(ErrorOf(ToFile(Get(server.Url("/drip"))), watch.Progress()), "Socket send aborted");
    EXPECT_GE(watch.pumps, 1500 / HttpClient::kWakeMs / 2) << "the window was served";
    EXPECT_LE(watch.pumps, 1500 / HttpClient::kWakeMs * 2) << "and no more often than that";
    EXPECT_LT(steady_clock::now() - start, seconds(3));
}

TEST_F(HttpTest, ProxiesOddPortsAndInjectedHeaders) {
    test::LoopbackServer server({{"HTTP/1.0 302 Found\r\nLocation: /ok\r\n\r\n"},
                                 {"HTTP/1.0 200 OK\r\n\r\nthrough"},
                                 {"HTTP/1.0 302 Found\r\nSet-Cookie: a=b\rY-Injected: 1\r\n"
                                  "Location: /next\rX-Injected: yes\r\n\r\n"},
                                 {"HTTP/1.0 200 OK\r\n\r\n"},
                                 {"HTTP/1.0  404  Not Found\r\n\r\n"}});
    const std::string authority = "127.0.0.1:" + std::to_string(server.Port());

    // Through a proxy a redirect to a path still names the whole URL, port included.
    HttpRequest proxied = Get(server.Url("/moved"));
    proxied.proxy = "127.0.0.1";
    proxied.proxyPort = server.Port();
    EXPECT_EQ(http.Get(proxied, {}).body, "through");
    auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_TRUE(requests[0].starts_with("GET http://" + authority + "/moved HTTP/1.0\r\n"));
    EXPECT_TRUE(requests[1].starts_with("GET http://" + authority + "/ok HTTP/1.0\r\n"))
        << requests[1];
    EXPECT_NE(requests[1].find("\r\nHost: " + authority + "\r\n"), std::string::npos);

    // A CR inside a cookie or a location goes no further than the value it cuts.
    EXPECT_TRUE(http.Get(Get(server.Url("/inject")), {}).Ok());
    requests = server.Requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_TRUE(requests[3].starts_with("GET /next HTTP/1.0\r\nHost: ")) << requests[3];
    EXPECT_NE(requests[3].find("\r\nCookie: a=b\r\n"), std::string::npos);
    EXPECT_EQ(requests[3].find("Injected"), std::string::npos);

    // Two blanks around the status still give the status.
    EXPECT_EQ(http.Get(Get(server.Url("/missing")), {}).status, 404);

    // A port out of range is refused rather than wrapped around to another one.
    for (const char* url : {"http://127.0.0.1:83537/x", "http://127.0.0.1:0/x",
                            "http://127.0.0.1:-80/x", "http://127.0.0.1:8o/x"}) {
        EXPECT_EQ(ErrorOf(Get(url)), "Invalid URL") << url;
    }
    EXPECT_EQ(server.Requests().size(), 5u);
}

TEST_F(HttpTest, CookiesGoOnlyToTheHostThatSetThem) {
    test::LoopbackServer other({{"HTTP/1.0 200 OK\r\n\r\n"}, {"HTTP/1.0 200 OK\r\n\r\n"}});
    test::LoopbackServer server(
        {{"HTTP/1.0 302 Found\r\nSet-Cookie: sid=1\r\nLocation: http://localhost:" +
          std::to_string(other.Port()) + "/elsewhere\r\n\r\n"},
         {"HTTP/1.0 200 OK\r\n\r\n"}});
    EXPECT_TRUE(http.Get(Get(server.Url("/a")), {}).Ok());
    // localhost is the same machine, but another host: it gets no cookie of 127.0.0.1's.
    EXPECT_EQ(other.Requests().at(0).find("Cookie"), std::string::npos) << other.Requests()[0];
    // The host that set it gets it back, in a later request too.
    EXPECT_TRUE(http.Get(Get(server.Url("/b")), {}).Ok());
    EXPECT_NE(server.Requests().at(1).find("\r\nCookie: sid=1\r\n"), std::string::npos);
    EXPECT_TRUE(http.Get(Get("http://localhost:" + std::to_string(other.Port()) + "/"), {}).Ok());
    EXPECT_EQ(other.Requests().at(1).find("Cookie"), std::string::npos);
}

TEST(HttpWaiter, SleepsAsLongAsNothingNeedsDoing) {
    // Without a message loop, a cancel or a time-out a wait sleeps until the socket is ready.
    HttpProgress none;
    HttpWaiter idle(none, 0);
    idle.StartTimeOut();
    EXPECT_EQ(idle.SleepLimitMs(), -1);
    // A time-out is a deadline to wake at, not a reason to wake before.
    HttpWaiter timed(none, 5000);
    timed.StartTimeOut();
    EXPECT_GT(timed.SleepLimitMs(), 4000);
    EXPECT_LE(timed.SleepLimitMs(), 5000);
    // The window's message loop and cancel button are served every kWakeMs.
    HttpProgress window{{}, [] {}, [] { return false; }};
    HttpWaiter served(window, 5000);
    served.StartTimeOut();
    EXPECT_EQ(served.SleepLimitMs(), HttpClient::kWakeMs);
    EXPECT_TRUE(served.Idle());
    HttpWaiter shortTimeOut(window, 20);
    shortTimeOut.StartTimeOut();
    EXPECT_LE(shortTimeOut.SleepLimitMs(), 20);
}

class HttpsTest : public HttpTest {
protected:
    test::TestCa ca;

    void SetUp() override { ca.TrustIn(dir / "ca.pem"); }
};

TEST_F(HttpsTest, CertificatesThatDoNotVerifyAreRefusedWithTheirReason) {
    const std::string ok = "HTTP/1.0 200 OK\r\n\r\nsecret";
    test::TestCa::Request otherHost;
    otherHost.dnsNames = {"other.example"};
    otherHost.ipAddresses = {"127.0.0.2"};
    test::TestCa::Request expired = otherHost;
    expired.dnsNames = {"localhost"};
    expired.ipAddresses = {"127.0.0.1"};
    expired.validFromSeconds = -7 * 86400;
    expired.validToSeconds = -86400;
    test::TestCa::Request selfSigned = expired;
    selfSigned.validToSeconds = 86400;
    selfSigned.selfSigned = true;
    test::TestCa::Request namesOnly;
    namesOnly.dnsNames = {"localhost", "127.0.0.1"};

    const auto refusal = [&](const test::TestCa::Request& request, const std::string& host) {
        test::LoopbackServer server({{ok}}, ca.Issue(request));
        const HttpResponse response =
            http.Get(Get("https://" + host + ":" + std::to_string(server.Port()) + "/"), {});
        EXPECT_EQ(response.body, "") << host;
        EXPECT_EQ(response.outcome, HttpOutcome::kCertificateError) << host;
        return response.error;
    };
    EXPECT_EQ(refusal(otherHost, "127.0.0.1"),
              HttpClient::CertificateErrorText("127.0.0.1", "IP address mismatch"));
    EXPECT_EQ(refusal(otherHost, "localhost"),
              HttpClient::CertificateErrorText("localhost", "hostname mismatch"));
    EXPECT_EQ(refusal(expired, "127.0.0.1"),
              HttpClient::CertificateErrorText("127.0.0.1", "certificate has expired"));
    EXPECT_EQ(refusal(selfSigned, "localhost"),
              HttpClient::CertificateErrorText("localhost", "self-signed certificate"));
    // An address is checked against the certificate's addresses, never against its names.
    EXPECT_EQ(refusal(namesOnly, "127.0.0.1"),
              HttpClient::CertificateErrorText("127.0.0.1", "IP address mismatch"));
    EXPECT_EQ(HttpClient::CertificateErrorText("h", "r"), "証明書を確認できません: h (r)"_sj);

    // The same server certificate verifies by name and by address.
    test::LoopbackServer good({{ok}, {ok}}, ca.IssueForLoopback());
    EXPECT_EQ(http.Get(Get("https://localhost:" + std::to_string(good.Port()) + "/"), {}).body,
              "secret");
    EXPECT_EQ(http.Get(Get(good.Url("/")), {}).body, "secret");
    EXPECT_TRUE(good.Requests().at(0).starts_with("GET / HTTP/1.0\r\nHost: localhost:"));
}

TEST_F(HttpsTest, RedirectsBetweenSchemesCookiesAndCutStreams) {
    test::LoopbackServer end({{"HTTP/1.0 200 OK\r\n\r\nback on http"}});
    test::LoopbackServer secure(
        {{"HTTP/1.0 302 Found\r\nSet-Cookie: s=1; Secure\r\nLocation: /b2\r\n\r\n"},
         {"HTTP/1.0 301 Moved\r\nLocation: " + end.Url("/c") + "\r\n\r\n"},
         {"HTTP/1.0 200 OK\r\n\r\nno close_notify", "", 0, false, false, 1, true},
         {"HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\nshort"},
         {"HTTP/1.0 200 OK\r\n\r\n" + std::string(70000, 'r'), "", 0, false, true},
         {"HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nwhole", "", 0, false, false, 1, true},
         {"HTTP/1.0 302 Found\r\nContent-Length: 0\r\nLocation: /whole\r\n\r\n", "", 0, false,
          false, 1, true},
         {"HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nwhole", "", 0, false, false, 1, true}},
        ca.IssueForLoopback());
    test::LoopbackServer start(
        {{"HTTP/1.0 302 Found\r\nLocation: " + secure.Url("/b") + "\r\n\r\n"},
         {"HTTP/1.0 200 OK\r\n\r\n"}});
    // http may lead to https; https does not lead back to http, and says so.
    const HttpResponse response = http.Get(Get(start.Url("/a")), {});
    EXPECT_EQ(response.error, "Redirect from https to http refused: http://127.0.0.1:" +
                                  std::to_string(end.Port()) + "/c");
    EXPECT_EQ(response.outcome, HttpOutcome::kTransportError);
    EXPECT_TRUE(end.Requests().empty());
    ASSERT_EQ(secure.Requests().size(), 2u);
    EXPECT_TRUE(secure.Requests()[0].starts_with("GET /b HTTP/1.0\r\nHost: 127.0.0.1:"));
    // A Secure cookie goes back over https only.
    EXPECT_NE(secure.Requests()[1].find("\r\nCookie: s=1\r\n"), std::string::npos);
    EXPECT_TRUE(http.Get(Get(start.Url("/plain")), {}).Ok());
    EXPECT_EQ(start.Requests().at(1).find("Cookie"), std::string::npos);

    // A TLS stream cut without close_notify, or shorter than announced, is no whole page.
    EXPECT_EQ(ErrorOf(Get(secure.Url("/cut"))), "Connection closed without TLS close_notify");
    EXPECT_EQ(ErrorOf(Get(secure.Url("/short"))), "Connection closed before the end of the body");
    EXPECT_EQ(ErrorOf(Get(secure.Url("/reset"))), "Connection reset");
    // Without close_notify, a body of exactly its announced length is whole, 0 bytes included.
    EXPECT_EQ(http.Get(Get(secure.Url("/whole")), {}).body, "whole");
    const HttpResponse redirected = http.Get(Get(secure.Url("/moved")), {});
    EXPECT_EQ(redirected.error, "");
    EXPECT_EQ(redirected.body, "whole");

    // A plain server behind an https URL fails the handshake.
    test::LoopbackServer notTls({{"HTTP/1.0 200 OK\r\n\r\nplain"}});
    EXPECT_TRUE(ErrorOf(Get("https://127.0.0.1:" + std::to_string(notTls.Port()) + "/"))
                    .starts_with("TLS handshake failed: "));
}

TEST_F(HttpsTest, AServerThatNeverFinishesTheHandshakeIsLeftByCancelOrTimeOut) {
    // A plain server that takes the client's hello for a request and then says nothing.
    test::LoopbackServer silent({{"", "", 0, true}, {"", "", 0, true}});
    const std::string url = "https://127.0.0.1:" + std::to_string(silent.Port()) + "/";
    Watch watch;
    watch.cancelWhen = [&] { return watch.pumps >= 5; };
    EXPECT_EQ(ErrorOf(Get(url), watch.Progress()), "Connection Canceled");
    EXPECT_FALSE(http.Connected());
    HttpRequest timed = Get(url);
    timed.timeOutMs = 500;
    EXPECT_EQ(ErrorOf(timed), "Timed out: nothing received for 500 milliseconds");
}

TEST_F(HttpsTest, ThroughAProxyHttpsGoesThroughATunnel) {
    test::LoopbackServer secure({{"HTTP/1.0 200 OK\r\n\r\ntunnelled"}}, ca.IssueForLoopback());
    test::TunnelProxy proxy;
    HttpRequest request = Get(secure.Url("/list?x=1"));
    request.proxy = "127.0.0.1";
    request.proxyPort = proxy.Port();
    EXPECT_EQ(http.Get(request, {}).body, "tunnelled");
    const std::string authority = "127.0.0.1:" + std::to_string(secure.Port());
    EXPECT_EQ(proxy.Requests().at(0),
              "CONNECT " + authority + " HTTP/1.0\r\nHost: " + authority + "\r\n\r\n");
    // Inside the tunnel the server gets the path, and nothing meant for the proxy.
    EXPECT_EQ(secure.Requests().at(0),
              "GET /list?x=1 HTTP/1.0\r\nHost: " + authority + "\r\n" + kAccept + kContentType);

    test::TunnelProxy refusing("HTTP/1.0 403 Forbidden\r\n\r\n");
    request.url = "https://www.example.invalid/";
    request.proxyPort = refusing.Port();
    EXPECT_EQ(ErrorOf(request), "Proxy refused the tunnel: HTTP/1.0 403 Forbidden");
    EXPECT_EQ(refusing.Requests().at(0),
              "CONNECT www.example.invalid:443 HTTP/1.0\r\nHost: www.example.invalid:443\r\n\r\n");
}

// The IPv6 loopback server, or nothing where there is no IPv6 loopback.
std::optional<test::LoopbackServer> Ipv6Server(std::vector<Reply> replies,
                                               const std::optional<test::ServerIdentity>& tls) {
    try {
        return std::optional<test::LoopbackServer>(std::in_place, std::move(replies), tls,
                                                   test::LoopbackServer::Family::kIpv6);
    } catch (const std::runtime_error&) {
        return std::nullopt;
    }
}

TEST_P(WireTest, Ipv6Addresses) {
    std::optional<test::LoopbackServer> v6 =
        Ipv6Server({{"HTTP/1.0 200 OK\r\n\r\nover IPv6"}}, tls);
    if (!v6) {
        GTEST_SKIP() << "no IPv6 loopback here";
    }
    const HttpResponse response = http.Get(Get(v6->Url("/literal")), {});
    EXPECT_EQ(response.body, "over IPv6") << response.error;
    EXPECT_EQ(connector.host, "::1");
    EXPECT_TRUE(v6->Requests().at(0).starts_with(
        "GET /literal HTTP/1.0\r\nHost: [::1]:" + std::to_string(v6->Port()) + "\r\n"));
}

TEST_F(HttpTest, ANameStandsForEachOfItsAddressesInTurn) {
    test::LoopbackServer v4({{"HTTP/1.0 200 OK\r\n\r\nIPv4"}});
    std::optional<test::LoopbackServer> v6 =
        Ipv6Server({{"HTTP/1.0 200 OK\r\n\r\nIPv6"}}, std::nullopt);
    if (!v6) {
        GTEST_SKIP() << "no IPv6 loopback here";
    }
    PosixTcpConnector dual([](const std::string& host) {
        return host == "dual.test" ? HostAddresses{{"::1", "127.0.0.1"}, {}}
                                   : HostAddresses{{}, "unknown"};
    });
    HttpClient client(dual);
    // Each server listens on one address only: the other address of the name is refused.
    HttpResponse response =
        client.Get(Get("http://dual.test:" + std::to_string(v4.Port()) + "/"), {});
    EXPECT_EQ(response.body, "IPv4") << response.error;
    response = client.Get(Get("http://dual.test:" + std::to_string(v6->Port()) + "/"), {});
    EXPECT_EQ(response.body, "IPv6") << response.error;
    EXPECT_TRUE(v4.Requests().at(0).starts_with("GET / HTTP/1.0\r\nHost: dual.test:"));
    EXPECT_EQ(client.Get(Get("http://other.test/"), {}).error,
              "Null Remote Address\nThe host name other.test could not be resolved (unknown)");

    // The system's resolver gives IPv6 addresses as well as IPv4 ones.
    const HostAddresses local = PosixTcpConnector::SystemLookup("localhost");
    EXPECT_NE(std::find(local.addresses.begin(), local.addresses.end(), "127.0.0.1"),
              local.addresses.end());
    EXPECT_FALSE(PosixTcpConnector::SystemLookup("no-such-host.invalid").error.empty());
}

}  // namespace
}  // namespace yomida

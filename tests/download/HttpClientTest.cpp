#include "download/HttpClient.h"

#include <gtest/gtest.h>

#include <cstring>

#include "support/LoopbackServer.h"
#include "support/TestCertificates.h"
#include "support/TestSupport.h"
#include "text/SjisLiteral.h"

namespace yomida {
namespace {

using Reply = test::LoopbackServer::Reply;

// A server that answers with one scripted piece per read, so each piece arrives on its own.
class PiecewiseConnection final : public TcpConnection {
public:
    explicit PiecewiseConnection(std::vector<std::string> pieces) : pieces_(std::move(pieces)) {}
    bool SendAll(std::string_view, const std::function<bool()>&) override { return true; }
    std::optional<size_t> Read(char* buffer, size_t size, const std::function<bool()>&) override {
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
    Outcome Connect(const std::string&, int, const std::function<bool()>&,
                    std::unique_ptr<TcpConnection>& connection) override {
        connection = std::make_unique<PiecewiseConnection>(pieces);
        return Outcome::Connected;
    }
};

// Drives the client one request at a time the way the wire cases were written: the request's
// settings stay from one request to the next, what came back is kept, a failed request throws
// its error, and the host and port the client connected to are noted.
class ClientDriver final : public TcpConnector {
public:
    explicit ClientDriver(TcpConnector& connector) : connector_(connector) {}

    // The request.
    std::string Proxy;
    int ProxyPort = 0;
    bool InputFileMode = true;  // the body goes to BodyFile
    std::filesystem::path BodyFile;
    bool ReplaceBodyFile = false;
    size_t MaxHeaderBytes = kHttpMaxHeaderBytes;
    uint64_t MaxBodyBytes = kHttpMaxBodyBytes;
    int TimeOut = 0;
    // The progress; Cancel() from inside them cancels the request.
    std::function<void()> OnPacketRecvd;
    std::function<void()> MessagePump;
    // What came back.
    std::string Host;
    int Port = 0;
    std::string Header;
    std::string Body;
    uint64_t ReceivedBytes = 0;
    uint64_t AnnouncedLength = 0;
    std::string Error;
    std::vector<HttpClient::Command> successes;
    std::vector<HttpClient::Command> failures;

    void Get(const std::string& url) { Request(HttpClient::kGet, url); }
    void Head(const std::string& url) { Request(HttpClient::kHead, url); }
    HttpResponse Get(const HttpRequest& request, const HttpProgress& progress) {
        return client_.Get(request, progress);
    }
    void Cancel() { cancel_ = true; }
    bool Connected() const { return client_.Connected(); }

    Outcome Connect(const std::string& host, int port, const std::function<bool()>& idle,
                    std::unique_ptr<TcpConnection>& connection) override {
        Host = host;
        Port = port;
        return connector_.Connect(host, port, idle, connection);
    }

private:
    void Request(HttpClient::Command command, const std::string& url) {
        HttpRequest request;
        request.command = command;
        request.url = url;
        request.proxy = Proxy;
        request.proxyPort = ProxyPort;
        request.bodyFile = InputFileMode ? BodyFile : std::filesystem::path();
        request.replaceBodyFile = ReplaceBodyFile;
        request.maxHeaderBytes = MaxHeaderBytes;
        request.maxBodyBytes = MaxBodyBytes;
        request.timeOutMs = TimeOut;
        cancel_ = false;
        HttpProgress progress;
        progress.onBytes = [this](uint64_t received, uint64_t announced) {
            ReceivedBytes = received;
            AnnouncedLength = announced;
            if (OnPacketRecvd) {
                OnPacketRecvd();
            }
        };
        progress.pump = [this] {
            if (MessagePump) {
                MessagePump();
            }
        };
        progress.cancelled = [this] { return cancel_; };
        const HttpResponse response = client_.Get(request, progress);
        Header = response.header;
        Body = response.body;
        ReceivedBytes = response.receivedBytes;
        AnnouncedLength = response.announcedLength;
        Error = response.error;
        if (response.outcome == HttpOutcome::kOk) {
            successes.push_back(command);
        } else if (response.outcome == HttpOutcome::kHttpStatus && response.status > 399) {
            failures.push_back(command);
        }
        if (!response.error.empty()) {
            throw HttpError(response.error);
        }
    }

    TcpConnector& connector_;
    HttpClient client_{*this};
    bool cancel_ = false;
};

class HttpTest : public ::testing::Test {
protected:
    test::TempDir dir;
    PosixTcpConnector connector;
    ClientDriver http{connector};
    std::vector<HttpClient::Command>& successes = http.successes;
    std::vector<HttpClient::Command>& failures = http.failures;
    int packets = 0;
    int pumps = 0;

    void SetUp() override {
        http.OnPacketRecvd = [this] { ++packets; };
        http.MessagePump = [this] { ++pumps; };
        http.BodyFile = dir / "download.dat";
    }
    std::string BodyFile() { return test::ReadBytes(dir / "download.dat"); }
    std::string ErrorOf(const std::function<void()>& request) {
        try {
            request();
        } catch (const HttpError& e) {
            return e.what();
        }
        return "";
    }
};

// The wire cases, over plain TCP and over TLS from a test authority the client trusts.
class WireTest : public HttpTest, public ::testing::WithParamInterface<bool> {
protected:
    std::unique_ptr<test::TestCa> ca;
    std::optional<test::ServerIdentity> tls;

    void SetUp() override {
        HttpTest::SetUp();
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

TEST_F(HttpTest, UrlRules) {
    EXPECT_EQ(ErrorOf([&] { http.Get(""); }), "Empty URL");
    EXPECT_EQ(ErrorOf([&] { http.Get("HTTPS://example.invalid/x"); }), "Null Remote Address");
    EXPECT_EQ(http.Port, 443);
    EXPECT_EQ(ErrorOf([&] { http.Get("http://no-such-host.invalid/x"); }), "Null Remote Address");
    EXPECT_EQ(http.Host, "no-such-host.invalid");
    // Port 1 on loopback: nobody listens there.
    EXPECT_EQ(ErrorOf([&] { http.Get("http://127.0.0.1:1/x"); }), "Connection Failed");
    EXPECT_EQ(http.Port, 1);
}

TEST_F(HttpTest, RequestTextWithAndWithoutProxy) {
    test::LoopbackServer server({{"HTTP/1.0 200 OK\r\n\r\nbody"}, {"HTTP/1.0 200 OK\r\n\r\n"}});
    http.Get("http://127.0.0.1:" + std::to_string(server.Port()));  // no path
    EXPECT_EQ(http.Port, server.Port());
    EXPECT_EQ(server.Requests().at(0),
              "GET / HTTP/1.0\r\nHost: 127.0.0.1:" + std::to_string(server.Port()) +
                  "\r\n"
                  "Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff\r\n"
                  "Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript\r\n"
                  "Content-type: application/x-www-form-urlencoded\r\n\r\n");
    EXPECT_EQ(BodyFile(), "body");
    EXPECT_EQ(successes, std::vector<HttpClient::Command>{HttpClient::kGet});

    // Through a proxy the request line carries the whole URL.
    http.Proxy = "127.0.0.1";
    http.ProxyPort = server.Port();
    http.Head("http://www.example.invalid/list?x=1");
    EXPECT_EQ(server.Requests().at(1),
              "HEAD http://www.example.invalid/list?x=1 HTTP/1.0\r\n"
              "Proxy-Connection: Keep-Alive\r\nHost: www.example.invalid\r\n"
              "Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff\r\n"
              "Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript\r\n"
              "Content-type: application/x-www-form-urlencoded\r\n\r\n");
}

TEST_P(WireTest, HeaderBodyProgressAndEvents) {
    const std::string body(150000, 'b');
    test::LoopbackServer server(
        {{"HTTP/1.1 200 OK\r\ncontent-length: 150000\r\nLast-Modified: Mon, 05 May 2003\r\n\r\n" +
          body},
         {"no status line at all"},
         {"HTTP/1.0 404 Not Found\r\n\r\nmissing"},
         {"HTTP/1.0 200 OK\r\n\r\nhead body is ignored"},
         {"HTTP/1.0 200 OK\r\n\r\nreplaced"}},
        tls);
    http.Get(server.Url("/a"));
    EXPECT_EQ(http.Header,
              "HTTP/1.1 200 OK\r\ncontent-length: 150000\r\nLast-Modified: Mon, 05 May "
              "2003\r\n\r\n");
    EXPECT_EQ(http.AnnouncedLength, 150000u);
    EXPECT_EQ(http.ReceivedBytes, 150000u);
    EXPECT_EQ(BodyFile(), body);
    EXPECT_GE(packets, 3) << "chunks of at most 64 KB";

    http.InputFileMode = false;
    http.Get(server.Url("/b"));
    EXPECT_EQ(successes.size(), 2u) << "no status line counts as status 0";

    http.Get(server.Url("/c"));
    EXPECT_EQ(failures, std::vector<HttpClient::Command>{HttpClient::kGet});
    EXPECT_EQ(http.Body, "missing");

    http.InputFileMode = true;
    http.Head(server.Url("/d"));
    EXPECT_EQ(BodyFile(), "") << "a HEAD leaves the body file empty";
    EXPECT_EQ(successes.back(), HttpClient::kHead);

    // A link at the body file is replaced, never written through.
    test::WriteBytes(dir / "elsewhere", "kept");
    std::filesystem::remove(dir / "download.dat");
    std::filesystem::create_symlink(dir / "elsewhere", dir / "download.dat");
    http.ReplaceBodyFile = true;
    http.Get(server.Url("/e"));
    EXPECT_FALSE(std::filesystem::is_symlink(dir / "download.dat"));
    EXPECT_EQ(BodyFile(), "replaced");
    EXPECT_EQ(test::ReadBytes(dir / "elsewhere"), "kept");
}

TEST_P(WireTest, RedirectsWithCookieAndTheirLimits) {
    test::LoopbackServer server(
        {{"HTTP/1.0 302 Found\r\nSet-Cookie: sid=42; path=/\r\nLocation: /next\r\n\r\n"},
         {"HTTP/1.0 301 Moved\r\nLocation: final.html\r\n\r\n"},
         {"HTTP/1.0 200 OK\r\n\r\nthere"},
         {"HTTP/1.0 303 See Other\r\n\r\n"}},
        tls);
    http.InputFileMode = false;
    http.Get(server.Url("/start"));
    EXPECT_EQ(http.Body, "there");
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_TRUE(requests[1].starts_with("GET /next HTTP/1.0\r\n"));
    EXPECT_NE(requests[1].find("\r\nCookie: sid=42\r\n"), std::string::npos);
    EXPECT_TRUE(requests[2].starts_with("GET /final.html HTTP/1.0\r\n"));
    EXPECT_EQ(requests[0].find("Cookie"), std::string::npos);

    // A 3xx without a Location ends the request without an event.
    const size_t before = successes.size();
    http.Get(server.Url("/nowhere"));
    EXPECT_EQ(successes.size(), before);
    EXPECT_TRUE(failures.empty());

    std::vector<Reply> endless(HttpClient::kMaxRedirects + 1,
                               Reply{"HTTP/1.0 302 Found\r\nLocation: /again\r\n\r\n"});
    test::LoopbackServer loop(endless, tls);
    EXPECT_EQ(ErrorOf([&] { http.Get(loop.Url("/again")); }), "Too many redirects");
}

TEST_P(WireTest, CancelAtEachStage) {
    // While reading the header: the server sends half a header and waits.
    // While reading the body: one byte every 20 ms.
    test::LoopbackServer slow({{"HTTP/1.0 200 OK\r\nX-Slow: ", "", 0, true},
                               {"HTTP/1.0 200 OK\r\n\r\n", std::string(100, 'x'), 20},
                               {"HTTP/1.0 200 OK\r\n\r\n", std::string(100, 'x'), 20}},
                              tls);
    http.MessagePump = [this] {
        if (++pumps == 50) {
            http.Cancel();
        }
    };
    EXPECT_EQ(ErrorOf([&] { http.Get(slow.Url("/h")); }), "Socket readln aborted");
    pumps = 0;
    EXPECT_EQ(ErrorOf([&] { http.Get(slow.Url("/f")); }), "Socket send aborted");
    pumps = 0;
    http.InputFileMode = false;
    EXPECT_EQ(ErrorOf([&] { http.Get(slow.Url("/t")); }), "Socket capture aborted");
    EXPECT_FALSE(http.Connected());
    EXPECT_TRUE(successes.empty());
}

TEST_P(WireTest, RequestAndResponseCarryEveryOutcome) {
    test::LoopbackServer server({{"HTTP/1.0 200 OK\r\nContent-Length: 4\r\n\r\nbody"},
                                 {"HTTP/1.0 200 OK\r\n\r\nto file"},
                                 {"HTTP/1.0 404 Not Found\r\n\r\nmissing"},
                                 {"HTTP/1.0 303 See Other\r\n\r\n"},
                                 {"HTTP/1.0 200 OK\r\n\r\n", std::string(100, 'x'), 20}},
                                tls);
    std::vector<std::pair<uint64_t, uint64_t>> progress;
    int waits = 0;
    bool cancel = false;
    const HttpProgress watch{
        [&](uint64_t received, uint64_t announced) { progress.emplace_back(received, announced); },
        [&] { ++waits; }, [&] { return cancel; }};

    HttpRequest request;
    request.url = server.Url("/a");
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

    request.bodyFile.clear();
    request.url = server.Url("/c");
    response = http.Get(request, watch);
    EXPECT_EQ(response.outcome, HttpOutcome::kHttpStatus);
    EXPECT_EQ(response.status, 404);
    EXPECT_EQ(response.body, "missing");
    request.url = server.Url("/d");
    EXPECT_EQ(http.Get(request, watch).outcome, HttpOutcome::kHttpStatus)
        << "a redirect with nowhere to go is no page";

    request.url = server.Url("/e");
    waits = 0;
    const HttpProgress cancelling{[&](uint64_t, uint64_t) { cancel = ++waits > 3; }, [] {},
                                  [&] { return cancel; }};
    response = http.Get(request, cancelling);
    EXPECT_EQ(response.outcome, HttpOutcome::kCancelled);
    EXPECT_EQ(response.error, "Socket capture aborted");

    request.url = "http://127.0.0.1:1/x";
    response = http.Get(request, {});
    EXPECT_EQ(response.outcome, HttpOutcome::kTransportError);
    EXPECT_EQ(response.error, "Connection Failed");
    EXPECT_EQ(response.status, 0) << "nothing of the request before passes for this one's answer";
    EXPECT_EQ(response.header, "");
    EXPECT_EQ(response.receivedBytes, 0u);
    EXPECT_TRUE(successes.empty() && failures.empty())
        << "a request made directly leaves the driver's notes alone";
    EXPECT_EQ(packets, 0);
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
         {"HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nexact"}},
        tls);
    EXPECT_EQ(ErrorOf([&] { http.Get(server.Url("/header")); }), "Header too large");
    http.MaxBodyBytes = 1024 * 1024;
    EXPECT_EQ(ErrorOf([&] { http.Get(server.Url("/body")); }), "Body too large");
    http.Get(server.Url("/garbage"));
    EXPECT_EQ(BodyFile(), "rest");
    http.Get(server.Url("/longer"));
    EXPECT_EQ(BodyFile(), "much longer body") << "the body runs until the server closes";
    // A cut transfer is an error, never a success with a shortened body.
    EXPECT_EQ(ErrorOf([&] { http.Get(server.Url("/reset")); }), "Connection reset");
    EXPECT_EQ(ErrorOf([&] { http.Get(server.Url("/closed-early")); }),
              "Connection closed before the end of the body");
    EXPECT_EQ(ErrorOf([&] { http.Get(server.Url("/reset-in-header")); }), "Connection reset");
    EXPECT_EQ(successes.size(), 2u);
    EXPECT_TRUE(failures.empty());
    http.Get(server.Url("/exact"));
    EXPECT_EQ(BodyFile(), "exact");
    EXPECT_EQ(successes.size(), 3u);
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
    ClientDriver client(pieces);
    client.InputFileMode = false;
    client.MaxHeaderBytes = 16 * 4096;
    EXPECT_EQ(ErrorOf([&] { client.Get("http://example.invalid/"); }), "Header too large");
    EXPECT_LE(client.Header.size(), client.MaxHeaderBytes);

    // A header of exactly the cap, its empty line included, still passes.
    client.MaxHeaderBytes = 17 + 64 * 4096 + 2;
    client.Get("http://example.invalid/");
    EXPECT_EQ(client.Header.size(), client.MaxHeaderBytes);
    EXPECT_EQ(client.Body, "body");
    client.MaxHeaderBytes -= 1;
    EXPECT_EQ(ErrorOf([&] { client.Get("http://example.invalid/"); }), "Header too large");
}

TEST_P(WireTest, TimeOutEndsSilentStalledAndDrippingServers) {
    test::LoopbackServer server({{"", "", 0, true},
                                 {"HTTP/1.0 200 OK\r\n\r\n" + std::string(2000, 'p'), "", 0, true},
                                 {"HTTP/1.0 200 OK\r\n\r\n", "", 0, true},
                                 {"HTTP/1.0 200 OK\r\nX-Slow: ", std::string(300, 'x'), 50, true},
                                 {"HTTP/1.0 200 OK\r\n\r\n", std::string(300, 'x'), 50, true},
                                 {"HTTP/1.0 200 OK\r\n\r\nquick"}},
                                tls);
    http.TimeOut = 1000;
    const auto timed = [&](const std::string& path) {
        const auto start = std::chrono::steady_clock::now();
        const std::string error = ErrorOf([&] { http.Get(server.Url(path)); });
        const auto took = std::chrono::steady_clock::now() - start;
        EXPECT_GE(took, std::chrono::milliseconds(1000)) << path;
        EXPECT_LT(took, std::chrono::seconds(5)) << path;
        EXPECT_EQ(http.Error, error) << path;
        EXPECT_FALSE(http.Connected());
        return error;
    };
    EXPECT_EQ(timed("/silent"), "Timed out: nothing received for 1 second");
    EXPECT_EQ(timed("/stalled"), "Timed out: nothing received for 1 second");
    // Right after a short header both rules run out at once; either may tell.
    EXPECT_TRUE(timed("/stalled-after-header").starts_with("Timed out: "));
    // Twenty bytes a second never leave a wait long enough for the first rule.
    EXPECT_EQ(timed("/dripping-header"), "Timed out: under 1024 bytes received in 1 second");
    EXPECT_EQ(timed("/dripping-body"), "Timed out: under 1024 bytes received in 1 second");
    EXPECT_TRUE(successes.empty());

    http.Get(server.Url("/quick"));
    EXPECT_EQ(BodyFile(), "quick");
    EXPECT_EQ(http.Error, "");
}

TEST_P(WireTest, MoreHostileServers) {
    test::LoopbackServer server(
        {{"HTTP/1.0 302 Found\r\nLocation: https://example.invalid/secure\r\n\r\n"},
         {"HTTP/1.0 200 OK\r\nX-No-End: yes\r\n"},
         {"HTTP/1.0 200 OK\r\n\r\n", std::string(4096, 'e'), 1, true},
         {"HTTP/1.0 200 OK\r\n\r\n", "drip", 1000, true}},
        tls);
    // A redirect to the other scheme is followed to that scheme's port.
    EXPECT_EQ(ErrorOf([&] { http.Get(server.Url("/other-scheme")); }), "Null Remote Address");
    EXPECT_EQ(http.Port, 443);
    // A header that the server never ends: the stream's end ends it.
    http.Get(server.Url("/no-end"));
    EXPECT_EQ(http.Header, "HTTP/1.0 200 OK\r\nX-No-End: yes\r\n");

    // A body that never ends: the user cancels.
    http.OnPacketRecvd = [this] {
        if (++packets == 200) {
            http.Cancel();
        }
    };
    EXPECT_EQ(ErrorOf([&] { http.Get(server.Url("/endless")); }), "Socket send aborted");

    // One byte a second: the message loop keeps turning between bytes, and cancel works.
    http.OnPacketRecvd = nullptr;
    const auto start = std::chrono::steady_clock::now();
    http.MessagePump = [&] {
        ++pumps;
        if (std::chrono::steady_clock::now() - start > std::chrono::milliseconds(1500)) {
            http.Cancel();
        }
    };
    pumps = 0;
    EXPECT_EQ(ErrorOf([&] { http.Get(server.Url("/drip")); }), "Socket send aborted");
    EXPECT_GT(pumps, 100) << "the window was served while waiting";
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
}

TEST_F(HttpTest, ProxiesOddPortsAndInjectedHeaders) {
    test::LoopbackServer server({{"HTTP/1.0 302 Found\r\nLocation: /ok\r\n\r\n"},
                                 {"HTTP/1.0 200 OK\r\n\r\nthrough"},
                                 {"HTTP/1.0 302 Found\r\nSet-Cookie: a=b\rY-Injected: 1\r\n"
                                  "Location: /next\rX-Injected: yes\r\n\r\n"},
                                 {"HTTP/1.0 200 OK\r\n\r\n"},
                                 {"HTTP/1.0  404  Not Found\r\n\r\n"}});
    const std::string authority = "127.0.0.1:" + std::to_string(server.Port());
    http.InputFileMode = false;

    // Through a proxy a redirect to a path still names the whole URL, port included.
    http.Proxy = "127.0.0.1";
    http.ProxyPort = server.Port();
    http.Get(server.Url("/moved"));
    EXPECT_EQ(http.Body, "through");
    auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_TRUE(requests[0].starts_with("GET http://" + authority + "/moved HTTP/1.0\r\n"));
    EXPECT_TRUE(requests[1].starts_with("GET http://" + authority + "/ok HTTP/1.0\r\n"))
        << requests[1];
    EXPECT_NE(requests[1].find("\r\nHost: " + authority + "\r\n"), std::string::npos);

    // A CR inside a cookie or a location goes no further than the value it cuts.
    http.Proxy.clear();
    http.Get(server.Url("/inject"));
    requests = server.Requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_TRUE(requests[3].starts_with("GET /next HTTP/1.0\r\nHost: ")) << requests[3];
    EXPECT_NE(requests[3].find("\r\nCookie: a=b\r\n"), std::string::npos);
    EXPECT_EQ(requests[3].find("Injected"), std::string::npos);

    // Two blanks around the status still give the status.
    http.Get(server.Url("/missing"));
    EXPECT_EQ(failures, std::vector<HttpClient::Command>{HttpClient::kGet});

    // A port out of range is refused rather than wrapped around to another one.
    for (const char* url : {"http://127.0.0.1:83537/x", "http://127.0.0.1:0/x",
                            "http://127.0.0.1:-80/x", "http://127.0.0.1:8o/x"}) {
        EXPECT_EQ(ErrorOf([&] { http.Get(url); }), "Invalid URL") << url;
    }
    EXPECT_EQ(server.Requests().size(), 5u);
}

class HttpsTest : public HttpTest {
protected:
    test::TestCa ca;

    void SetUp() override {
        HttpTest::SetUp();
        ca.TrustIn(dir / "ca.pem");
        http.InputFileMode = false;
    }
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
        const std::string error = ErrorOf(
            [&] { http.Get("https://" + host + ":" + std::to_string(server.Port()) + "/"); });
        EXPECT_EQ(http.Body, "") << host;
        EXPECT_EQ(http.Error, error);
        return error;
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
    test::LoopbackServer refused({{ok}}, ca.Issue(otherHost));
    HttpRequest request;
    request.url = refused.Url("/");
    const HttpResponse response = http.Get(request, {});
    EXPECT_EQ(response.outcome, HttpOutcome::kCertificateError);
    EXPECT_EQ(response.error, HttpClient::CertificateErrorText("127.0.0.1", "IP address mismatch"));
    EXPECT_EQ(HttpClient::CertificateErrorText("h", "r"), "証明書を確認できません: h (r)"_sj);
    EXPECT_TRUE(successes.empty());

    // The same server certificate verifies by name and by address.
    test::LoopbackServer good({{ok}, {ok}}, ca.IssueForLoopback());
    http.Get("https://localhost:" + std::to_string(good.Port()) + "/");
    EXPECT_EQ(http.Body, "secret");
    http.Get(good.Url("/"));
    EXPECT_EQ(http.Body, "secret");
    EXPECT_TRUE(good.Requests().at(0).starts_with("GET / HTTP/1.0\r\nHost: localhost:"));
}

TEST_F(HttpsTest, RedirectsBetweenSchemesAndCutStreams) {
    test::LoopbackServer end({{"HTTP/1.0 200 OK\r\n\r\nback on http"}});
    test::LoopbackServer secure(
        {{"HTTP/1.0 301 Moved\r\nLocation: " + end.Url("/c") + "\r\n\r\n"},
         {"HTTP/1.0 200 OK\r\n\r\nno close_notify", "", 0, false, false, 1, true},
         {"HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\nshort"},
         {"HTTP/1.0 200 OK\r\n\r\n" + std::string(70000, 'r'), "", 0, false, true},
         {"HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nwhole", "", 0, false, false, 1, true},
         {"HTTP/1.0 200 OK\r\nContent-Length: 4\r\n\r\nlonger", "", 0, false, false, 1, true}},
        ca.IssueForLoopback());
    test::LoopbackServer start(
        {{"HTTP/1.0 302 Found\r\nSet-Cookie: s=1\r\nLocation: " + secure.Url("/b") + "\r\n\r\n"}});
    http.Get(start.Url("/a"));
    EXPECT_EQ(http.Body, "back on http");
    ASSERT_EQ(secure.Requests().size(), 1u);
    EXPECT_TRUE(secure.Requests()[0].starts_with("GET /b HTTP/1.0\r\nHost: 127.0.0.1:"));
    EXPECT_NE(secure.Requests()[0].find("\r\nCookie: s=1\r\n"), std::string::npos);
    EXPECT_TRUE(end.Requests().at(0).starts_with("GET /c HTTP/1.0\r\n"));

    // A TLS stream cut without close_notify, or shorter than announced, is no whole page.
    EXPECT_EQ(ErrorOf([&] { http.Get(secure.Url("/cut")); }),
              "Connection closed without TLS close_notify");
    EXPECT_EQ(ErrorOf([&] { http.Get(secure.Url("/short")); }),
              "Connection closed before the end of the body");
    EXPECT_EQ(ErrorOf([&] { http.Get(secure.Url("/reset")); }), "Connection reset");
    EXPECT_EQ(successes.size(), 1u);
    // Without close_notify, a body of exactly its announced length is whole.
    http.Get(secure.Url("/whole"));
    EXPECT_EQ(http.Body, "whole");
    EXPECT_EQ(ErrorOf([&] { http.Get(secure.Url("/longer")); }),
              "Connection closed without TLS close_notify");

    // A plain server behind an https URL fails the handshake.
    test::LoopbackServer notTls({{"HTTP/1.0 200 OK\r\n\r\nplain"}});
    EXPECT_TRUE(ErrorOf([&] {
                    http.Get("https://127.0.0.1:" + std::to_string(notTls.Port()) + "/");
                }).starts_with("TLS handshake failed: "));
}

TEST_F(HttpsTest, AServerThatNeverFinishesTheHandshakeIsLeftByCancelOrTimeOut) {
    // A plain server that takes the client's hello for a request and then says nothing.
    test::LoopbackServer silent({{"", "", 0, true}, {"", "", 0, true}});
    const std::string url = "https://127.0.0.1:" + std::to_string(silent.Port()) + "/";
    http.MessagePump = [this] {
        if (++pumps == 50) {
            http.Cancel();
        }
    };
    EXPECT_EQ(ErrorOf([&] { http.Get(url); }), "Connection Canceled");
    EXPECT_FALSE(http.Connected());
    http.MessagePump = nullptr;
    http.TimeOut = 500;
    EXPECT_EQ(ErrorOf([&] { http.Get(url); }), "Timed out: nothing received for 500 milliseconds");
    EXPECT_TRUE(successes.empty());
}

TEST_F(HttpsTest, ThroughAProxyHttpsGoesThroughATunnel) {
    test::LoopbackServer secure({{"HTTP/1.0 200 OK\r\n\r\ntunnelled"}}, ca.IssueForLoopback());
    test::TunnelProxy proxy;
    http.Proxy = "127.0.0.1";
    http.ProxyPort = proxy.Port();
    http.Get(secure.Url("/list?x=1"));
    EXPECT_EQ(http.Body, "tunnelled");
    const std::string authority = "127.0.0.1:" + std::to_string(secure.Port());
    EXPECT_EQ(proxy.Requests().at(0),
              "CONNECT " + authority + " HTTP/1.0\r\nHost: " + authority + "\r\n\r\n");
    // Inside the tunnel the server gets the path, and nothing meant for the proxy.
    EXPECT_EQ(secure.Requests().at(0),
              "GET /list?x=1 HTTP/1.0\r\nHost: " + authority +
                  "\r\n"
                  "Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff\r\n"
                  "Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript\r\n"
                  "Content-type: application/x-www-form-urlencoded\r\n\r\n");

    test::TunnelProxy refusing("HTTP/1.0 403 Forbidden\r\n\r\n");
    http.ProxyPort = refusing.Port();
    EXPECT_EQ(ErrorOf([&] { http.Get("https://www.example.invalid/"); }),
              "Proxy refused the tunnel: HTTP/1.0 403 Forbidden");
    EXPECT_EQ(refusing.Requests().at(0),
              "CONNECT www.example.invalid:443 HTTP/1.0\r\nHost: www.example.invalid:443\r\n\r\n");
}

}  // namespace
}  // namespace yomida

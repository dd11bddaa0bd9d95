#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "download/DownloadManager.h"
#include "download/HttpClient.h"
#include "support/ScriptedUi.h"
#include "support/TestCertificates.h"
#include "support/TestSupport.h"

extern char** environ;

namespace yomida {
namespace {

using namespace std::chrono;

// Python's web server wrapped in Python's TLS, given a certificate and its key.
constexpr const char* kPythonTlsServer = R"(
import functools, http.server, ssl, sys
handler = functools.partial(http.server.SimpleHTTPRequestHandler, directory=sys.argv[1])
server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
context.load_cert_chain(sys.argv[2], sys.argv[3])
server.socket = context.wrap_socket(server.socket, server_side=True)
print("Serving HTTPS on 127.0.0.1 port %d (tls) ..." % server.server_address[1], flush=True)
server.serve_forever()
)";

// Python's own web server on an ephemeral loopback port, serving a folder; stopped with the test.
class PythonHttpServer {
public:
    explicit PythonHttpServer(const std::filesystem::path& folder,
                              const std::filesystem::path& certificate = {},
                              const std::filesystem::path& key = {},
                              const std::string& bind = "127.0.0.1") {
        int out[2];
        if (::pipe(out) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        // Its request log goes nowhere: a closed pipe would make it drop the connection.
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        const std::string dir = folder.string();
        const std::string cert = certificate.string();
        const std::string keyFile = key.string();
        const char* plain[] = {"python3", "-u",         "-m",          "http.server", "0",
                               "--bind",  bind.c_str(), "--directory", dir.c_str(),   nullptr};
        const char* tls[] = {"python3",        "-u",        "-c",
                             kPythonTlsServer, dir.c_str(), cert.c_str(),
                             keyFile.c_str(),  nullptr};
        char** argv = const_cast<char**>(certificate.empty() ? plain : tls);
        if (posix_spawnp(&pid_, "python3", &actions, nullptr, argv, environ) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        // "Serving HTTP on 127.0.0.1 port 40123 (...)"
        std::string text;
        char buffer[256];
        pollfd p{out[0], POLLIN, 0};
        while (pid_ > 0 && text.find(") ...") == std::string::npos && ::poll(&p, 1, 10000) > 0) {
            ssize_t n = ::read(out[0], buffer, sizeof buffer);
            if (n <= 0) {
                break;
            }
            text.append(buffer, static_cast<size_t>(n));
        }
        output_ = out[0];
        const size_t at = text.find(" port ");
        if (at != std::string::npos) {
            port_ = std::atoi(text.c_str() + at + 6);
        }
    }
    ~PythonHttpServer() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
        if (output_ >= 0) {
            ::close(output_);
        }
    }
    int Port() const { return port_; }

private:
    pid_t pid_ = -1;
    int port_ = 0;
    int output_ = -1;
};

class RealServer : public ::testing::TestWithParam<bool> {};

INSTANTIATE_TEST_SUITE_P(Transports, RealServer, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "Tls" : "Tcp";
                         });

TEST_P(RealServer, DownloadHeadAndLastModifiedRoundTrip) {
    test::TempDir dir;
    std::filesystem::create_directories(dir / "site" / "1321" / "japa");
    const std::string page =
        test::ReadBytes(std::filesystem::path(YOMIDA_TEST_DATA) / "weekly.html");
    test::WriteBytes(dir / "site" / "1321" / "japa" / "t_a.htm", test::Sj(page));
    test::TestCa ca;
    if (GetParam()) {
        ca.TrustIn(dir / "ca.pem");
        const test::ServerIdentity identity = ca.IssueForLoopback();
        test::WriteBytes(dir / "cert.pem", identity.certificate);
        test::WriteBytes(dir / "key.pem", identity.key);
    }
    PythonHttpServer server(dir / "site", GetParam() ? dir / "cert.pem" : "",
                            GetParam() ? dir / "key.pem" : "");
    const std::string origin =
        (GetParam() ? "https://127.0.0.1:" : "http://127.0.0.1:") + std::to_string(server.Port());
    if (server.Port() == 0) {
        GTEST_SKIP() << "python3 is not installed";
    }

    FixedClock clock{year_month_day{year{2003}, month{5}, day{7}}};
    PosixTcpConnector connector;
    DownloadManager data(clock, connector);
    UnattendedPolicy policy;
    SettingsRecord settings;
    settings.DerivePaths(dir / "yomida");
    std::filesystem::create_directory(settings.dataFolder);
    FetchContext context;
    context.UseSettings(settings);
    context.category = 2;
    context.directFetch = true;
    context.sourceUrl = origin + "/1321/japa/t_a.htm";
    context.dataFile = settings.dataFolder / "syosk1321.csv";
    context.setBusyDisplay = [](bool) {};
    context.setStatusText = [](const std::string&) {};

    const FetchResult fetched = data.FetchSource(context, policy);
    ASSERT_TRUE(fetched.ranToEnd) << test::U8(fetched.detail);
    EXPECT_EQ(test::ReadDataFile(context.dataFile).size(), 3u);
    EXPECT_TRUE(fetched.stampPrefix.find("GMT") != std::string::npos) << fetched.stampPrefix;

    // The same page again: not newer. A changed page: newer.
    EXPECT_FALSE(data.CheckForUpdate(context, policy).ranToEnd);
    EXPECT_EQ(std::filesystem::file_size(settings.dataFolder / "download.dat"), 0u)
        << "a HEAD leaves the body file empty";
    std::filesystem::last_write_time(
        dir / "site" / "1321" / "japa" / "t_a.htm",
        std::filesystem::file_time_type::clock::now() + std::chrono::hours(48));
    EXPECT_TRUE(data.CheckForUpdate(context, policy).ranToEnd);

    // A missing page: the failure message, no list, the old one kept.
    context.httpFailureText = "failed";
    context.sourceUrl = origin + "/none.htm";
    const FetchResult missing = data.FetchSource(context, policy);
    EXPECT_TRUE(missing.ranToEnd);
    ASSERT_FALSE(missing.notices.empty());
    EXPECT_EQ(test::U8(missing.notices.back().text), "failed");
    EXPECT_EQ(test::ReadDataFile(context.dataFile).size(), 3u);
}

TEST(RealServerIpv6, ServesTheClient) {
    test::TempDir dir;
    std::filesystem::create_directories(dir / "site");
    test::WriteBytes(dir / "site" / "page.htm", "over IPv6");
    PythonHttpServer server(dir / "site", "", "", "::1");
    if (server.Port() == 0) {
        GTEST_SKIP() << "python3 or an IPv6 loopback is missing";
    }
    PosixTcpConnector connector;
    HttpClient http(connector);
    HttpRequest request;
    request.url = "http://[::1]:" + std::to_string(server.Port()) + "/page.htm";
    const HttpResponse response = http.Get(request, {});
    EXPECT_TRUE(response.Ok()) << response.error;
    EXPECT_EQ(response.body, "over IPv6");
}

}  // namespace
}  // namespace yomida

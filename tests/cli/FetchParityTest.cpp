// The window's display and `yomida-cli fetch` run one engine use case: against the same server
// they store the same list, record the same health row and come to the same outcome.
#include <gtest/gtest.h>

#include "engine/SourceHealth.h"
#include "support/CliRun.h"
#include "support/FormFixture.h"
#include "support/LoopbackServer.h"
#include "support/TestCertificates.h"

namespace yomida {
namespace {

using test::InvokeCli;

class FetchParityTest : public test::FormFixture {
protected:
    test::TestCa ca;
    const std::string ok = "HTTP/1.0 200 OK\r\nLast-Modified: Sat, 01 Mar 2025\r\n\r\n";
    std::string page;

    void SetUp() override {
        ca.TrustIn(dir / "ca.pem");
        page = test::ReadBytes(std::filesystem::path(YOMIDA_SAMPLES) / "mangaoh-comic.html");
    }
    std::filesystem::path WindowList() const { return dir / "data" / "comic0305.csv"; }
    std::filesystem::path CliList() const { return dir / "cli" / "comic0305.csv"; }
    void PointAt(const test::LoopbackServer& server) {
        const std::string hosts =
            "[HOSTS]\r\nMANGAOH=127.0.0.1:" + std::to_string(server.Port()) + "\r\n";
        test::WriteBytes(dir / "cli.ini", hosts);
        form.ChangeSettings([&](SettingsRecord& s) {
            s.hosts["MANGAOH"] = "127.0.0.1:" + std::to_string(server.Port());
        });
        form.Source.UseSettings(form.CurrentSettings());
    }
    // The window's display, and then fetch, of the same list; `forced` as the toggle and
    // --force.
    void BothFetch(bool forced) {
        if (forced) {
            form.DownLoadExecute();
        }
        ui.confirmAnswers = {true, false};  // download: yes; the import by hand: no
        form.BtnDspClick();
        std::vector<std::string> args = {"fetch",
                                         "--category",
                                         "1",
                                         "--month",
                                         "2003-05",
                                         "--data",
                                         (dir / "cli").string(),
                                         "--settings",
                                         (dir / "cli.ini").string()};
        if (forced) {
            args.push_back("--force");
        }
        cli = InvokeCli(args);
    }
    // Both faces' rows, which differ only in their times.
    void ExpectTheSameRecord(FetchOutcome outcome) {
        std::optional<CategoryHealth> window = SourceHealth(dir / "data").Find(1);
        std::optional<CategoryHealth> command = SourceHealth(dir / "cli").Find(1);
        ASSERT_TRUE(window && command);
        EXPECT_EQ(window->outcome, outcome) << test::U8(window->detail);
        EXPECT_EQ(command->outcome, outcome) << test::U8(command->detail);
        EXPECT_EQ(window->httpStatus, command->httpStatus);
        EXPECT_EQ(window->count, command->count);
        EXPECT_EQ(window->previousCount, command->previousCount);
        EXPECT_EQ(window->detail, command->detail);
        EXPECT_EQ(test::ReadBytes(WindowList()), test::ReadBytes(CliList()));
        EXPECT_EQ(cli.status, Succeeded(outcome) ? 0 : 1) << cli.err;
    }

    test::CliOutput cli;
};

TEST_F(FetchParityTest, TheWindowAndFetchComeToTheSameListRecordAndOutcome) {
    Start();
    test::LoopbackServer server({{ok + page},
                                 {ok + page},
                                 {ok},
                                 {ok},
                                 {"HTTP/1.0 404 Not Found\r\n\r\n"},
                                 {"HTTP/1.0 404 Not Found\r\n\r\n"},
                                 {ok + "<html><body>nothing this month</body></html>"},
                                 {ok + "<html><body>nothing this month</body></html>"},
                                 {"HTTP/1.0 200 OK\r\nContent-Length: 90000\r\n\r\nshort"},
                                 {"HTTP/1.0 200 OK\r\nContent-Length: 90000\r\n\r\nshort"}},
                                ca.IssueForLoopback());
    PointAt(server);

    BothFetch(false);
    ExpectTheSameRecord(FetchOutcome::Updated);

    // The update check finds the page as it was: neither downloads it.
    form.ChangeSettings([](SettingsRecord& s) { s.updateCheck = true; });
    BothFetch(false);
    ExpectTheSameRecord(FetchOutcome::Unchanged);
    EXPECT_TRUE(server.Requests()[2].starts_with("HEAD "));
    EXPECT_TRUE(server.Requests()[3].starts_with("HEAD "));

    const std::string list = test::ReadBytes(WindowList());
    BothFetch(true);
    ExpectTheSameRecord(FetchOutcome::HttpStatus);
    BothFetch(true);
    ExpectTheSameRecord(FetchOutcome::NoRecords);
    BothFetch(true);
    ExpectTheSameRecord(FetchOutcome::TransportError);
    EXPECT_EQ(test::ReadBytes(WindowList()), list) << "every failure kept the list";

    test::TestCa::Request selfSigned;
    selfSigned.ipAddresses = {"127.0.0.1"};
    selfSigned.selfSigned = true;
    test::LoopbackServer untrusted({{ok + page}, {ok + page}}, ca.Issue(selfSigned));
    PointAt(untrusted);
    BothFetch(true);
    ExpectTheSameRecord(FetchOutcome::CertificateError);
    EXPECT_EQ(test::ReadBytes(WindowList()), list);
}

}  // namespace
}  // namespace yomida

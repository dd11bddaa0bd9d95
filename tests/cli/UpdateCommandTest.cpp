#include "cli/UpdateCommand.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <thread>

#include "cli/Cli.h"
#include "engine/UpdateRun.h"
#include "platform/Clock.h"
#include "platform/FileLock.h"
#include "support/CliRun.h"
#include "support/LoopbackServer.h"
#include "support/TestCertificates.h"
#include "support/TestSupport.h"
#include "support/WeeklyFetch.h"

namespace yomida {
namespace {

using test::CliOutput;
using test::InvokeCli;
using test::Sj;
using test::U8;
using test::WeeklyPage;

TEST(FetchCommand, TakesTheProxyOfItsSettingsAndFailsOnAPageWithoutRecords) {
    test::TempDir dir;
    test::LoopbackServer proxy(
        {{test::kWeeklyOk + WeeklyPage()}, {test::kWeeklyOk + "<html></html>"}});
    test::WriteBytes(dir / "y.ini",
                     "[INTERNET]\r\nPROXY=127.0.0.1\r\nPORT=" + std::to_string(proxy.Port()) +
                         "\r\n[HOSTS]\r\nWEEKLY=weekly.invalid\r\n");
    const std::vector<std::string> fetch = test::WeeklyFetchArgs(dir / "data", dir / "y.ini");
    CliOutput first = InvokeCli(fetch);
    EXPECT_EQ(first.status, 0) << first.err;
    const std::filesystem::path list = dir / "data" / "syosk1321.csv";
    EXPECT_EQ(first.out, list.string() + "\n2\n");
    ASSERT_EQ(proxy.Requests().size(), 1u);
    EXPECT_TRUE(proxy.Requests()[0].starts_with("GET http://weekly.invalid/1321/"))
        << proxy.Requests()[0];

    // Forced onto a page without records: exit 1 with a message, the list byte for byte.
    const std::string before = test::ReadBytes(list);
    std::vector<std::string> forced = fetch;
    forced.push_back("--force");
    CliOutput empty = InvokeCli(forced);
    EXPECT_EQ(empty.status, 1) << empty.out;
    EXPECT_EQ(empty.out, "");
    EXPECT_NE(empty.err.find("yomida-cli: ページに発売情報がありませんでした。\n"),
              std::string::npos)
        << empty.err;
    EXPECT_NE(empty.err.find("the previous data file is unchanged"), std::string::npos);
    EXPECT_EQ(test::ReadBytes(list), before);

    // --proxy overrides the file's; --settings is the file's other name.
    test::LoopbackServer other({{test::kWeeklyOk + WeeklyPage()}});
    forced[9] = "--settings";
    forced.push_back("--proxy");
    forced.push_back("127.0.0.1:" + std::to_string(other.Port()));
    EXPECT_EQ(InvokeCli(forced).status, 0);
    EXPECT_EQ(other.Requests().size(), 1u);
    EXPECT_EQ(proxy.Requests().size(), 2u);
}

// The file names and periods `update` uses today.
struct Today {
    std::chrono::year_month_day day = SystemClock().Today();
    std::string Month() const {
        char text[16];
        std::snprintf(text, sizeof text, "%04d-%02u", static_cast<int>(day.year()),
                      static_cast<unsigned>(day.month()));
        return text;
    }
    std::string Yymm() const { return Month().substr(2, 2) + Month().substr(5, 2); }
    int Week() const { return SettingsRecord{}.Weeks().WeekOf(day); }
};

class UpdateCommandTest : public ::testing::Test {
protected:
    test::TempDir dir;
    test::TestCa ca;
    Today today;
    const std::string page =
        test::ReadBytes(std::filesystem::path(YOMIDA_SAMPLES) / "mangaoh-comic.html");
    const std::string ok = "HTTP/1.0 200 OK\r\nLast-Modified: Sat, 01 Mar 2025\r\n\r\n";

    void SetUp() override { ca.TrustIn(dir / "ca.pem"); }

    void WriteSettings(int mangaOhPort, int weeklyPort) {
        test::WriteBytes(dir / "y.ini",
                         "[HOSTS]\r\nMANGAOH=127.0.0.1:" + std::to_string(mangaOhPort) +
                             "\r\nWEEKLY=127.0.0.1:" + std::to_string(weeklyPort) +
                             "\r\n[WATCH]\r\nTITLE=" + Sj("探偵団") + "\r\n");
    }
    std::vector<std::string> Update(std::vector<int> categories) const {
        std::vector<std::string> args = {
            "update",   "--data", (dir / "data").string(), "--settings", (dir / "y.ini").string(),
            "--months", "1"};
        for (int c : categories) {
            args.push_back("--category");
            args.push_back(std::to_string(c));
        }
        return args;
    }
    std::filesystem::path List(const std::string& code) const {
        return dir / "data" / (code + today.Yymm() + ".csv");
    }
    // The list the window makes of the sample page, stamped as the server stamps it.
    std::string Converted(int category, const std::string& code) const {
        const std::filesystem::path saved = dir / "page.html";
        test::WriteBytes(saved, page);
        const std::filesystem::path out = dir / "expected" / (code + ".csv");
        std::filesystem::create_directories(out.parent_path());
        EXPECT_EQ(
            InvokeCli({"convert", "--category", std::to_string(category), "--month", today.Month(),
                       "--stamp", "Sat, 01 Mar 2025", saved.string(), out.string()})
                .status,
            0);
        return test::ReadBytes(out);
    }
};

TEST_F(UpdateCommandTest, UpdatesEachCategoryAndGoesOnAfterAFailure) {
    // 1 quick, 4 slow (the last bytes one by one), 6 refused (the header request, then the page
    // it may still serve), the weekly list without records.
    const size_t tail = 150;
    test::LoopbackServer mangaOh(
        {{ok + page},
         {ok + page.substr(0, page.size() - tail), page.substr(page.size() - tail), 2},
         {"HTTP/1.0 404 Not Found\r\n\r\n"},
         {"HTTP/1.0 404 Not Found\r\n\r\n"},
         {"HTTP/1.0 200 OK\r\nLast-Modified: Sun, 02 Mar 2025\r\n\r\n"},
         {ok + page}},
        ca.IssueForLoopback());
    test::LoopbackServer weekly({{test::kWeeklyOk + "<html></html>"}});
    WriteSettings(mangaOh.Port(), weekly.Port());
    std::filesystem::create_directories(dir / "data");
    test::WriteDataFile(List("bngei"), {"\"old\",No,□,出版社,発売日,タイトル,作者,価格",
                                        "1,0,架空書房,25,冬の日,架空,770"});
    const std::string oldNovels = test::ReadBytes(List("bngei"));

    CliOutput r = InvokeCli(Update({1, 4, 6, 2}));
    EXPECT_EQ(r.status, 1) << r.err;
    const std::string m = today.Month();
    EXPECT_EQ(r.out, "comic\t" + m + "\tupdated\t6\n" + "tanbi\t" + m + "\tupdated\t6\n" +
                         "bngei\t" + m + "\thttp-status 404\t-\n" + "syosk\t" +
                         std::to_string(today.Week()) + "\tno-records\t0\n" +
                         "new watch matches\t0\n");
    EXPECT_NE(r.err.find("yomida-cli: syosk " + std::to_string(today.Week()) +
                         ": ページに発売情報がありませんでした。\n"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(test::ReadBytes(List("comic")), Converted(1, "comic"));
    EXPECT_EQ(test::ReadBytes(List("tanbi")), Converted(4, "tanbi"));
    EXPECT_EQ(test::ReadBytes(List("bngei")), oldNovels);
    EXPECT_FALSE(
        std::filesystem::exists(dir / "data" / ("syosk" + std::to_string(today.Week()) + ".csv")));

    // The novels' page changed: its match of the watch words is new. With no session bus the
    // news cannot reach the desktop; one line says so and the run still ends by its outcome.
    const char* bus = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    const std::string busBefore = bus != nullptr ? bus : "";
    ::setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + (dir / "no-bus").string()).c_str(), 1);
    CliOutput again = InvokeCli(Update({6}));
    if (bus != nullptr) {
        ::setenv("DBUS_SESSION_BUS_ADDRESS", busBefore.c_str(), 1);
    } else {
        ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    }
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(again.out, "bngei\t" + m + "\tupdated\t6\nnew watch matches\t1\n");
    EXPECT_NE(again.err.find("yomida-cli: デスクトップ通知: "), std::string::npos) << again.err;
    // The calendar and the feed to subscribe to follow the run.
    EXPECT_NE(test::ReadBytes(dir / "data" / "watch.ics").find("SUMMARY:【見本】ほしぞら探偵団"),
              std::string::npos);
    EXPECT_NE(test::ReadBytes(dir / "data" / "watch.atom").find("【見本】ほしぞら探偵団 第1巻"),
              std::string::npos);

    // A category imported by hand is reported and skipped, not failed.
    CliOutput byHand = InvokeCli(Update({3}));
    EXPECT_EQ(byHand.status, 0);
    EXPECT_EQ(byHand.out, "bunko\t" + m + "\tmanual-import\t-\nnew watch matches\t0\n");

    EXPECT_EQ(InvokeCli({"update", "--months", "0"}).status, 2);
    EXPECT_EQ(InvokeCli({"update", "--category", "16"}).status, 2);
    EXPECT_EQ(InvokeCli({"update", "extra"}).status, 2);
    EXPECT_EQ(InvokeCli({"update", "--help"}).out.rfind("usage: yomida-cli update", 0), 0u);
}

TEST_F(UpdateCommandTest, WaitsForTheListThatAnotherProcessHolds) {
    test::LoopbackServer mangaOh({{ok + page}}, ca.IssueForLoopback());
    WriteSettings(mangaOh.Port(), 1);
    std::filesystem::create_directories(dir / "data");
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t holder = ::fork();
    if (holder == 0) {
        FileLock lock(List("comic"));
        (void)!::write(ready[1], "x", 1);
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        ::_exit(0);
    }
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    CliOutput r = InvokeCli(Update({1}));
    int status = -1;
    ::waitpid(holder, &status, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "comic\t" + today.Month() + "\tupdated\t6\nnew watch matches\t0\n");
    EXPECT_EQ(test::ReadBytes(List("comic")), Converted(1, "comic"));
    EXPECT_FALSE(std::filesystem::exists(FileLock::LockFileFor(List("comic"))));
}

}  // namespace
}  // namespace yomida

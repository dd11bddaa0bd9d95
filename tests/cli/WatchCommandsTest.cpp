#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "cli/Cli.h"
#include "support/CliRun.h"
#include "support/TestSupport.h"

namespace yomida {
namespace {

using test::CliOutput;
using test::InvokeCli;
using test::kListHeader;

TEST(WatchCommand, PrintsMatchesAndRemembersWithNew) {
    test::TempDir dir;
    test::WriteDataFile(
        dir / "comic2405.csv",
        {kListHeader, "2,0,講談社,上,ワンピース　１,尾田,420", "1,1,集英社,3,別,甲,1"});
    test::WriteDataFile(dir / "bunko2404.csv", {kListHeader, "1,0,社,9,ワンピース小説,乙,500"});
    const std::string folder = dir.path().string();

    CliOutput r = InvokeCli({"watch", folder, "--title", "ワンピース"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "2024/04/09\t3\tbunko2404.csv\t1\t□\t社\t9\tワンピース小説\t乙\t500\n"
              "2024/05/上\t1\tcomic2405.csv\t2\t□\t講談社\t上\tワンピース 1\t尾田\t420\n");
    EXPECT_EQ(InvokeCli({"watch", folder, "--title", "無い"}).status, 1);

    // The first --new run only remembers; a later one prints what came since.
    EXPECT_EQ(InvokeCli({"watch", folder, "--title", "ワンピース", "--new"}).out, "");
    test::WriteDataFile(dir / "comic2406.csv",
                        {kListHeader, "1,0,講談社,4,ワンピース　２,尾田,420"});
    r = InvokeCli({"watch", folder, "--title", "ワンピース", "--new"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "2024/06/04\t1\tcomic2406.csv\t1\t□\t講談社\t4\tワンピース 2\t尾田\t420\n");
    EXPECT_EQ(InvokeCli({"watch", folder, "--title", "ワンピース", "--new"}).status, 1);
}

TEST(WatchCommand, NewRunsAtOnceKeepEachOthersMatches) {
    test::TempDir dir;
    std::vector<std::string> lines = {kListHeader};
    constexpr int kRuns = 6;
    for (int i = 0; i < kRuns; ++i) {
        lines.push_back(std::to_string(i + 1) + ",0,社,1,題" + std::to_string(i) + ",甲,1");
    }
    test::WriteDataFile(dir / "comic2405.csv", lines);
    const std::string folder = dir.path().string();
    // The first look.
    ASSERT_EQ(InvokeCli({"watch", folder, "--title", "無い", "--new"}).status, 1);

    // Separate processes, each watching its own title, as cron jobs started together would.
    // Each prints its match.
    test::RunInChildProcesses(kRuns, [&](int i) {
        const std::string title = "題" + std::to_string(i);
        return InvokeCli({"watch", folder, "--title", title, "--new"}).status == 0;
    });
    for (int i = 0; i < kRuns; ++i) {
        const CliOutput again =
            InvokeCli({"watch", folder, "--title", "題" + std::to_string(i), "--new"});
        EXPECT_EQ(again.status, 1) << "remembered, not new again: " << again.out;
    }
}

TEST(WatchCommand, NewPrintsInTheOrderOfTheWholeScan) {
    test::TempDir dir;
    const std::string folder = dir.path().string();
    // The first look, before any list.
    ASSERT_EQ(InvokeCli({"watch", folder, "--title", "本", "--new"}).status, 1);
    // Lists of several categories and months, their records out of date order in each file.
    test::WriteDataFile(dir / "comic2406.csv",
                        {kListHeader, "1,0,社,20,本 c,甲,1", "2,0,社,3,本 a,甲,1",
                         "3,0,社,下,本 e,甲,1", "4,0,社,3,本 b,甲,1"});
    test::WriteDataFile(dir / "bunko2406.csv", {kListHeader, "9,0,社,3,本 f,甲,1"});
    test::WriteDataFile(dir / "comic2405.csv", {kListHeader, "1,0,社,31,本 g,甲,1"});
    const CliOutput all = InvokeCli({"watch", folder, "--title", "本"});
    ASSERT_EQ(all.status, 0);
    const CliOutput fresh = InvokeCli({"watch", folder, "--title", "本", "--new"});
    EXPECT_EQ(fresh.status, 0);
    EXPECT_EQ(fresh.out, all.out);
}

TEST(WatchCommand, NextPrintsTheNextVolumesOfTheFollowedSeries) {
    test::TempDir dir;
    const std::string folder = dir.path().string();
    ASSERT_EQ(InvokeCli({"series", "follow", "--data", folder, "進撃の巨人 34"}).status, 0);
    test::WriteDataFile(dir / "comic2406.csv",
                        {kListHeader, "1,0,講談社,9,進撃の巨人（３５）,諫山,500",
                         "2,0,講談社,9,進撃の巨人（３４）,諫山,500", "3,0,集英社,1,本,尾田,1"});
    const std::string line =
        "2024/06/09\t1\tcomic2406.csv\t1\t□\t講談社\t9\t進撃の巨人(35)\t諫山\t500\n";

    CliOutput r = InvokeCli({"watch", folder, "--next", "--title", "本"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, line);
    // The words' matches alone, as before.
    EXPECT_EQ(InvokeCli({"watch", folder, "--title", "本"}).out,
              "2024/06/01\t1\tcomic2406.csv\t3\t□\t集英社\t1\t本\t尾田\t1\n");

    // --new keeps the next volumes' news apart from the matches': each is told once.
    EXPECT_EQ(InvokeCli({"watch", folder, "--next", "--new"}).out, "") << "the first look";
    test::WriteDataFile(dir / "comic2407.csv", {kListHeader, "1,0,講談社,2,進撃の巨人 36,諫山,500",
                                                "2,0,集英社,1,本 2,尾田,1"});
    EXPECT_EQ(InvokeCli({"watch", folder, "--title", "本", "--new"}).status, 0);
    r = InvokeCli({"watch", folder, "--next", "--new"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "2024/07/02\t1\tcomic2407.csv\t1\t□\t講談社\t2\t進撃の巨人 36\t諫山\t500\n");
    EXPECT_EQ(InvokeCli({"watch", folder, "--next", "--new"}).status, 1);

    // The scan of the watch list records the nearest next volume for series list.
    EXPECT_EQ(InvokeCli({"watch", folder, "--next"}).status, 0);
    EXPECT_EQ(InvokeCli({"series", "list", "--data", folder}).out,
              "進撃の巨人\t進撃の巨人 34\t34\t\t35\t2024/06/09\t1\n");
    EXPECT_EQ(InvokeCli({"watch", folder, "--next", "--changes"}).status, 2);
}

TEST(WatchCommand, TakesTheWordsFromTheSettingsFile) {
    test::TempDir dir;
    test::WriteDataFile(dir / "comic2405.csv", {kListHeader, "1,0,講談社,1,本,尾田,420"});
    test::WriteBytes(dir / "YOMIDA.INI", test::Sj("[WATCH]\r\nAUTHOR=甲,尾田\r\n"));
    CliOutput r =
        InvokeCli({"watch", dir.path().string(), "--settings", (dir / "YOMIDA.INI").string()});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "2024/05/01\t1\tcomic2405.csv\t1\t□\t講談社\t1\t本\t尾田\t420\n");
}

TEST(WatchCommand, BadCommandLinesAndFoldersExitTwo) {
    test::TempDir dir;
    EXPECT_EQ(InvokeCli({"watch"}).status, 2);
    EXPECT_EQ(InvokeCli({"watch", (dir / "missing").string(), "--title", "a"}).status, 2);
    EXPECT_EQ(InvokeCli({"watch", dir.path().string(), "--bogus"}).status, 2);
    EXPECT_EQ(
        InvokeCli({"watch", dir.path().string(), "--settings", (dir / "no.ini").string()}).status,
        2);
}

TEST(IcalCommand, WritesTheGridAsACalendar) {
    test::TempDir dir;
    test::WriteDataFile(dir / "comic2402.csv",
                        {kListHeader, "1,0,講談社,上,本,尾田,420", "2,0,講談社,,日なし,尾田,420"});
    const std::string out = (dir / "out.ics").string();
    CliOutput r = InvokeCli({"ical", (dir / "comic2402.csv").string(), "--month", "2024-02", out});
    EXPECT_EQ(r.status, 0);
    const std::string text = test::ReadBytes(out);
    EXPECT_NE(text.find("DTSTART;VALUE=DATE:20240201\r\nDTEND;VALUE=DATE:20240211\r\n"),
              std::string::npos);
    EXPECT_NE(r.err.find("日付の無い行: 1件"), std::string::npos);
    EXPECT_EQ(InvokeCli({"ical", (dir / "odd.csv").string(), "--month", "2024-02", out}).status, 2);
    EXPECT_EQ(test::ReadBytes(out), text);
}

TEST(IcalCommand, TakesTheMonthFromTheFileNameAndRefusesAnother) {
    test::TempDir dir;
    const std::string data = (dir / "comic2412.csv").string();
    test::WriteDataFile(data, {kListHeader, "1,0,講談社,12日,本,尾田,420"});
    const std::string out = (dir / "out.ics").string();

    CliOutput r = InvokeCli({"ical", data, "--month", "2025-01", out});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("is not the month of " + data + ", which is 2024-12"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(out));

    r = InvokeCli({"ical", data, out});
    EXPECT_EQ(r.status, 0);
    const std::string text = test::ReadBytes(out);
    EXPECT_NE(text.find("DTSTART;VALUE=DATE:20241212\r\n"), std::string::npos);
    EXPECT_EQ(InvokeCli({"ical", data, "--month", "2024-12", out}).status, 0);

    // "-" is standard output, as for show; no file of that name appears.
    ASSERT_FALSE(std::filesystem::exists("-"));
    r = InvokeCli({"ical", data, "-"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.starts_with(text.substr(0, text.find("DTSTAMP"))));
    EXPECT_NE(r.out.find("DTSTART;VALUE=DATE:20241212\r\n"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists("-"));
}

TEST(IcalCommand, AWeeklyListFollowsTheWeekNumberingOfTheSettings) {
    test::TempDir dir;
    const std::string data = (dir / "syosk619.csv").string();
    test::WriteDataFile(data, {kListHeader, "1,0,講談社,5日,本,尾田,420"});
    test::WriteBytes(dir / "weeks.ini", "[SYOSEKI_SERCH]\r\nNO=500\r\n");
    // Week 619 of that numbering is the week of 2003/05/01, whose list runs in April 2003; the
    // program's own numbering would put it years earlier.
    CliOutput r = InvokeCli({"ical", data, "-", "--settings", (dir / "weeks.ini").string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("DTSTART;VALUE=DATE:20030405\r\n"), std::string::npos) << r.out;
    EXPECT_EQ(InvokeCli({"ical", data, "-", "--settings", (dir / "none.ini").string()}).status, 1);
}

TEST(IcalCommand, NoDatedRowWritesNothingAndFails) {
    test::TempDir dir;
    const std::string data = (dir / "comic2402.csv").string();
    test::WriteDataFile(data, {kListHeader, "1,0,講談社,,本,尾田,420", "2,0,講談社,未定,別,甲,1"});
    const std::string out = (dir / "out.ics").string();
    test::WriteBytes(out, "kept");

    for (const std::string& target : {out, std::string("-")}) {
        const CliOutput r = InvokeCli({"ical", data, target});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("日付の無い行: 2件"), std::string::npos);
        EXPECT_NE(r.err.find("何も書いていません"), std::string::npos);
    }
    EXPECT_EQ(test::ReadBytes(out), "kept");
    EXPECT_FALSE(std::filesystem::exists("-"));
}

}  // namespace
}  // namespace yomida

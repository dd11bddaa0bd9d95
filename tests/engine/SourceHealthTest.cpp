#include "engine/SourceHealth.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "engine/HealthWatch.h"
#include "support/TestSupport.h"

namespace yomida {
namespace {

using namespace std::chrono;
using test::Sj;
using test::U8;

local_seconds At(int d, int h, int m) {
    return local_days{year{2026} / December / day{static_cast<unsigned>(d)}} + hours{h} +
           minutes{m};
}

CategoryHealth Row(int category, FetchOutcome outcome, int count, int previous) {
    CategoryHealth h;
    h.category = category;
    h.list = "comic2612.csv";
    h.lastAttempt = At(8, 7, 0);
    h.outcome = outcome;
    h.count = count;
    h.previousCount = previous;
    return h;
}

TEST(SourceHealth, RoundTripKeepsTheLastSuccessAndTheCountsOfAFailure) {
    test::TempDir dir;
    SourceHealth health(dir.path());
    EXPECT_TRUE(health.Read().rows.empty());
    EXPECT_FALSE(health.Read().damaged) << "no file yet is no damage";

    CategoryHealth ok = Row(1, FetchOutcome::Updated, 120, 118);
    ok.lastSuccess = ok.lastAttempt;
    health.Record(ok);
    CategoryHealth failed = Row(1, FetchOutcome::HttpStatus, -1, -1);
    failed.lastAttempt = At(9, 7, 5);
    failed.httpStatus = 404;
    failed.detail = Sj("HTTP/1.0 404 \"Not\", Found\tはい");
    health.Record(failed);
    health.Record(Row(2, FetchOutcome::TransportError, -1, -1));

    const SourceHealth::Contents read = health.Read();
    ASSERT_FALSE(read.damaged);
    ASSERT_EQ(read.rows.size(), 2u);
    const CategoryHealth& comic = read.rows[0];
    EXPECT_EQ(comic.category, 1);
    EXPECT_EQ(comic.outcome, FetchOutcome::HttpStatus);
    EXPECT_EQ(comic.httpStatus, 404);
    EXPECT_EQ(comic.lastAttempt, At(9, 7, 5));
    EXPECT_EQ(comic.lastSuccess, At(8, 7, 0)) << "a failure keeps the last success";
    EXPECT_EQ(comic.count, 120) << "and the counts of the last list";
    EXPECT_EQ(comic.previousCount, 118);
    EXPECT_EQ(U8(comic.detail), "HTTP/1.0 404 \"Not\", Found はい");
    EXPECT_TRUE(comic.Failed());
    EXPECT_EQ(U8(OutcomeText(comic)), "HTTP 404");
    EXPECT_EQ(read.rows[1].category, 2);
    EXPECT_FALSE(read.rows[1].lastSuccess);

    const std::string bytes = test::ReadBytes(health.Path());
    EXPECT_TRUE(
        bytes.starts_with("yomida-health,1\r\ncomic,comic2612.csv,2026-12-09T07:05:00,"
                          "2026-12-08T07:00:00,http-status,404,120,118,\"HTTP/1.0 404 "
                          "\"\"Not\"\", Found "))
        << bytes;
    EXPECT_FALSE(std::filesystem::exists(dir / "health.txt.lock"));
}

TEST(SourceHealth, SuspiciousBelowHalfThePeriodBeforeOrWithoutRecords) {
    EXPECT_TRUE(Row(1, FetchOutcome::Updated, 4, 10).Suspicious());
    EXPECT_FALSE(Row(1, FetchOutcome::Updated, 5, 10).Suspicious()) << "half is not fewer";
    EXPECT_TRUE(Row(1, FetchOutcome::NoRecords, 0, -1).Suspicious());
    EXPECT_FALSE(Row(1, FetchOutcome::Updated, 3, -1).Suspicious()) << "no period before";
    EXPECT_FALSE(Row(1, FetchOutcome::TransportError, -1, 40).Suspicious());
    EXPECT_EQ(TrendText(Row(1, FetchOutcome::Updated, 4, 10)), "-6");
    EXPECT_EQ(TrendText(Row(1, FetchOutcome::Updated, 12, 10)), "+2");
    EXPECT_EQ(U8(TrendText(Row(1, FetchOutcome::Updated, 10, 10))), "±0");
    EXPECT_EQ(U8(SuspiciousText()), "ページの形が変わった可能性があります");
    EXPECT_FALSE(Row(1, FetchOutcome::Cancelled, -1, -1).Failed());
    EXPECT_TRUE(Row(1, FetchOutcome::NoRecords, 0, -1).Failed());
}

TEST(SourceHealth, ADamagedFileIsSetAsideAndStartedAfresh) {
    const std::string good =
        "yomida-health,1\r\n"
        "comic,comic2612.csv,2026-12-08T07:00:00,,updated,0,3,-1,\"\"\r\n";
    const std::vector<std::pair<std::string, std::string>> damaged = {
        {"garbage", std::string("\x00\xff\x81 not a health file", 21)},
        {"another header", "yomida-health,2\r\n"},
        {"no line end", good.substr(0, good.size() - 2)},
        {"unknown category", good + "nosuch,x.csv,2026-12-08T07:00:00,,updated,0,1,-1,\"\"\r\n"},
        {"unknown outcome",
         "yomida-health,1\r\ncomic,c.csv,2026-12-08T07:00:00,,fine,0,1,-1,\"\"\r\n"},
        {"bad time", "yomida-health,1\r\ncomic,c.csv,2026-13-08T07:00:00,,updated,0,1,-1,\"\"\r\n"},
        {"bad count",
         "yomida-health,1\r\ncomic,c.csv,2026-12-08T07:00:00,,updated,0,x,-1,\"\"\r\n"},
        {"short line", "yomida-health,1\r\ncomic,c.csv,2026-12-08T07:00:00\r\n"},
        {"twice", good + good.substr(17)},
        {"too large", good + std::string(70000, ' ') + "\r\n"},
    };
    for (const auto& [what, bytes] : damaged) {
        test::TempDir dir;
        SourceHealth health(dir.path());
        test::WriteBytes(health.Path(), bytes);
        const SourceHealth::Contents read = health.Read();
        EXPECT_TRUE(read.damaged) << what;
        EXPECT_TRUE(read.rows.empty()) << what;
        EXPECT_EQ(test::ReadBytes(health.Path()), bytes) << what << ": reading changes nothing";

        health.Record(Row(4, FetchOutcome::Updated, 7, -1));
        EXPECT_EQ(test::ReadBytes(dir / "health.txt.bad"), bytes) << what << ": set aside whole";
        const SourceHealth::Contents fresh = health.Read();
        EXPECT_FALSE(fresh.damaged) << what;
        ASSERT_EQ(fresh.rows.size(), 1u) << what;
        EXPECT_EQ(fresh.rows[0].category, 4) << what;
    }

    // A folder where the file should be cannot be read or replaced: an error, not a crash.
    test::TempDir dir;
    std::filesystem::create_directory(dir / "health.txt");
    SourceHealth health(dir.path());
    EXPECT_TRUE(health.Read().damaged);
    EXPECT_ANY_THROW(health.Record(Row(1, FetchOutcome::Updated, 1, -1)));

    // The good file reads.
    test::TempDir okDir;
    test::WriteBytes(okDir / "health.txt", good);
    EXPECT_FALSE(SourceHealth(okDir.path()).Read().damaged);
    EXPECT_EQ(SourceHealth(okDir.path()).Find(1)->count, 3);
}

TEST(SourceHealth, TwoProcessesRecordingAtOnceKeepBothRows) {
    test::TempDir dir;
    test::RunInChildProcesses(2, [&](int c) {
        const int category = 1 + c;
        for (int i = 0; i < 30; ++i) {
            SourceHealth(dir.path()).Record(Row(category, FetchOutcome::Updated, i, -1));
        }
        return true;
    });
    const SourceHealth::Contents read = SourceHealth(dir.path()).Read();
    ASSERT_EQ(read.rows.size(), 2u) << "neither replacement undid the other";
    EXPECT_EQ(read.rows[0].count, 29);
    EXPECT_EQ(read.rows[1].count, 29);
}

TEST(SourceHealth, StampsAndThePeriodBefore) {
    EXPECT_EQ(StampText(At(8, 7, 5) + seconds{9}), "2026-12-08T07:05:09");
    EXPECT_EQ(ParseStamp("2026-12-08T07:05:09"), At(8, 7, 5) + seconds{9});
    for (const char* bad : {"2026-02-30T00:00:00", "2026-12-08 07:05:09", "2026-12-08T24:00:00",
                            "2026-12-08T07:05:9", "+026-12-08T07:05:09"}) {
        EXPECT_FALSE(ParseStamp(bad)) << bad;
    }
    const std::filesystem::path folder = "/data";
    EXPECT_EQ(HealthWatch::PreviousPeriodFile(folder / "comic0301.csv", 1),
              folder / "comic0212.csv");
    EXPECT_EQ(HealthWatch::PreviousPeriodFile(folder / "comic2612.csv", 1),
              folder / "comic2611.csv");
    EXPECT_EQ(HealthWatch::PreviousPeriodFile(folder / "comic0001.csv", 1),
              folder / "comic9912.csv");
    EXPECT_EQ(HealthWatch::PreviousPeriodFile(folder / "syosk1321.csv", 2),
              folder / "syosk1320.csv");
    EXPECT_EQ(HealthWatch::PreviousPeriodFile(folder / "syosk1.csv", 2), "");
    EXPECT_EQ(HealthWatch::PreviousPeriodFile(folder / "comic26x2.csv", 1), "");
    // Not a month, or another category's list: there is no list before it to compare with.
    EXPECT_EQ(HealthWatch::PreviousPeriodFile(folder / "comic0013.csv", 1), "");
    EXPECT_EQ(HealthWatch::PreviousPeriodFile(folder / "syosk1321.csv", 1), "");
}

}  // namespace
}  // namespace yomida

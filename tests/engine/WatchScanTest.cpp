#include "engine/WatchScan.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <future>

#include "engine/WatchMemory.h"
#include "support/TestSupport.h"

namespace yomida {
namespace {

using namespace std::chrono;
using test::kListHeader;
using test::Sj;
using test::U8;

WatchWords Words(const std::string& publisher, const std::string& title,
                 const std::string& author) {
    return {Sj(publisher), Sj(title), Sj(author)};
}

WatchScanResult Scan(const test::TempDir& dir, const WatchWords& words) {
    return ScanWatchFiles(FindWatchFiles(dir.path(), test::kWeeks), words);
}

std::vector<std::string> Lines(const WatchScanResult& r) {
    std::vector<std::string> lines;
    for (const WatchMatch& m : r.matches) {
        lines.push_back(U8(m.dateText) + " " + std::to_string(m.category) + " " + m.fileName + " " +
                        U8(m.Cell(4)) + (m.isNew ? " 新" : ""));
    }
    return lines;
}

using Lines_ = std::vector<std::string>;

TEST(WatchScan, MatchesAsTheSearchDoes) {
    test::TempDir dir;
    test::WriteDataFile(dir / "comic2405.csv",
                        {kListHeader, "1,0,講談社,1,ＡＢＣ物語,甲,400", "2,0,集英社,2,xyz,乙,400",
                         "3,0,講談社,3,ア,丙,400", "4,1,講談社,4,別の本,abc作家,400"});
    // Width: a half-width word finds full-width letters; case: lower finds upper; the author
    // box is an alternative to the title box.
    EXPECT_EQ(Lines(Scan(dir, Words("", "abc", "ABC"))),
              (Lines_{"2024/05/01 1 comic2405.csv ABC物語", "2024/05/04 1 comic2405.csv 別の本"}));
    // Publisher words narrow.
    EXPECT_EQ(Lines(Scan(dir, Words("集英社", "xyz,abc", ""))),
              (Lines_{"2024/05/02 1 comic2405.csv xyz"}));
    // "A" is the second byte of ア in CP932: a match never starts inside a character.
    EXPECT_TRUE(Scan(dir, Words("", "A", "")).matches.size() == 1);
    // No words watch nothing, where an empty search would show everything.
    EXPECT_TRUE(Scan(dir, Words("", "", "")).matches.empty());
    EXPECT_TRUE(Scan(dir, Words(" ", "", "")).matches.empty());
}

TEST(WatchScan, DatesOrderAndFileNames) {
    test::TempDir dir;
    test::WriteDataFile(
        dir / "comic2405.csv",
        {kListHeader, "7,0,社,下,本 下,a,1", "3,0,社,5,本 5,a,1", "2,0,社,上,本 上,a,1",
         "1,0,社,,本 空,a,1", "9,0,社,/3,本 字,a,1", "8,0,社,15,本 15b,a,1"});
    test::WriteDataFile(dir / "bunko2405.csv", {kListHeader, "1,0,社,15,本 15a,a,1"});
    test::WriteDataFile(dir / "comic6912.csv", {kListHeader, "1,0,社,1,本 69,a,1"});
    test::WriteDataFile(dir / "comic7001.csv", {kListHeader, "1,0,社,1,本 70,a,1"});
    // Week 1201 ends on 2001/01/20; its list runs from the 12th.
    test::WriteDataFile(dir / "syosk1201.csv",
                        {"No,□,出版社,発売日,タイトル,作者,価格,ISBN", "1,0,社,,本 週,a,1,4-0"});
    // Names the category table does not produce are not data files.
    for (const char* other :
         {"comic.csv", "comic24.csv", "comic2413.csv", "syosk0120.csv", "download.dat",
          "comic2405.csv.tmp", "syosk2147483647.csv", "syosk10000001.csv"}) {
        test::WriteDataFile(dir / other, {kListHeader, "1,0,社,1,本 他,a,1"});
    }
    const WatchScanResult r = Scan(dir, Words("", "本", ""));
    EXPECT_EQ(r.filesRead, 5u);
    EXPECT_EQ(Lines(r), (Lines_{
                            "1970/01/01 1 comic7001.csv 本 70",
                            "2001/01/12 2 syosk1201.csv 本 週",
                            "2024/05/ 1 comic2405.csv 本 空",
                            "2024/05//3 1 comic2405.csv 本 字",
                            "2024/05/05 1 comic2405.csv 本 5",
                            "2024/05/上 1 comic2405.csv 本 上",
                            "2024/05/15 1 comic2405.csv 本 15b",
                            "2024/05/15 3 bunko2405.csv 本 15a",
                            "2024/05/下 1 comic2405.csv 本 下",
                            "2069/12/01 1 comic6912.csv 本 69",
                        }));
}

TEST(WatchScan, UnreadableFilesAreSkippedAndCounted) {
    test::TempDir dir;
    test::WriteDataFile(dir / "comic2405.csv", {kListHeader, "1,0,社,1,本,a,1"});
    std::filesystem::create_symlink(dir / "gone.csv", dir / "comic2406.csv");
    const WatchScanResult r = Scan(dir, Words("", "本", ""));
    EXPECT_EQ(r.filesRead, 1u);
    EXPECT_EQ(r.filesSkipped, 1u);
    EXPECT_EQ(r.matches.size(), 1u);
}

TEST(WatchScan, OnlyRegularFilesAreRead) {
    test::TempDir dir;
    test::WriteDataFile(dir / "comic2405.csv", {kListHeader, "1,0,社,1,本,a,1"});
    std::filesystem::create_symlink(dir / "comic2405.csv", dir / "comic2406.csv");
    const auto fifo = dir / "comic2407.csv";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/null", dir / "comic2408.csv");

    auto scan = std::async(std::launch::async, [&dir] { return Scan(dir, Words("", "本", "")); });
    if (scan.wait_for(seconds(20)) == std::future_status::timeout) {
        ADD_FAILURE() << "the scan waits on a FIFO";
        ::close(::open(fifo.c_str(), O_WRONLY));  // lets it go on, so the test can end
    }
    const WatchScanResult r = scan.get();
    EXPECT_EQ(r.filesRead, 2u);
    EXPECT_EQ(r.filesSkipped, 2u);
    EXPECT_EQ(r.matches.size(), 2u);
}

TEST(WatchScan, TheWorkerReportsHowFarItHasComeAndItsOwnerTakesTheResult) {
    test::TempDir dir;
    test::WriteDataFile(dir / "comic2405.csv", {kListHeader, "1,0,社,1,本 a,a,1"});
    test::WriteDataFile(dir / "comic2406.csv", {kListHeader, "1,0,社,1,別,a,1"});
    test::WriteDataFile(dir / "comic2407.csv", {kListHeader, "1,0,社,2,本 b,a,1"});
    const std::vector<WatchFile> files = FindWatchFiles(dir.path(), test::kWeeks);

    WatchScanWorker stepped(files, Words("", "本", ""), 0);
    EXPECT_EQ(stepped.Total(), 3u);
    EXPECT_EQ(stepped.Done(), 0u);
    EXPECT_FALSE(stepped.Step());
    EXPECT_EQ(stepped.Done(), 1u);
    const WatchScanResult r = stepped.Wait();
    EXPECT_EQ(r.filesRead, 3u);
    EXPECT_EQ(Lines(r), Lines(Scan(dir, Words("", "本", ""))));
    EXPECT_EQ(Lines(r),
              (Lines_{"2024/05/01 1 comic2405.csv 本 a", "2024/07/02 1 comic2407.csv 本 b"}));

    // Cancelled after one file, the rest are neither read nor counted as unreadable.
    WatchScanWorker cancelled(files, Words("", "本", ""), 0);
    EXPECT_FALSE(cancelled.Step());
    cancelled.Cancel();
    EXPECT_TRUE(cancelled.Step());
    const WatchScanResult part = cancelled.Wait();
    EXPECT_EQ(part.filesRead, 1u);
    EXPECT_EQ(part.filesSkipped, 0u);

    WatchScanWorker nothing(files, Words("", "", ""), 0);
    EXPECT_TRUE(nothing.Finished()) << "no words watch nothing";
    EXPECT_TRUE(nothing.Wait().matches.empty());
}

TEST(WatchScan, FirstLookIsSilentAndRenumberedRecordsStayKnown) {
    test::TempDir dir;
    const auto memoryFile = dir / WatchMemory::kWindowFile;
    test::WriteDataFile(dir / "comic2405.csv",
                        {kListHeader, "1,0,社,1,本 一,a,1", "2,0,社,2,本 二,a,1"});
    WatchScanResult r = Scan(dir, Words("", "本", ""));
    {
        WatchMemory memory(memoryFile);
        EXPECT_TRUE(memory.FirstLook());
        EXPECT_EQ(memory.MarkNewAndRemember(r.matches), 0u);
    }
    // A new download numbers the records afresh and adds one.
    test::WriteDataFile(dir / "comic2405.csv", {kListHeader, "1,0,社,1,本 零,a,1",
                                                "2,0,社,1,本 一,a,1", "3,0,社,2,本 二,a,1"});
    r = Scan(dir, Words("", "本", ""));
    WatchMemory memory(memoryFile);
    EXPECT_FALSE(memory.FirstLook());
    EXPECT_EQ(memory.CountNew(r.matches), 1u);
    EXPECT_EQ(memory.MarkNewAndRemember(r.matches), 1u);
    EXPECT_EQ(Lines(r),
              (Lines_{"2024/05/01 1 comic2405.csv 本 零 新", "2024/05/01 1 comic2405.csv 本 一",
                      "2024/05/02 1 comic2405.csv 本 二"}));
    EXPECT_EQ(WatchMemory(memoryFile).CountNew(r.matches), 0u);
}

std::vector<WatchMatch> Titles(const std::string& prefix, int count) {
    std::vector<WatchMatch> matches(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        WatchMatch& m = matches[static_cast<size_t>(i)];
        m.category = 1;
        m.periodKey = "2405";
        m.cells = {std::to_string(i), "", "社", "1", prefix + std::to_string(i), "a"};
    }
    return matches;
}

TEST(WatchScan, ScansAtOnceLoseNoneOfEachOthersMatches) {
    test::TempDir dir;
    const auto memoryFile = dir / WatchMemory::kCommandLineFile;
    std::vector<WatchMatch> seed = Titles("seed", 1);
    WatchMemory(memoryFile).MarkNewAndRemember(seed);

    // Both have read the file before either writes, as two runs started together do.
    WatchMemory first(memoryFile);
    WatchMemory second(memoryFile);
    std::vector<WatchMatch> a = Titles("a", 3);
    std::vector<WatchMatch> b = Titles("b", 3);
    b.push_back(a[0]);
    EXPECT_EQ(first.MarkNewAndRemember(a), 3u);
    EXPECT_EQ(second.MarkNewAndRemember(b), 3u) << "the first's match is no news to the second";
    EXPECT_FALSE(b[3].isNew);
    EXPECT_EQ(WatchMemory(memoryFile).CountNew(a), 0u);
    EXPECT_EQ(WatchMemory(memoryFile).CountNew(b), 0u);
    EXPECT_EQ(WatchMemory(memoryFile).CountNew(seed), 0u);
}

}  // namespace
}  // namespace yomida

#include "engine/WatchChanges.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "sources/Convert.h"
#include "support/CliRun.h"
#include "support/ScriptedUi.h"
#include "support/TestSupport.h"

namespace yomida {
namespace {

using namespace std::chrono;
using test::kListHeader;
using test::kWeeks;
using test::Sj;
using test::U8;

const std::string kOnePiece = "1,0,講談社,5,ワンピース 110,尾田,500";
const std::string kGone = "2,0,集英社,20,消える本,乙,600";
const std::string kMagazine = "3,0,小学館,1,月刊誌,編集部,700";

WatchWords Watched() {
    return {"", Sj("ワンピース,消える本,月刊誌"), ""};
}

// December's list lost two titles, January's gained one of them and the magazine is in every
// month's list, as it was before.
void ThreeMonths(const test::TempDir& dir) {
    test::WriteDataFile(dir / "comic2612.csv.prev", {kListHeader, kOnePiece, kGone, kMagazine});
    test::WriteDataFile(dir / "comic2612.csv", {kListHeader, kMagazine});
    test::WriteDataFile(dir / "comic2701.csv.prev", {kListHeader, kMagazine});
    test::WriteDataFile(dir / "comic2701.csv", {kListHeader, kMagazine, kOnePiece,
                                                "9,0,講談社,6,ワンピース 110,尾田,500"});
    test::WriteDataFile(dir / "comic2702.csv", {kListHeader, kMagazine, kOnePiece});
}

std::string Describe(const WatchChange& c) {
    return U8(WatchChangeText(c)) + " " + std::to_string(c.category) + " " + U8(c.publisher) + " " +
           U8(c.title) + " " + U8(c.author) + " " + c.before.fileName +
           (c.after ? " " + c.after->fileName : "");
}

TEST(WatchChanges, ATitleMovedToALaterMonthIsPostponedAndOneGoneIsWithdrawn) {
    test::TempDir dir;
    ThreeMonths(dir);
    std::vector<std::string> seen;
    for (const WatchChange& c : ScanWatchChanges(dir.path(), Watched(), kWeeks)) {
        seen.push_back(Describe(c));
    }
    // Each title once, though January lists the moved one twice and February too; the first
    // later month is where it went.
    EXPECT_EQ(seen, (std::vector<std::string>{
                        "延期 2026/12→2027/01 1 講談社 ワンピース 110 尾田 comic2612.csv.prev "
                        "comic2701.csv",
                        "取り消し? 1 集英社 消える本 乙 comic2612.csv.prev"}));

    // The previous versions are never lists of their own: the scan reads only the current ones.
    for (const WatchMatch& m :
         ScanWatchFiles(FindWatchFiles(dir.path(), kWeeks), Watched()).matches) {
        EXPECT_TRUE(m.fileName.ends_with(".csv")) << m.fileName;
    }
    EXPECT_FALSE(ParseWatchFileName(dir / "comic2612.csv.prev", kWeeks));

    // A title gone from December and now in November's list came earlier: neither change.
    test::WriteDataFile(dir / "comic2611.csv", {kListHeader, kGone});
    EXPECT_EQ(ScanWatchChanges(dir.path(), Watched(), kWeeks).size(), 1u);
    // Without previous versions nothing is known to have moved.
    std::filesystem::remove(dir / "comic2612.csv.prev");
    EXPECT_TRUE(ScanWatchChanges(dir.path(), Watched(), kWeeks).empty());
}

TEST(WatchChanges, TheResultRowsMarkTheMovedMatchAndAddTheWithdrawnOne) {
    test::TempDir dir;
    ThreeMonths(dir);
    const std::vector<WatchFile> files = FindWatchFiles(dir.path(), kWeeks);
    const std::vector<WatchMatch> matches = ScanWatchFiles(files, Watched()).matches;
    const std::vector<WatchResultRow> rows =
        WatchResultRows(matches, FindWatchChanges(files, matches, Watched()));
    std::vector<std::string> seen;
    for (const WatchResultRow& r : rows) {
        seen.push_back(r.match.fileName + " " + U8(r.match.Cell(4)) + " " + U8(r.change) +
                       (r.withdrawn ? " withdrawn" : ""));
    }
    EXPECT_EQ(seen,
              (std::vector<std::string>{
                  "comic2612.csv 月刊誌 ", "comic2612.csv.prev 消える本 取り消し? withdrawn",
                  "comic2701.csv 月刊誌 ", "comic2701.csv ワンピース 110 延期 2026/12→2027/01",
                  "comic2701.csv ワンピース 110 延期 2026/12→2027/01", "comic2702.csv 月刊誌 ",
                  "comic2702.csv ワンピース 110 "}));
}

TEST(WatchChanges, TheCommandLinePrintsOneLineAChange) {
    test::TempDir dir;
    ThreeMonths(dir);
    test::WriteBytes(dir / "yomida.INI", Sj("[WATCH]\r\nTITLE=ワンピース,消える本,月刊誌\r\n"));
    const std::string folder = dir.path().string();
    const test::CliOutput changes = test::InvokeCli(
        {"watch", folder, "--changes", "--settings", (dir / "yomida.INI").string()});
    EXPECT_EQ(changes.status, 0);
    EXPECT_EQ(changes.out,
              "延期\t2026/12\t2027/01\t1\t講談社\tワンピース 110\t尾田\n"
              "取り消し?\t2026/12\t\t1\t集英社\t消える本\t乙\n");
    EXPECT_EQ(test::InvokeCli({"watch", folder, "--changes", "--title", "月刊誌"}).status, 1);
    EXPECT_EQ(test::InvokeCli({"watch", folder, "--changes", "--new", "--title", "x"}).status, 2);
    // Without the option the matches print as before, the previous versions left out.
    EXPECT_EQ(test::InvokeCli({"watch", folder, "--title", "消える本"}).status, 1);
}

class PreviousVersion : public ::testing::Test {
protected:
    test::TempDir dir;
    ScriptedUi ui;
    std::filesystem::path data = dir / "comic0305.csv";
    std::filesystem::path previous = dir / "comic0305.csv.prev";
    std::filesystem::path page = std::filesystem::path(YOMIDA_SAMPLES) / "mangaoh-comic.html";

    bool Store() {
        ConvertRequest r{1, page, data, "", {}};
        return Convert(r).RanToEnd();
    }
    bool NoTemporaries() const {
        for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
            if (e.path().extension() == ".tmp") {
                return false;
            }
        }
        return true;
    }
};

TEST_F(PreviousVersion, KeptByteForByteAndReplacedInOneRename) {
    ASSERT_TRUE(Store());
    EXPECT_FALSE(std::filesystem::exists(previous)) << "a first list has no previous version";

    const std::string old = std::string("\x82\xa0 old list\r\n\0\xff", 15);
    test::WriteBytes(data, old);
    ::chmod(data.c_str(), 0640);
    ASSERT_TRUE(Store());
    EXPECT_EQ(test::ReadBytes(previous), old);
    struct stat st {};
    ASSERT_EQ(::stat(previous.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u) << "no wider than the list it was";
    const std::string stored = test::ReadBytes(data);
    EXPECT_NE(stored, old);

    // A reader of the old previous version keeps reading it whole while it is replaced.
    std::ifstream reader(previous, std::ios::binary);
    ASSERT_TRUE(Store());
    EXPECT_EQ(test::ReadBytes(previous), stored);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(reader), {}), old);
    EXPECT_TRUE(NoTemporaries());
}

TEST_F(PreviousVersion, ACopyThatCannotBeMadeLeavesTheListAsItWas) {
    test::WriteBytes(data, "old");
    std::filesystem::create_directory(previous);
    EXPECT_ANY_THROW(Store());
    EXPECT_EQ(test::ReadBytes(data), "old");
    EXPECT_TRUE(NoTemporaries());
}

}  // namespace
}  // namespace yomida

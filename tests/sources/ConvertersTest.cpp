#include <gtest/gtest.h>

#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

#include "platform/FileLock.h"
#include "sources/Convert.h"
#include "sources/ListItems.h"
#include "sources/RecordLayout.h"
#include "support/TestSupport.h"
#include "text/CommaText.h"
#include "text/ScrambledFile.h"
#include "text/Sjis.h"

namespace yomida {
namespace {

using namespace std::chrono;
using test::Sj;
using test::U8;

const std::filesystem::path kData = YOMIDA_TEST_DATA;

std::vector<std::string> ExpectedLines(const std::string& name) {
    std::ifstream in(kData / name);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        lines.push_back(line);
    }
    return lines;
}

class ConvertersTest : public ::testing::Test {
protected:
    test::TempDir dir;
    ConvertResult last;
    year_month_day may2003{year{2003}, month{5}, day{1}};

    // Converts a fixture (written in UTF-8 here, CP932 as the sites send it) for a category.
    bool Run(const std::string& fixture, int category, bool asCp932 = true) {
        const std::string bytes = test::ReadBytes(kData / fixture);
        test::WriteBytes(dir / "input", asCp932 ? Sj(bytes) : bytes);
        ConvertRequest r{category, dir / "input", dir / "out.csv", "", may2003};
        last = Convert(r);
        return last.RanToEnd();
    }
    std::vector<std::string> Output() {
        if (!std::filesystem::exists(dir / "out.csv")) {
            return {};
        }
        return test::ReadDataFile(dir / "out.csv");
    }
    void Fresh() { std::filesystem::remove(dir / "out.csv"); }
    // The data file's lines as stored, in CP932.
    std::vector<std::string> RawOutput() {
        std::vector<std::string> lines;
        ScrambledReader in(dir / "out.csv");
        for (std::string line; in.ReadLine(line);) {
            lines.push_back(line);
        }
        return lines;
    }
};

TEST_F(ConvertersTest, BookTownRows) {
    for (int category : {7, 12, 13, 14}) {
        Fresh();
        EXPECT_TRUE(Run("booktown.html", category));
        EXPECT_EQ(Output(), ExpectedLines("booktown.expected")) << category;
    }
}

TEST_F(ConvertersTest, MangaNoMoriRowsAndTheMonthCheck) {
    EXPECT_TRUE(Run("manganomori.html", 15));
    EXPECT_EQ(Output(), ExpectedLines("manganomori.expected"));

    // The same list naming June while May is asked for.
    Fresh();
    std::string june = test::ReadBytes(kData / "manganomori.html");
    june.replace(june.find("2003.05"), 7, "2003.06");
    test::WriteBytes(dir / "input", Sj(june));
    ConvertRequest r{15, dir / "input", dir / "out.csv", "", may2003};
    const ConvertResult june2003 = Convert(r);
    EXPECT_EQ(june2003.outcome, ConvertOutcome::OtherPeriod);
    EXPECT_EQ(U8(june2003.message), "現在のデータは2003.06です。指定年月を変更して下さい。");
    EXPECT_TRUE(Output().empty()) << "nothing was counted before the month line";

    // A list of 2026 is checked as well: November's page is refused for December.
    Fresh();
    std::string november = test::ReadBytes(kData / "manganomori.html");
    november.replace(november.find("2003.05"), 7, "2026.11");
    test::WriteBytes(dir / "input", Sj(november));
    const std::chrono::year_month_day december{std::chrono::year{2026}, std::chrono::month{12},
                                               std::chrono::day{1}};
    ConvertRequest late{15, dir / "input", dir / "out.csv", "", december};
    const ConvertResult november2026 = Convert(late);
    EXPECT_FALSE(november2026.RanToEnd());
    EXPECT_EQ(U8(november2026.message), "現在のデータは2026.11です。指定年月を変更して下さい。");
}

TEST_F(ConvertersTest, TaiyoshaBunkoItems) {
    EXPECT_TRUE(Run("taiyosha-bunko.html", 3));
    EXPECT_EQ(Output(), ExpectedLines("taiyosha-bunko.expected"));
}

TEST_F(ConvertersTest, TaiyoshaComicItems) {
    EXPECT_TRUE(Run("taiyosha-comic.html", 8));
    EXPECT_EQ(Output(), ExpectedLines("taiyosha-comic.expected"));

    // "<LI>" goes from the item's own line only: in a continuation line it is text.
    Fresh();
    test::WriteBytes(dir / "input", Sj("<LI>05/20　　分割社　　続きの本\r\n"
                                       "　　　　架空<LI>三郎　　550　　A5\r\n"));
    ConvertRequest r{8, dir / "input", dir / "out.csv", "", may2003};
    EXPECT_TRUE(Convert(r).RanToEnd());
    ASSERT_EQ(Output().size(), 2u);
    EXPECT_EQ(Output()[1], "1,0,分割社,20,続きの本,架空<LI>三郎,550");
}

TEST_F(ConvertersTest, WeeklyList) {
    EXPECT_TRUE(Run("weekly.html", 2));
    EXPECT_EQ(Output(), ExpectedLines("weekly.expected"));
}

TEST_F(ConvertersTest, NeoWingCsvKeepsTheTargetMonth) {
    EXPECT_TRUE(Run("neowing.csv", 11));
    EXPECT_EQ(Output(), ExpectedLines("neowing.expected"));
}

TEST_F(ConvertersTest, NoRecordHoldsAControlByteOrALeadByteWithoutItsTrailByte) {
    // 0x82 is a lead byte; before a quote, a tag or a line end it stands alone. Some converters
    // also cut fields by bytes, which can split a character.
    const std::string lone = "\x82";
    const struct {
        int category;
        std::string page;  // CP932
        size_t column;
        const char* field;
    } cases[] = {
        {2,
         Sj("<LI>題名") + lone +
             Sj("\"<BR>架空 太郎<BR>見本書房<BR>1500円<BR>単行本<BR>x<BR>4-0\n"),
         kTitleCol, "題名?\""},
        {7,
         Sj("<tr>\n<td>見本書房</td>\n<td>見本新書</td>\n<td>題名") + lone +
             Sj("</td>\n<td>架空 太郎</td>\n<td>四六判</td>\n<td>１,０５０円</td>\n<td>上旬</td>\n"
                "<td>4-00-000001-1</td>\n</tr>\n"),
         kTitleCol, "題名?"},
        {3, Sj("<LI>５月５　　見本文庫　　見本　　星の海　　架空 太郎　　&yen;580\r\n"), kDateCol,
         "?5"},
        {8, Sj("<LI>05/1あ　　見本コミックス　　星の旅人　　架空太郎　　420　　B6\r\n"), kDateCol,
         "1?"},
        {11, Sj("見本,\"春の歌") + lone + Sj("\",AB-1,CD,3000,2003/05/21\r\n"), kTitleCol,
         "春の歌?"},
        {11, Sj("見本,\"春の\x01歌\r\",AB-1,CD,3000,2003/05/21\r\n"), kTitleCol, "春の歌"},
        {11, Sj("\"見\x0b本\",夏の歌,AB-1,CD,3000,2003/05/21\r\n"), kAuthorCol, "見本"},
    };
    for (const auto& c : cases) {
        Fresh();
        test::WriteBytes(dir / "input", c.page);
        ConvertRequest r{c.category, dir / "input", dir / "out.csv", "", may2003};
        ASSERT_EQ(Convert(r).outcome, ConvertOutcome::Converted) << c.field;
        const std::vector<std::string> lines = RawOutput();
        ASSERT_EQ(lines.size(), 2u) << c.field;
        const std::string& record = lines[1];
        EXPECT_EQ(FindLoneLeadByte(record), std::string::npos) << U8(record);
        EXPECT_TRUE(std::none_of(record.begin(), record.end(), [](char b) {
            return static_cast<unsigned char>(b) < 0x20 && b != '\t';
        })) << U8(record);
        const std::vector<std::string> fields = SplitCommaText(record);
        ASSERT_GT(fields.size(), c.column) << U8(record);
        EXPECT_EQ(U8(fields[c.column]), c.field) << U8(record);
    }
}

TEST_F(ConvertersTest, BrokenInputsConvertToNothingWithoutHarm) {
    for (const char* fixture :
         {"broken/empty.html", "broken/garbage.bin", "broken/tr-never-closed.html",
          "broken/li-short.html", "broken/bad.csv"}) {
        for (int category = 1; category <= 15; ++category) {
            Fresh();
            EXPECT_NO_THROW(Run(fixture, category, false)) << fixture << " " << category;
            const std::vector<std::string> lines = Output();
            // Only the product-list extractor counts its header line.
            EXPECT_LE(lines.size(), 1u) << fixture << " " << category;
        }
    }
}

TEST_F(ConvertersTest, APageWithoutReleasesSaysSoAndKeepsTheList) {
    Fresh();
    ASSERT_TRUE(Run("broken/li-short.html", 2, false));
    EXPECT_EQ(last.outcome, ConvertOutcome::NoReleases);
    EXPECT_EQ(last.records, 0);
    EXPECT_EQ(U8(last.message), "ページに発売情報がありませんでした。");

    test::WriteBytes(dir / "out.csv", "the earlier list\r\n");
    ASSERT_TRUE(Run("broken/li-short.html", 2, false));
    EXPECT_EQ(last.outcome, ConvertOutcome::NoReleases);
    EXPECT_TRUE(U8(last.message).ends_with("前の一覧をそのまま表示します。"));
    EXPECT_EQ(test::ReadBytes(dir / "out.csv"), "the earlier list\r\n");
}

TEST_F(ConvertersTest, NothingButTheNewDataFileAppearsBesideIt) {
    // Anyone who may write to the data file's folder could swap a scratch file there for a link,
    // so a page of each pre-processing kind is converted while the folder is watched: the only
    // files that may appear are the lock, the new version that takes the data file's place and
    // the copy of the old version that becomes the previous list.
    std::filesystem::create_directory(dir / "data");
    const std::filesystem::path data = dir / "data" / "comic0305.csv";
    const int watch = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    ASSERT_GE(watch, 0);
    ASSERT_GE(
        ::inotify_add_watch(watch, (dir / "data").c_str(), IN_CREATE | IN_MOVED_FROM | IN_MOVED_TO),
        0);
    const struct {
        std::filesystem::path page;
        int category;
        bool asCp932;
    } pages[] = {{std::filesystem::path(YOMIDA_SAMPLES) / "mangaoh-comic.html", 1, false},
                 {kData / "booktown.html", 7, true},
                 {kData / "taiyosha-bunko.html", 3, true},
                 {kData / "neowing.csv", 11, true}};
    for (const auto& [page, category, asCp932] : pages) {
        const std::string bytes = test::ReadBytes(page);
        test::WriteBytes(dir / "input", asCp932 ? Sj(bytes) : bytes);
        ConvertRequest r{category, dir / "input", data, "", may2003};
        EXPECT_EQ(Convert(r).outcome, ConvertOutcome::Converted) << page;
    }

    std::vector<std::string> created;
    std::map<uint32_t, std::string> movedFrom;
    std::vector<std::string> becameTheDataFile;
    std::vector<std::string> becameThePrevious;
    const std::filesystem::path previous = PreviousVersionPath(data);
    alignas(inotify_event) char events[1 << 16];
    ssize_t n;
    while ((n = ::read(watch, events, sizeof events)) > 0) {
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(events + at);
            const std::string name = event->len > 0 ? event->name : "";
            if ((event->mask & IN_CREATE) != 0) {
                created.push_back(name);
            } else if ((event->mask & IN_MOVED_FROM) != 0) {
                movedFrom[event->cookie] = name;
            } else if ((event->mask & IN_MOVED_TO) != 0 && name == data.filename()) {
                becameTheDataFile.push_back(movedFrom[event->cookie]);
            } else if ((event->mask & IN_MOVED_TO) != 0 && name == previous.filename()) {
                becameThePrevious.push_back(movedFrom[event->cookie]);
            }
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    ::close(watch);

    EXPECT_EQ(becameTheDataFile.size(), std::size(pages));
    EXPECT_EQ(becameThePrevious.size(), std::size(pages) - 1)
        << "the first page had no list before";
    for (const std::string& name : created) {
        EXPECT_TRUE(name == FileLock::LockFileFor(data).filename() ||
                    std::ranges::find(becameTheDataFile, name) != becameTheDataFile.end() ||
                    std::ranges::find(becameThePrevious, name) != becameThePrevious.end())
            << name << " appeared beside the data file";
    }
}

TEST_F(ConvertersTest, WholeNumbers) {
    EXPECT_TRUE(IsWholeNumber("420"));
    EXPECT_TRUE(IsWholeNumber("-5"));
    EXPECT_TRUE(IsWholeNumber("+5"));
    EXPECT_FALSE(IsWholeNumber(""));
    EXPECT_FALSE(IsWholeNumber("1.000"));
    EXPECT_FALSE(IsWholeNumber("12a"));
    EXPECT_FALSE(IsWholeNumber("99999999999"));
}

}  // namespace
}  // namespace yomida

#include <gtest/gtest.h>

#include <sys/inotify.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <thread>

#include "sources/Convert.h"
#include "sources/ListItems.h"
#include "support/ScriptedUi.h"
#include "support/TestSupport.h"

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
    ScriptedUi ui;
    year_month_day may2003{year{2003}, month{5}, day{1}};

    // Converts a fixture (written in UTF-8 here, CP932 as the sites send it) for a category.
    bool Run(const std::string& fixture, int category, bool asCp932 = true) {
        const std::string bytes = test::ReadBytes(kData / fixture);
        test::WriteBytes(dir / "input", asCp932 ? Sj(bytes) : bytes);
        ConvertRequest r{category, dir / "input", dir / "out.csv", "", may2003};
        return Convert(r, ui);
    }
    std::vector<std::string> Output() {
        if (!std::filesystem::exists(dir / "out.csv")) {
            return {};
        }
        return test::ReadDataFile(dir / "out.csv");
    }
    void Fresh() { std::filesystem::remove(dir / "out.csv"); }
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
    EXPECT_FALSE(Convert(r, ui));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(U8(ui.messages[0].text), "現在のデータは2003.06です。指定年月を変更して下さい。");
    EXPECT_TRUE(Output().empty()) << "nothing was counted before the month line";
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
    EXPECT_TRUE(Convert(r, ui));
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
    EXPECT_EQ(ui.Cursor(), CursorShape::Default);
}

TEST_F(ConvertersTest, APageWithoutReleasesSaysSoAndKeepsTheList) {
    Fresh();
    ASSERT_TRUE(Run("broken/li-short.html", 2, false));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(U8(ui.messages[0].text), "ページに発売情報がありませんでした。");

    test::WriteBytes(dir / "out.csv", "the earlier list\r\n");
    ASSERT_TRUE(Run("broken/li-short.html", 2, false));
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[1].kind, ScriptedUi::Kind::Warning);
    EXPECT_TRUE(U8(ui.messages[1].text).ends_with("前の一覧をそのまま表示します。"));
    EXPECT_EQ(test::ReadBytes(dir / "out.csv"), "the earlier list\r\n");
}

TEST_F(ConvertersTest, AScratchCopySwappedForALinkLeavesTheLinkTargetAlone) {
    // The page pre-processed for the product-list converter, made large enough that a watcher
    // swaps the scratch copy for a link while it is being worked on.
    std::string page =
        test::ReadBytes(std::filesystem::path(YOMIDA_SAMPLES) / "mangaoh-comic.html");
    page.reserve(page.size() + (8 << 20));
    for (int i = 0; i < 200000; ++i) {
        page += "<!-- padding padding padding -->\n";
    }
    test::WriteBytes(dir / "page.html", page);
    const std::filesystem::path victim = dir / "victim.txt";
    test::WriteBytes(victim, "precious");
    std::filesystem::create_directory(dir / "data");

    const int watch = ::inotify_init1(IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(::inotify_add_watch(watch, (dir / "data").c_str(), IN_CREATE), 0);
    bool swapped = false;
    std::thread swapper([&] {
        alignas(inotify_event) char events[4096];
        const ssize_t n = ::read(watch, events, sizeof events);
        if (n <= 0) {
            return;
        }
        const auto* event = reinterpret_cast<const inotify_event*>(events);
        const std::filesystem::path scratch = dir / "data" / event->name;
        const std::filesystem::path link = dir / "link";
        std::filesystem::create_symlink(victim, link);
        swapped = ::rename(link.c_str(), scratch.c_str()) == 0;
    });
    ConvertRequest r{1, dir / "page.html", dir / "data" / "comic0305.csv", "", may2003};
    const bool converted = Convert(r, ui);
    swapper.join();
    ::close(watch);

    EXPECT_TRUE(swapped);
    EXPECT_TRUE(converted);
    EXPECT_EQ(test::ReadBytes(victim), "precious");
    EXPECT_EQ(test::ReadDataFile(dir / "data" / "comic0305.csv").size(), 7u);
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

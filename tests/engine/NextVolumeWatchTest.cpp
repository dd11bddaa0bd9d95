#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "engine/Notifier.h"
#include "engine/SeriesFollowing.h"
#include "engine/SeriesStore.h"
#include "engine/WatchMemory.h"
#include "engine/WatchService.h"
#include "sources/RecordLayout.h"
#include "support/CalendarEvents.h"
#include "support/TestSupport.h"
#include "text/SjisLiteral.h"

namespace yomida {
namespace {

using namespace std::chrono;
using test::kListHeader;
using test::Sj;
using test::U8;

// A followed series as following one records it.
FollowedSeries Series(const std::string& key, const std::string& title, int volume,
                      const std::string& date = {}, int category = 0) {
    FollowedSeries s;
    s.key = test::Sj(key);
    s.title = test::Sj(title);
    s.volume = volume;
    s.date = test::Sj(date);
    s.category = category;
    return s;
}

class NextVolumeWatchTest : public ::testing::Test {
protected:
    test::TempDir dir;
    FixedClock clock{year_month_day{year{2024}, month{5}, day{7}}};

    void SetUp() override {
        SeriesStore(dir.path()).Follow({Series("進撃の巨人", "進撃の巨人（３４）", 34)});
    }
    WatchPlace Place(const std::string& title = "ワンピース") const {
        WatchPlace place;
        place.dataFolder = dir.path();
        place.words.title = Sj(title);
        place.weeks = test::kWeeks;
        return place;
    }
    WatchLookRequest EveryList(const std::string& title = "ワンピース") const {
        return {Place(title), dir / "seen.txt", {}, CurrentWatchFeedOptions(clock, false)};
    }
    FollowedSeries Followed() const { return SeriesStore(dir.path()).Read().series.at(0); }
};

const WatchMatch* ByTitle(const std::vector<WatchMatch>& matches, const std::string& title) {
    const auto it = std::find_if(matches.begin(), matches.end(), [&](const WatchMatch& m) {
        return m.Cell(kTitleCol) == Sj(title);
    });
    return it == matches.end() ? nullptr : &*it;
}

TEST_F(NextVolumeWatchTest, TheScanMarksEveryVolumeAboveTheHighestSeenAndNothingElse) {
    test::WriteDataFile(
        dir / "comic2405.csv",
        {kListHeader, "1,0,講談社,9,進撃の巨人（３４）,諫山,500",
         "2,0,講談社,上,進撃の巨人 第35巻 特装版,諫山,900", "3,0,集英社,3,ワンピース 108,尾田,500",
         "4,0,講談社,4,進撃の巨人展 公式図録 36,諫山,2000",
         "5,0,講談社,5,ワンピース × 進撃の巨人 35,尾田,500"});
    test::WriteDataFile(dir / "comic2406.csv",
                        {kListHeader, "1,0,講談社,9,進撃の巨人 36,諫山,500"});
    struct Case {
        const char* title;
        bool watched;
        bool next;
        int volume;
    };
    const Case cases[] = {
        {"進撃の巨人（３４）", false, false, 0},  // the highest seen itself
        {"進撃の巨人 第35巻 特装版", false, true, 35},  {"ワンピース 108", true, false, 0},
        {"進撃の巨人展 公式図録 36", false, false, 0},  // another key
        {"ワンピース × 進撃の巨人 35", true, false, 0}, {"進撃の巨人 36", false, true, 36},
    };
    for (const std::optional<size_t> workers :
         {std::optional<size_t>{0}, std::optional<size_t>{}}) {
        WatchScanWorker scan(FindWatchFiles(dir.path(), test::kWeeks), Place().words,
                             SeriesStore(dir.path()).Read().series, workers);
        const WatchScanResult result = scan.Wait();
        EXPECT_EQ(result.matches.size(), 4u);
        for (const Case& c : cases) {
            const WatchMatch* m = ByTitle(result.matches, c.title);
            if (!c.watched && !c.next) {
                EXPECT_EQ(m, nullptr) << c.title;
                continue;
            }
            ASSERT_NE(m, nullptr) << c.title;
            EXPECT_EQ(m->watched, c.watched) << c.title;
            EXPECT_EQ(m->isNext, c.next) << c.title;
            EXPECT_EQ(m->volume, c.volume) << c.title;
            EXPECT_EQ(U8(m->seriesKey), c.next ? "進撃の巨人" : "") << c.title;
        }
    }
    // Without words the followed series are still looked for; with neither, nothing is read.
    EXPECT_EQ(ScanWatchFiles(FindWatchFiles(dir.path(), test::kWeeks), {},
                             SeriesStore(dir.path()).Read().series)
                  .matches.size(),
              2u);
    EXPECT_EQ(ScanWatchFiles(FindWatchFiles(dir.path(), test::kWeeks), {}, {}).filesRead, 0u);
}

TEST_F(NextVolumeWatchTest, ANextVolumeIsNewsOnceEvenWhenItWasShownAsAMatchBefore) {
    test::WriteDataFile(dir / "comic2405.csv",
                        {kListHeader, "1,0,講談社,9,進撃の巨人 35,諫山,500"});
    SeriesStore(dir.path()).Unfollow({Sj("進撃の巨人")});
    // The first look, and the record seen as a watch match.
    EXPECT_EQ(LookAtWatchLists(EveryList("進撃")).fresh, 0u);
    test::WriteDataFile(dir / "comic2406.csv", {kListHeader, "1,0,講談社,,進撃の巨人 36,諫山,500"});
    EXPECT_EQ(LookAtWatchLists(EveryList("進撃")).fresh, 1u);

    SeriesStore(dir.path()).Follow({Series("進撃の巨人", "進撃の巨人 34", 34)});
    WatchLook look = LookAtWatchLists(EveryList("進撃"));
    EXPECT_EQ(look.fresh, 0u) << "the matches were told";
    EXPECT_EQ(look.freshNext, 2u) << "as next volumes they are news";
    ASSERT_EQ(look.freshTitles.size(), 2u);
    EXPECT_TRUE(look.freshTitles[0].next);
    EXPECT_EQ(U8(look.freshTitles[0].title), "進撃の巨人 35");
    EXPECT_EQ(U8(look.freshTitles[0].date), "2024/05/09");
    EXPECT_EQ(U8(look.freshTitles[1].date), "2024/06/");
    EXPECT_TRUE(look.error.empty()) << look.error;

    // series.txt names the nearest of them.
    FollowedSeries s = Followed();
    EXPECT_EQ(s.nextVolume, 35);
    EXPECT_EQ(U8(s.nextDate), "2024/05/09");
    EXPECT_EQ(s.nextCategory, 1);
    EXPECT_EQ(LookAtWatchLists(EveryList("進撃")).freshNext, 0u) << "told once";

    // Raised past them, the series has no next volume until a higher one is listed.
    SeriesStore(dir.path()).Follow({Series("進撃の巨人", "進撃の巨人 36", 36)});
    look = LookAtWatchLists(EveryList("進撃"));
    EXPECT_EQ(look.freshNext, 0u);
    EXPECT_TRUE(std::none_of(look.matches.begin(), look.matches.end(),
                             [](const WatchMatch& m) { return m.isNext; }));
    s = Followed();
    EXPECT_EQ(s.nextVolume, 0);
    EXPECT_EQ(s.nextDate, "");
    EXPECT_EQ(s.nextCategory, 0);
}

TEST_F(NextVolumeWatchTest, ASeriesFileThatIsNoneOfOursLeavesTheMatchesAlone) {
    test::WriteDataFile(dir / "comic2405.csv", {kListHeader, "1,0,集英社,3,ワンピース 108,尾田,1",
                                                "2,0,講談社,9,進撃の巨人 35,諫山,500"});
    std::filesystem::remove(dir / SeriesStore::kFileName);
    std::filesystem::create_directory(dir / SeriesStore::kFileName);
    const WatchLook look = LookAtWatchLists(EveryList());
    ASSERT_EQ(look.matches.size(), 1u);
    EXPECT_TRUE(look.matches[0].watched);
    EXPECT_TRUE(look.feedsWritten);
    EXPECT_TRUE(std::filesystem::is_directory(dir / SeriesStore::kFileName));

    WatchService watch(clock);
    watch.SetWorkers(0);
    watch.Start(Place());
    const WatchService::Ending end = watch.Finish();
    EXPECT_EQ(end.state, WatchService::State::Ended);
    EXPECT_TRUE(end.seriesWritten);
    EXPECT_EQ(watch.Matches().size(), 1u);
}

TEST_F(NextVolumeWatchTest, TheWindowsScanCountsNextVolumesAndTheirNews) {
    test::WriteDataFile(dir / "comic2405.csv", {kListHeader, "1,0,集英社,3,ワンピース 108,尾田,1",
                                                "2,0,講談社,9,進撃の巨人 35,諫山,500"});
    WatchService watch(clock);
    watch.SetWorkers(0);
    watch.Start(Place());
    WatchService::Ending end = watch.Finish();
    EXPECT_EQ(end.nextVolumes, 1u);
    EXPECT_EQ(end.freshNext, 0u) << "the window's first look";
    ASSERT_EQ(watch.Matches().size(), 2u);
    EXPECT_TRUE(watch.Matches()[1].isNext);
    EXPECT_FALSE(watch.Matches()[1].watched);

    // A converted list's next volume is news until the next scan shows it.
    test::WriteDataFile(dir / "comic2406.csv", {kListHeader, "1,0,講談社,2,進撃の巨人 36,諫山,1"});
    const WatchLook look =
        LookAtWatchLists({Place(), dir / WatchMemory::kWindowFile, dir / "comic2406.csv",
                          CurrentWatchFeedOptions(clock, false)});
    EXPECT_EQ(look.fresh, 0u);
    EXPECT_EQ(look.freshNext, 1u);
    watch.NoteNewList(look);
    EXPECT_EQ(watch.NewCount(), 1u);
    EXPECT_EQ(watch.NewNextCount(), 1u);

    watch.Start(Place());
    end = watch.Finish();
    EXPECT_EQ(end.nextVolumes, 2u);
    EXPECT_EQ(end.freshNext, 1u);
    EXPECT_EQ(end.fresh, 0u);
    EXPECT_EQ(watch.NewCount(), 0u);
}

TEST_F(NextVolumeWatchTest, FeedsCarryNextVolumesAndTheEventMovesWithItsDate) {
    test::WriteDataFile(dir / "comic2405.csv", {kListHeader, "1,0,集英社,3,ワンピース 108,尾田,1"});
    ASSERT_EQ(LookAtWatchLists(EveryList()).fresh, 0u);  // the first look
    test::WriteDataFile(dir / "comic2406.csv", {kListHeader, "1,0,講談社,9,進撃の巨人 35,諫山,1"});
    ASSERT_EQ(LookAtWatchLists(EveryList()).freshNext, 1u);

    const std::string feed = test::ReadBytes(dir / kWatchFeedFile);
    EXPECT_NE(feed.find("<title>次巻: 進撃の巨人 35</title>"), std::string::npos) << feed;
    std::map<std::string, test::CalendarEvent> before;
    for (const test::CalendarEvent& e :
         test::ParseCalendarEvents(test::ReadBytes(dir / kWatchCalendarFile))) {
        before.emplace(e.summary, e);
    }
    ASSERT_EQ(before.count("次巻: 進撃の巨人 35"), 1u);

    // Put off to July: the same event, moved, and series.txt dates it anew.
    std::filesystem::rename(dir / "comic2406.csv", dir / "comic2406.csv.prev");
    test::WriteDataFile(dir / "comic2406.csv", {kListHeader, "1,0,講談社,1,別,x,1"});
    test::WriteDataFile(dir / "comic2407.csv", {kListHeader, "1,0,講談社,2,進撃の巨人 35,諫山,1"});
    EXPECT_TRUE(LookAtWatchLists(EveryList()).feedsWritten);
    std::map<std::string, test::CalendarEvent> after;
    for (const test::CalendarEvent& e :
         test::ParseCalendarEvents(test::ReadBytes(dir / kWatchCalendarFile))) {
        after.emplace(e.summary, e);
    }
    ASSERT_EQ(after.count("次巻: 進撃の巨人 35"), 1u);
    const test::CalendarEvent& moved = after.at("次巻: 進撃の巨人 35");
    EXPECT_EQ(moved.uid, before.at("次巻: 進撃の巨人 35").uid);
    EXPECT_EQ(moved.start, "2024-07-02");
    EXPECT_GT(moved.sequence, before.at("次巻: 進撃の巨人 35").sequence);
    EXPECT_EQ(U8(Followed().nextDate), "2024/07/02");
}

TEST(NextVolumeNotification, SaysHowManyNextVolumesWithTitleAndDate) {
    const std::vector<NewsTitle> next = {{1, "進撃の巨人 35"_sj, true, "2024/05/09"}};
    const std::vector<NewsTitle> both = {{1, "ワンピース 108"_sj},
                                         {1, "進撃の巨人 35"_sj, true, "2024/05/上"_sj}};
    struct Case {
        size_t matches;
        const std::vector<NewsTitle>* titles;
        size_t changes;
        const char* summary;
        const char* body;
    };
    const std::vector<NewsTitle> none;
    const Case cases[] = {
        {0, &next, 0, "YOMIDA: 次巻 1件", "進撃の巨人 35 2024/05/09"},
        {1, &both, 0, "YOMIDA: 新着 1件・次巻 1件", "進撃の巨人 35 2024/05/上\nワンピース 108"},
        {0, &next, 2, "YOMIDA: 次巻 1件・変更 2件", "進撃の巨人 35 2024/05/09"},
        {3, &none, 1, "YOMIDA: 新着 3件・変更 1件", ""},
        {0, &none, 0, "YOMIDA: 新着 0件", ""},
    };
    for (const Case& c : cases) {
        const Notification n = UpdateNotification(c.matches, *c.titles, c.changes);
        EXPECT_EQ(n.summary, c.summary);
        EXPECT_EQ(n.body, c.body) << c.summary;
    }
}

}  // namespace
}  // namespace yomida

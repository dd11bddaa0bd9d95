#include "engine/WatchService.h"

#include <gtest/gtest.h>

#include "engine/WatchMemory.h"
#include "sources/RecordLayout.h"
#include "support/TestSupport.h"

namespace yomida {
namespace {

using namespace std::chrono;
using test::kListHeader;
using test::Sj;
using test::U8;

class WatchServiceTest : public ::testing::Test {
protected:
    test::TempDir dir;
    FixedClock clock{year_month_day{year{2024}, month{5}, day{7}}};

    WatchPlace Place() const {
        WatchPlace place;
        place.dataFolder = dir.path();
        place.words.title = Sj("本");
        place.weeks = test::kWeeks;
        return place;
    }
    WatchLookRequest EveryList() const {
        return {Place(), dir / "seen.txt", {}, CurrentWatchFeedOptions(clock, false)};
    }
    WatchLookRequest Converted(const std::string& name) const {
        return {Place(), dir / "seen.txt", dir / name, CurrentWatchFeedOptions(clock, false)};
    }
    // The window's look at a list an update has just stored, its news noted by the service.
    WatchLook LookAtNew(WatchService& watch, const std::string& name) const {
        const WatchLook look =
            LookAtWatchLists({Place(), dir / WatchMemory::kWindowFile, dir / name,
                              CurrentWatchFeedOptions(clock, false)});
        watch.NoteNewList(look);
        return look;
    }
};

TEST_F(WatchServiceTest, TheLookAfterEveryListRemembersAndTheLookAfterOneListOnlyCountsIt) {
    test::WriteDataFile(dir / "comic2405.csv", {kListHeader, "1,0,社,1,本 a,x,1"});
    // The converted list's look waits for the memory to exist: the first look marks nothing.
    EXPECT_FALSE(LookAtWatchLists(Converted("comic2405.csv")).looked);
    EXPECT_FALSE(std::filesystem::exists(dir / "seen.txt"));

    WatchLook first = LookAtWatchLists(EveryList());
    EXPECT_TRUE(first.looked);
    EXPECT_EQ(first.fresh, 0u) << "the memory's first look";
    EXPECT_EQ(first.changes, 0u);
    EXPECT_TRUE(first.feedsWritten);
    EXPECT_TRUE(std::filesystem::exists(dir / kWatchCalendarFile));

    test::WriteDataFile(dir / "comic2406.csv", {kListHeader, "1,0,社,1,本 b,x,1"});
    test::WriteDataFile(dir / "bunko2406.csv", {kListHeader, "1,0,社,1,本 c,x,1"});
    const std::string seen = test::ReadBytes(dir / "seen.txt");
    const WatchLook one = LookAtWatchLists(Converted("comic2406.csv"));
    EXPECT_TRUE(one.looked);
    EXPECT_EQ(one.matches.size(), 3u);
    EXPECT_EQ(one.fresh, 1u) << "only the converted list's new matches count";
    ASSERT_EQ(one.freshTitles.size(), 1u);
    EXPECT_EQ(U8(one.freshTitles[0].title), "本 b");
    EXPECT_EQ(one.freshTitles[0].category, 1);
    EXPECT_EQ(test::ReadBytes(dir / "seen.txt"), seen) << "nothing is remembered";
    EXPECT_FALSE(LookAtWatchLists(Converted("comic2407.csv")).looked) << "a missing list";
    EXPECT_FALSE(LookAtWatchLists(Converted("notes.csv")).looked) << "no list's name";

    const WatchLook every = LookAtWatchLists(EveryList());
    EXPECT_EQ(every.fresh, 2u);
    EXPECT_EQ(every.freshTitles.size(), 2u);
    EXPECT_EQ(LookAtWatchLists(EveryList()).fresh, 0u) << "reported once";
}

TEST_F(WatchServiceTest, NewsStaysUnreportedUntilTheFeedHoldsIt) {
    test::WriteDataFile(dir / "comic2405.csv", {kListHeader, "1,0,社,1,本 a,x,1"});
    ASSERT_TRUE(LookAtWatchLists(EveryList()).feedsWritten);
    test::WriteDataFile(dir / "comic2406.csv", {kListHeader, "1,0,社,1,本 b,x,1"});
    const std::string seen = test::ReadBytes(dir / "seen.txt");

    // A folder in a file's place: it cannot be replaced, as on a full disk.
    const auto block = [this](const char* file) {
        std::filesystem::remove(dir / file);
        std::filesystem::create_directory(dir / file);
    };
    // Either file that cannot be replaced fails the look; the news is kept for the next one.
    for (const char* file : {kWatchFeedFile, kWatchCalendarFile}) {
        block(file);
        const WatchLook blocked = LookAtWatchLists(EveryList());
        EXPECT_FALSE(blocked.feedsWritten) << file;
        EXPECT_FALSE(blocked.error.empty()) << file;
        EXPECT_EQ(blocked.fresh, 1u) << file;
        std::filesystem::remove(dir / file);
        if (std::string(file) == kWatchFeedFile) {
            EXPECT_EQ(test::ReadBytes(dir / "seen.txt"), seen) << "not reported yet";
        }
    }

    test::WriteDataFile(dir / "comic2407.csv", {kListHeader, "1,0,社,1,本 c,x,1"});
    block(kWatchFeedFile);
    EXPECT_EQ(LookAtWatchLists(EveryList()).fresh, 1u);
    std::filesystem::remove(dir / kWatchFeedFile);
    const WatchLook fed = LookAtWatchLists(EveryList());
    EXPECT_TRUE(fed.feedsWritten);
    EXPECT_EQ(fed.fresh, 1u) << "本 c, reported now that the feed takes it";
    EXPECT_NE(test::ReadBytes(dir / kWatchFeedFile).find("本 c"), std::string::npos);
    EXPECT_EQ(LookAtWatchLists(EveryList()).fresh, 0u);

    // The window's scan shows its new matches all the same, and remembers them with the feed.
    WatchService watch(clock);
    watch.SetWorkers(0);
    const auto scan = [&watch, this] {
        watch.Start(Place());
        while (!watch.Step()) {
        }
        return watch.Finish();
    };
    EXPECT_EQ(scan().fresh, 0u) << "the window's first look";
    test::WriteDataFile(dir / "comic2408.csv", {kListHeader, "1,0,社,1,本 d,x,1"});
    block(kWatchFeedFile);
    const WatchService::Ending blocked = scan();
    EXPECT_FALSE(blocked.feedsWritten);
    EXPECT_EQ(blocked.fresh, 1u);
    EXPECT_TRUE(watch.Matches().back().isNew);
    std::filesystem::remove(dir / kWatchFeedFile);
    EXPECT_EQ(scan().fresh, 1u);
    EXPECT_EQ(scan().fresh, 0u);
}

TEST_F(WatchServiceTest, AMemoryThatCannotBeReadIsReportedAndTheFeedsStillFollow) {
    test::WriteDataFile(dir / "comic2405.csv", {kListHeader, "1,0,社,1,本 a,x,1"});
    std::filesystem::create_directory(dir / "seen.txt");
    const WatchLook every = LookAtWatchLists(EveryList());
    EXPECT_FALSE(every.memoryError.empty());
    EXPECT_TRUE(every.feedsWritten);
    EXPECT_EQ(every.matches.size(), 1u);

    EXPECT_FALSE(LookAtWatchLists(Converted("comic2405.csv")).looked) << "never made";
}

TEST_F(WatchServiceTest, TheScanEndsWithItsMatchesMarkedAndTheNewsOfConversionsCleared) {
    test::WriteDataFile(dir / "comic2405.csv",
                        {kListHeader, "1,0,社,1,本 a,x,1", "2,0,社,2,別,x,1"});
    WatchService watch(clock);
    watch.SetWorkers(0);
    EXPECT_EQ(watch.Finish().state, WatchService::State::Idle);

    watch.Start(Place());
    EXPECT_TRUE(watch.Running());
    EXPECT_EQ(watch.Total(), 1u);
    EXPECT_TRUE(watch.Step());
    WatchService::Ending end = watch.Finish();
    EXPECT_FALSE(watch.Running());
    EXPECT_EQ(end.state, WatchService::State::Ended);
    EXPECT_EQ(end.fresh, 0u) << "the window's first look";
    EXPECT_TRUE(std::filesystem::exists(dir / WatchMemory::kWindowFile));
    ASSERT_EQ(watch.Matches().size(), 1u);

    // A conversion's news stays until the next scan shows it.
    test::WriteDataFile(dir / "comic2406.csv", {kListHeader, "7,0,社,1,本 b,x,1"});
    EXPECT_EQ(LookAtNew(watch, "comic2406.csv").fresh, 1u);
    EXPECT_EQ(watch.NewCount(), 1u);
    EXPECT_EQ(LookAtNew(watch, "comic2405.csv").fresh, 0u);
    EXPECT_EQ(watch.NewCount(), 1u);
    // A feed that cannot be rewritten does not take the news away.
    std::filesystem::remove(dir / kWatchCalendarFile);
    std::filesystem::create_directory(dir / kWatchCalendarFile);
    const WatchLook unfed = LookAtNew(watch, "comic2406.csv");
    EXPECT_FALSE(unfed.feedsWritten);
    EXPECT_EQ(watch.NewCount(), 1u);
    std::filesystem::remove(dir / kWatchCalendarFile);

    watch.Start(Place());
    end = watch.Finish();
    EXPECT_EQ(end.fresh, 1u);
    EXPECT_EQ(watch.NewCount(), 0u);
    ASSERT_EQ(watch.Matches().size(), 2u);
    const WatchMatch& b = watch.Matches()[1];
    EXPECT_TRUE(b.isNew);

    const std::optional<WatchFile> list = WatchService::ListOf(Place(), b);
    ASSERT_TRUE(list);
    EXPECT_EQ(list->category->number, 1);
    EXPECT_EQ(list->periodKey, "2406");
    std::vector<Release> rows(3);
    rows[1].SetField(kNumberCol, "3");
    rows[2].SetField(kNumberCol, "7");
    EXPECT_EQ(WatchService::IndexOf(rows, b), 2u);
    rows[2].SetField(kNumberCol, "8");
    EXPECT_EQ(WatchService::IndexOf(rows, b), std::nullopt);

    // A cancelled scan keeps the results of the last one.
    watch.Start(Place());
    watch.Cancel();
    EXPECT_EQ(watch.Finish().state, WatchService::State::Cancelled);
    EXPECT_EQ(watch.Matches().size(), 2u);
}

}  // namespace
}  // namespace yomida

#include "app/SeriesActions.h"

#include "app/WatchStatus.h"

#include <gtest/gtest.h>

#include "engine/SeriesStore.h"
#include "support/ScriptedUi.h"
#include "support/TestSupport.h"

namespace yomida {
namespace {

using test::Sj;
using test::U8;

// A followed series as following one records it.
FollowedSeries ListedSeries(const std::string& key, const std::string& title, int volume,
                            const std::string& date = {}, int category = 0) {
    FollowedSeries s;
    s.key = test::Sj(key);
    s.title = test::Sj(title);
    s.volume = volume;
    s.date = test::Sj(date);
    s.category = category;
    return s;
}

class SeriesActionsTest : public ::testing::Test {
protected:
    test::TempDir dir;
    ScriptedUi ui;
    SettingsRecord settings;
    StatusPanel status;
    SeriesActions actions{ui, settings, status};
    ComboGrid grid;

    void SetUp() override { settings.dataFolder = dir.path(); }
    // The rows of a list as the grid shows them: day and title, and whether each is ticked.
    void Show(const std::vector<std::tuple<const char*, const char*, bool>>& rows) {
        grid.SetRowCount(static_cast<int>(rows.size()) + ComboGrid::kFirstRecordRow);
        int r = ComboGrid::kFirstRecordRow;
        for (const auto& [day, title, ticked] : rows) {
            grid.SetCell(kNumberCol, r, std::to_string(r));
            grid.SetCell(kPublisherCol, r, Sj("講談社"));
            grid.SetCell(kDateCol, r, Sj(day));
            grid.SetCell(kTitleCol, r, Sj(title));
            grid.SetTicked(r, ticked);
            ++r;
        }
    }
    std::vector<FollowedSeries> Followed() const { return SeriesStore(dir.path()).Read().series; }
};

TEST_F(SeriesActionsTest, FollowsTheTickedRowsOrElseTheCurrentOneFromTheirOwnVolumeAndDate) {
    Show({{"9", "進撃の巨人（３４）", true},
          {"上", "進撃の巨人 第33巻 特装版", true},
          {"3", "ワンピース 108", false},
          {"4", "！！", false}});
    actions.FollowExecute(grid, dir / "comic2405.csv");
    std::vector<FollowedSeries> followed = Followed();
    ASSERT_EQ(followed.size(), 1u) << "ticked twice, followed once";
    EXPECT_EQ(U8(followed[0].key), "進撃の巨人");
    EXPECT_EQ(followed[0].volume, 34);
    EXPECT_EQ(U8(followed[0].date), "2024/05/09");
    EXPECT_EQ(followed[0].category, 1);
    EXPECT_EQ(U8(status.text), "シリーズを追います: 進撃の巨人 34巻");
    EXPECT_TRUE(ui.messages.empty());
    // The lower volume ticked first: still named once, at the highest.
    std::filesystem::remove(dir / SeriesStore::kFileName);
    Show({{"上", "進撃の巨人 第33巻 特装版", true}, {"9", "進撃の巨人（３４）", true}});
    actions.FollowExecute(grid, dir / "comic2405.csv");
    EXPECT_EQ(U8(status.text), "シリーズを追います: 進撃の巨人 34巻");
    EXPECT_EQ(Followed().at(0).volume, 34);

    // Nothing ticked: the current row, here in a list the category table does not name.
    Show({{"3", "ワンピース 108", false}, {"4", "！！", false}});
    grid.SetCurrentCell(kTitleCol, ComboGrid::kFirstRecordRow);
    actions.FollowExecute(grid, dir / "notes.csv");
    followed = Followed();
    ASSERT_EQ(followed.size(), 2u);
    EXPECT_EQ(U8(followed[1].key), "ワンピース");
    EXPECT_EQ(followed[1].volume, 108);
    EXPECT_EQ(followed[1].date, "");

    // A title that names no series is said, not followed.
    grid.SetCurrentCell(kTitleCol, ComboGrid::kFirstRecordRow + 1);
    actions.FollowExecute(grid, dir / "comic2405.csv");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].kind, ScriptedUi::Kind::Warning);
    EXPECT_NE(U8(ui.messages[0].text).find("！！"), std::string::npos);
    EXPECT_EQ(Followed().size(), 2u);

    // A list without releases has nothing to follow.
    ComboGrid empty;
    empty.KeepHeaderOnly();
    actions.FollowExecute(empty, dir / "comic2405.csv");
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(Followed().size(), 2u);
}

TEST_F(SeriesActionsTest, ListsTheSeriesWithTheirDatedNextVolumeAndUnfollows) {
    SeriesStore store(dir.path());
    store.Follow({ListedSeries("進撃の巨人", "進撃の巨人（３４）", 34, "2024/05/09", 1),
                  ListedSeries("ワンピース", "ワンピース", 0)});
    store.Change([](std::vector<FollowedSeries>& s) {
        s[0].nextVolume = 35;
        s[0].nextDate = Sj("2024/06/上");
        s[0].nextCategory = 1;
    });
    std::vector<SeriesListRow> rows = actions.Rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(U8(rows[0].last), "34巻");
    EXPECT_EQ(U8(rows[0].lastDate), "2024/05/09");
    EXPECT_EQ(U8(rows[0].next), "35巻");
    EXPECT_EQ(U8(rows[0].nextDate), "2024/06/上");
    EXPECT_EQ(U8(rows[0].nextCategory), "まんが王倶楽部");
    EXPECT_EQ(U8(rows[0].title), "進撃の巨人（３４）");
    EXPECT_EQ(rows[1].last, "") << "no volume known";
    EXPECT_EQ(rows[1].next, "");

    EXPECT_TRUE(actions.UnfollowExecute(Sj("進撃の巨人")));
    EXPECT_EQ(U8(status.text), "シリーズを追うのをやめました: 進撃の巨人");
    EXPECT_FALSE(actions.UnfollowExecute(Sj("進撃の巨人")));
    rows = actions.Rows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(U8(rows[0].key), "ワンピース");

    // Lines that cannot be read are said, and the rest listed.
    test::WriteBytes(dir / SeriesStore::kFileName,
                     test::ReadBytes(dir / SeriesStore::kFileName) + "garbage\r\n");
    EXPECT_EQ(actions.Rows().size(), 1u);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].kind, ScriptedUi::Kind::Warning);
    EXPECT_NE(U8(ui.messages[0].text).find("series.txt.bad"), std::string::npos);
}

TEST(WatchStatusText, CountsNextVolumesApartFromTheMatches) {
    const auto ending = [](size_t fresh, size_t next, size_t freshNext, bool series = true) {
        WatchService::Ending e;
        e.state = WatchService::State::Ended;
        e.fresh = fresh;
        e.nextVolumes = next;
        e.freshNext = freshNext;
        e.seriesWritten = series;
        return e;
    };
    struct Case {
        WatchService::Ending end;
        size_t matches;
        const char* text;
    };
    const Case cases[] = {
        {ending(0, 0, 0), 3, "ウォッチ: 3件"},
        {ending(2, 0, 0), 3, "ウォッチ: 3件 新着 2件"},
        {ending(0, 2, 0), 3, "ウォッチ: 3件 次巻 2件"},
        {ending(1, 2, 1), 0, "ウォッチ: 0件 新着 1件 次巻 2件（新 1件）"},
        {ending(0, 0, 0, false), 1, "ウォッチ: 1件 series.txt を読み書きできません"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(U8(WatchEndText(c.end, c.matches)), c.text);
    }
    EXPECT_EQ(U8(WatchNewsText(2)), "ウォッチ: 新着 2件");
    EXPECT_EQ(U8(WatchNewsText(0, 1)), "ウォッチ: 次巻 1件");
    EXPECT_EQ(U8(WatchNewsText(2, 1)), "ウォッチ: 新着 2件 次巻 1件");
}

}  // namespace
}  // namespace yomida

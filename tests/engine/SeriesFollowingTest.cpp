#include "engine/SeriesFollowing.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/TestSupport.h"

namespace yomida {
namespace {

using test::kListHeader;
using test::Sj;
using test::U8;

std::string Line(const FollowedSeries& s) {
    return U8(s.key) + " " + std::to_string(s.volume) + " " + U8(s.date) + " " +
           std::to_string(s.category);
}

TEST(SeriesFollowing, TheHighestVolumeStartsFromTheStoredLists) {
    test::TempDir dir;
    test::WriteDataFile(dir / "comic2405.csv",
                        {kListHeader, "1,0,講談社,9,進撃の巨人　第33巻,諫山創,500",
                         "2,0,集英社,4,ワンピース　１０８,尾田,500"});
    // Volume 34 was put off from June to July: the later listing is where it stands.
    test::WriteDataFile(dir / "comic2406.csv",
                        {kListHeader, "1,0,講談社,上,進撃の巨人（３４）特装版,諫山創,900",
                         "2,0,講談社,上,進撃の巨人 34,諫山創,500"});
    test::WriteDataFile(dir / "comic2407.csv",
                        {kListHeader, "1,0,講談社,12,進撃の巨人 34,諫山創,500",
                         "2,0,講談社,12,進撃の巨人 Before the fall 35,諫山創,500"});
    test::WriteDataFile(dir / "bunko2407.csv",
                        {kListHeader, "1,0,講談社,3,ノルウェイの森 下,村上,500"});
    const FollowTitlesResult r =
        FollowTitles(dir.path(),
                     {Sj("進撃の巨人 1"), Sj("ワンピース 110"), Sj("ノルウェイの森（上）"),
                      Sj("！！"), Sj("鬼滅の刃")},
                     test::kWeeks);
    ASSERT_EQ(r.titles.size(), 5u);
    EXPECT_EQ(Line(r.titles[0].series), "進撃の巨人 34 2024/07/12 1");
    // A title above every stored volume keeps its own, with no date to give.
    EXPECT_EQ(Line(r.titles[1].series), "ワンピース 110  0");
    EXPECT_EQ(Line(r.titles[2].series), "ノルウェイの森 3 2024/07/03 3");
    EXPECT_EQ(r.titles[3].series.key, "") << "nothing to follow";
    EXPECT_EQ(Line(r.titles[4].series), "鬼滅の刃 0  0");
    EXPECT_EQ(r.titles[0].outcome, FollowOutcome::Followed);
    EXPECT_EQ(r.titles[0].series.title, Sj("進撃の巨人 1"));
    EXPECT_EQ(r.filesSkipped, 0u);
    EXPECT_EQ(SeriesStore(dir.path()).Read().series.size(), 4u);

    // Following again reports what the file holds; a list that cannot be read is counted.
    ASSERT_EQ(::mkfifo((dir / "comic2408.csv").c_str(), 0600), 0);
    const FollowTitlesResult again = FollowTitles(dir.path(), {Sj("進撃の巨人 2")}, test::kWeeks);
    EXPECT_EQ(again.titles[0].outcome, FollowOutcome::Unchanged);
    EXPECT_EQ(Line(again.titles[0].series), "進撃の巨人 34 2024/07/12 1");
    EXPECT_EQ(again.filesSkipped, 1u);
}

TEST(SeriesFollowing, AWeeklyListDatesARecordByItsWeek) {
    test::TempDir dir;
    // Week 1201 ends on 2001/01/20; its list runs from the 12th.
    test::WriteDataFile(dir / "syosk1201.csv",
                        {"No,□,出版社,発売日,タイトル,作者,価格,ISBN", "1,0,社,,本の虫 5,a,1,4-0"});
    const FollowTitlesResult r = FollowTitles(dir.path(), {Sj("本の虫")}, test::kWeeks);
    EXPECT_EQ(Line(r.titles[0].series), "本の虫 5 2001/01/12 2");
}

}  // namespace
}  // namespace yomida

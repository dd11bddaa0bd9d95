#include "engine/SeriesStore.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "engine/FollowedSeriesIndex.h"
#include "support/TestSupport.h"

namespace yomida {
namespace {

using test::Sj;

FollowedSeries Series(const char* key, int volume, const char* date = "", int category = 0) {
    FollowedSeries s;
    s.key = Sj(key);
    s.title = s.key + " " + std::to_string(volume);
    s.volume = volume;
    s.date = Sj(date);
    s.category = category;
    return s;
}

std::vector<std::string> Keys(const SeriesStore::Contents& contents) {
    std::vector<std::string> keys;
    for (const FollowedSeries& s : contents.series) {
        keys.push_back(test::U8(s.key));
    }
    return keys;
}

TEST(SeriesStore, FollowRaiseAndUnfollow) {
    test::TempDir dir;
    SeriesStore store(dir.path());
    EXPECT_TRUE(store.Read().series.empty()) << "no file follows nothing";

    SeriesStore::FollowResult r =
        store.Follow({Series("進撃の巨人", 33, "2021/06/09", 1), Series("ワンピース", 107)});
    EXPECT_EQ(r.outcomes, (std::vector{FollowOutcome::Followed, FollowOutcome::Followed}));
    EXPECT_EQ(r.setAside, 0u);
    // CP932, CR LF, the format's line first, texts quoted.
    EXPECT_EQ(test::ReadBytes(store.Path()),
              Sj("yomida-series,1\r\n"
                 "\"進撃の巨人\",\"進撃の巨人 33\",33,\"2021/06/09\",1,0,\"\",0\r\n"
                 "\"ワンピース\",\"ワンピース 107\",107,\"\",0,0,\"\",0\r\n"));

    // The watch scan records a next volume; following again with that volume or a lower one
    // keeps it, a higher volume takes its place and forgets the next volume it has passed.
    EXPECT_EQ(store.Change([](std::vector<FollowedSeries>& all) {
        all[0].nextVolume = 34;
        all[0].nextDate = Sj("2021/12/上");
        all[0].nextCategory = 1;
    }),
              0u);
    r = store.Follow({Series("進撃の巨人", 32, "2021/01/01", 4)});
    EXPECT_EQ(r.outcomes, std::vector{FollowOutcome::Unchanged});
    EXPECT_EQ(r.recorded[0].volume, 33);
    EXPECT_EQ(r.recorded[0].nextVolume, 34);
    r = store.Follow({Series("進撃の巨人", 34, "2021/12/09", 1)});
    EXPECT_EQ(r.outcomes, std::vector{FollowOutcome::Raised});
    const FollowedSeries raised = store.Read().series[0];
    EXPECT_EQ(raised.title, Sj("進撃の巨人 33")) << "the title followed from stays";
    EXPECT_EQ(raised.volume, 34);
    EXPECT_EQ(raised.date, Sj("2021/12/09"));
    EXPECT_EQ(raised.nextVolume, 0);
    EXPECT_EQ(raised.nextDate, "");

    // One followed without a date learns it from the same volume with one.
    r = store.Follow({Series("ワンピース", 107, "2023/11/02", 1)});
    EXPECT_EQ(r.outcomes, std::vector{FollowOutcome::Unchanged});
    EXPECT_EQ(store.Read().series[1].date, Sj("2023/11/02"));

    const SeriesStore::UnfollowResult u = store.Unfollow({Sj("ワンピース"), Sj("鬼滅の刃")});
    EXPECT_EQ(u.removed, (std::vector<bool>{true, false}));
    EXPECT_EQ(Keys(store.Read()), std::vector<std::string>{"進撃の巨人"});
}

TEST(SeriesStore, TextsComeBackWholeWhateverTheyHold) {
    test::TempDir dir;
    SeriesStore store(dir.path());
    FollowedSeries odd = Series("ABC", 2);
    odd.title = Sj("\"引用\", 句読点,\r\n改行\tタブ");
    odd.date = "2024/05/" + std::string(1, '\x81');  // half a character at the end
    // A title longer than any a list holds is cut, but never inside a character.
    FollowedSeries longTitle = Series("長い", 1);
    longTitle.title = "x";
    for (int i = 0; i < 300; ++i) {
        longTitle.title += Sj("表");
    }
    static_cast<void>(store.Follow({odd, longTitle}));
    const SeriesStore::Contents read = store.Read();
    ASSERT_EQ(read.series.size(), 2u);
    EXPECT_EQ(read.unreadable, 0u);
    EXPECT_EQ(read.series[0].title, Sj("\"引用\", 句読点,  改行 タブ"));
    EXPECT_EQ(read.series[0].date, "2024/05/");
    EXPECT_EQ(read.series[0].volume, 2);
    EXPECT_EQ(read.series[1].title.size(), 399u);
    EXPECT_EQ(read.series[1].title.substr(397), Sj("表"));
}

TEST(SeriesStore, UnreadableLinesAreKeptAsideNotLost) {
    test::TempDir dir;
    SeriesStore store(dir.path());
    const std::string damaged =
        Sj("yomida-series,1\r\n"
           "\"進撃の巨人\",\"進撃の巨人 33\",33,\"\",1,0,\"\",0\r\n"
           "\"壊れた\",\"行\",abc,\"\",1,0,\"\",0\r\n"
           "\"短い\",\"行\"\r\n"
           "\"\",\"空の鍵\",1,\"\",1,0,\"\",0\r\n"
           "\"進撃の巨人\",\"二度目\",40,\"\",1,0,\"\",0\r\n"
           "\"負\",\"行\",-1,\"\",1,0,\"\",0\r\n"
           "\r\n"
           "\"ワンピース\",\"ワンピース\",107,\"\",0,0,\"\",0");
    test::WriteBytes(store.Path(), damaged);
    SeriesStore::Contents read = store.Read();
    EXPECT_EQ(Keys(read), (std::vector<std::string>{"進撃の巨人", "ワンピース"}));
    EXPECT_EQ(read.series[0].volume, 33) << "the first line of a key stands";
    EXPECT_EQ(read.unreadable, 5u);

    const SeriesStore::FollowResult r = store.Follow({Series("鬼滅の刃", 23)});
    EXPECT_EQ(r.setAside, 5u);
    EXPECT_EQ(test::ReadBytes(dir / "series.txt.bad"), damaged);
    read = store.Read();
    EXPECT_EQ(Keys(read), (std::vector<std::string>{"進撃の巨人", "ワンピース", "鬼滅の刃"}));
    EXPECT_EQ(read.unreadable, 0u);

    // A file of another format, a newer one's say, is not rewritten over without a copy.
    test::WriteBytes(store.Path(), "yomida-series,2\r\nsomething new\r\n");
    read = store.Read();
    EXPECT_TRUE(read.series.empty());
    EXPECT_EQ(read.unreadable, 2u);
    EXPECT_EQ(store.Unfollow({"x"}).setAside, 2u);
    EXPECT_EQ(test::ReadBytes(dir / "series.txt.bad"), "yomida-series,2\r\nsomething new\r\n");

    // A FIFO by the file's name is never read, so nothing waits for ever on it.
    std::filesystem::remove(store.Path());
    ASSERT_EQ(::mkfifo(store.Path().c_str(), 0600), 0);
    EXPECT_EQ(store.Read().unreadable, 1u);
}

TEST(SeriesStore, TwoProcessesFollowingAtOnceKeepBothSeries) {
    test::TempDir dir;
    test::RunInChildProcesses(2, [&](int c) {
        for (int i = 0; i < 20; ++i) {
            const std::string key = (c == 0 ? "A" : "B") + std::to_string(i);
            static_cast<void>(SeriesStore(dir.path()).Follow({Series(key.c_str(), i)}));
        }
        return true;
    });
    EXPECT_EQ(SeriesStore(dir.path()).Read().series.size(), 40u)
        << "neither replacement undid the other";
}

TEST(FollowedSeriesIndex, NextVolumesOfFollowedSeriesOnly) {
    const FollowedSeriesIndex index(
        {Series("進撃の巨人", 33), Series("ドラゴンボール", 2), Series("ノルウェイの森", 1)});
    SeriesTitleReader reader;
    SeriesTitle read;
    const auto next = [&](const char* title) {
        const FollowedSeries* s = index.NextVolumeOf(reader, Sj(title), read);
        return s == nullptr ? std::string() : test::U8(s->key) + " " + std::to_string(read.volume);
    };
    EXPECT_EQ(next("進撃の巨人（３４）"), "進撃の巨人 34");
    EXPECT_EQ(next("進撃の巨人 第35巻 特装版"), "進撃の巨人 35");
    EXPECT_EQ(test::U8(read.edition), "特装版");
    EXPECT_EQ(next("進撃の巨人 33 限定版"), "") << "not above the highest seen";
    EXPECT_EQ(next("進撃の巨人"), "");
    EXPECT_EQ(next("進撃の巨人 Before the fall 34"), "") << "another series";
    EXPECT_EQ(next("ドラゴンボール 完全版 3"), "") << "a line of its own";
    EXPECT_EQ(next("ノルウェイの森 下"), "ノルウェイの森 3");
    EXPECT_EQ(next("ワンピース 108"), "");
    EXPECT_NE(index.Find(Sj("ドラゴンボール")), nullptr);
    EXPECT_EQ(index.Find(Sj("ドラゴン")), nullptr);
    EXPECT_EQ(FollowedSeriesIndex({}).NextVolumeOf(reader, Sj("進撃の巨人 34"), read), nullptr);
}

}  // namespace
}  // namespace yomida

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "support/CliRun.h"
#include "support/TestSupport.h"

namespace yomida {
namespace {

using test::CliOutput;
using test::InvokeCli;
using test::kListHeader;

TEST(SeriesCommand, ParsePrintsKeyVolumeAndEditionPerLine) {
    const CliOutput r = InvokeCli({"series", "parse"},
                                  "進撃の巨人（３４）\r\n"
                                  "進撃の巨人 第34巻 特装版\n"
                                  "\n"
                                  "完全版 ドラゴンボール 12\n"
                                  "2001夜物語");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "進撃の巨人\t34\t\n"
              "進撃の巨人\t34\t特装版\n"
              "\t\t\n"
              "ドラゴンボール完全版\t12\t\n"
              "2001夜物語\t\t\n");
    EXPECT_EQ(InvokeCli({"series", "parse"}).out, "");
    EXPECT_EQ(InvokeCli({"series", "parse", "title"}).status, 2);
}

TEST(SeriesCommand, FollowListAndUnfollow) {
    test::TempDir dir;
    test::WriteDataFile(dir / "comic2406.csv",
                        {kListHeader, "1,0,講談社,上,進撃の巨人（３４）特装版,諫山創,900"});
    const std::string data = dir.path().string();

    CliOutput r = InvokeCli({"series", "follow", "--data", data, "進撃の巨人 33", "！！",
                             "ワンピース 107", "進撃の巨人 34"});
    EXPECT_EQ(r.status, 1) << "a title names no series";
    EXPECT_EQ(r.out,
              "followed\t進撃の巨人\t34\t2024/06/上\t1\n"
              "followed\tワンピース\t107\t\t\n"
              "unchanged\t進撃の巨人\t34\t2024/06/上\t1\n");
    EXPECT_EQ(r.err, "yomida-cli: ！！: names no series\n");
    r = InvokeCli({"series", "follow", "--data", data, "ワンピース 108"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "raised\tワンピース\t108\t\t\n");

    r = InvokeCli({"series", "list", "--data", data});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "進撃の巨人\t進撃の巨人 33\t34\t2024/06/上\t\t\t\n"
              "ワンピース\tワンピース 107\t108\t\t\t\t\n");
    r = InvokeCli({"series", "list", "--data", data, "--json"});
    const nlohmann::json doc = nlohmann::json::parse(r.out);
    EXPECT_EQ(doc["unreadable"], 0);
    ASSERT_EQ(doc["series"].size(), 2u);
    EXPECT_EQ(doc["series"][0]["key"], "進撃の巨人");
    EXPECT_EQ(doc["series"][0]["volume"], 34);
    EXPECT_EQ(doc["series"][0]["category"], 1);
    EXPECT_TRUE(doc["series"][0]["nextVolume"].is_null());
    EXPECT_TRUE(doc["series"][1]["date"].is_null());

    // A key as list prints it, or a title of the series.
    r = InvokeCli(
        {"series", "unfollow", "--data", data, "ワンピース", "進撃の巨人（３５）", "鬼滅"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "unfollowed\tワンピース\nunfollowed\t進撃の巨人\n");
    EXPECT_EQ(r.err, "yomida-cli: 鬼滅: not followed\n");
    EXPECT_EQ(InvokeCli({"series", "list", "--data", data}).out, "");
}

TEST(SeriesCommand, MalformedLinesAndMissingFolders) {
    test::TempDir dir;
    const std::string data = dir.path().string();
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"series"},
                                               {"series", "watch"},
                                               {"series", "follow", "--data", data},
                                               {"series", "unfollow", "--data", data},
                                               {"series", "list", "--data", data, "extra"},
                                               {"series", "follow", "--json", "--data", data, "x"},
                                               {"series", "list", "--data"}}) {
        EXPECT_EQ(InvokeCli(args).status, 2) << testing::PrintToString(args);
    }
    const CliOutput r = InvokeCli({"series", "list", "--data", (dir / "none").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "yomida-cli: " + (dir / "none").string() + ": no such folder\n");
    EXPECT_EQ(InvokeCli({"series", "follow", "--data", (dir / "none").string(), "x 1"}).status, 1);

    // A damaged file is named, and kept whole beside the new one at the next change.
    test::WriteBytes(dir / "series.txt", "yomida-series,1\r\nbroken\r\n");
    CliOutput list = InvokeCli({"series", "list", "--data", data});
    EXPECT_EQ(list.status, 0);
    EXPECT_NE(list.err.find("1 lines of"), std::string::npos) << list.err;
    CliOutput follow = InvokeCli({"series", "follow", "--data", data, "x 1"});
    EXPECT_EQ(follow.status, 0);
    EXPECT_NE(follow.err.find("series.txt.bad"), std::string::npos) << follow.err;
    EXPECT_EQ(test::ReadBytes(dir / "series.txt.bad"), "yomida-series,1\r\nbroken\r\n");
}

}  // namespace
}  // namespace yomida

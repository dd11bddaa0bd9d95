#include "cli/SourcesCommand.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "support/CliRun.h"
#include "support/DefinedSourcesFixture.h"
#include "support/LoopbackServer.h"
#include "support/TestSupport.h"

namespace yomida {
namespace {

using test::CliOutput;
using test::InvokeCli;

std::string Fixture(const std::string& name) {
    return (std::filesystem::path(YOMIDA_TEST_DATA) / "sources" / name).string();
}

DefinitionSet BuiltInsAndABrokenOne(const test::TempDir& dir) {
    std::filesystem::create_directories(dir / "user");
    test::WriteBytes(dir / "user" / "mine.yaml", "schema: 1\nid: mine\nnumber: 16x\n");
    return LoadDefinitions({YOMIDA_BUILTIN_SOURCES, dir / "user"}, DefinitionReader("2.0.2.0"));
}

TEST(SourcesCommand, ListsEveryDefinitionAndWhyOneCannotBeUsed) {
    test::TempDir dir;
    const test::ScopedDefinitions installed(BuiltInsAndABrokenOne(dir));
    const CliOutput r = InvokeCli({"sources"});
    EXPECT_EQ(r.status, 0);
    const std::string user = (dir / "user" / "mine.yaml").string();
    EXPECT_EQ(r.out,
              "16\tndl-jpro\t近刊・全点（国立国会図書館サーチ）\tndljp\tbuilt-in\n"
              "17\tndl-jpro-bunko\t近刊・文庫と新書（国立国会図書館サーチ）\tndlbk\tbuilt-in\n"
              "18\thanmoto\t近刊（版元ドットコム）\thanmt\tbuilt-in\n"
              "\tmine\t\t\t" +
                  user + "\terror: " + user +
                  ":3: \"number\" must be a whole number from 16 to 9999\n");
    const CliOutput json = InvokeCli({"sources", "--json"});
    EXPECT_EQ(json.status, 0);
    EXPECT_NE(json.out.find("\"attribution\": \"出典：版元ドットコム\""), std::string::npos);
    EXPECT_NE(json.out.find("\"error\": \"" + user + ":3: "), std::string::npos);
    // The commands that work on a category name the definition they leave out.
    const CliOutput url = InvokeCli({"url", "--category", "16", "--month", "2026-12"});
    EXPECT_EQ(url.status, 0);
    EXPECT_EQ(url.out,
              "ndljp2612.csv\nhttps://ndlsearch.ndl.go.jp/api/opensearch?dpid=jpro&from=2026-12-01&"
              "until=2026-12-01&cnt=500&idx=1\n");
    EXPECT_NE(url.err.find("cannot be used and are left out:\n  " + user + ":3:"),
              std::string::npos)
        << url.err;
    EXPECT_EQ(InvokeCli({"sources", "extra"}).status, 2);
}

TEST(SourcesCommand, ConvertTakesSavedResponsesBySourceOrNumber) {
    test::TempDir dir;
    const test::ScopedDefinitions installed(
        {test::BuiltInDefinition("ndl-jpro"), test::BuiltInDefinition("hanmoto")});
    const std::string out = (dir / "lists" / "ndljp2612.csv").string();
    const CliOutput both = InvokeCli({"convert", "--source", "ndl-jpro", "--month", "2026-12",
                                      Fixture("ndl-jpro-1.xml"), Fixture("ndl-jpro-2.xml"), out});
    EXPECT_EQ(both.status, 0) << both.err;
    EXPECT_EQ(test::ReadDataFile(out).size(), 4u);
    // The responses were joined beside the list only while it was converted.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "lists"),
                            std::filesystem::directory_iterator()),
              1);
    const CliOutput byNumber = InvokeCli({"convert", "--category", "18", "--month", "2026-12",
                                          Fixture("hanmoto.rss"), (dir / "h.csv").string()});
    EXPECT_EQ(byNumber.status, 0) << byNumber.err;
    EXPECT_EQ(test::ReadDataFile(dir / "h.csv").size(), 3u);

    const auto usage = [&](std::vector<std::string> args) { return InvokeCli(args).status; };
    EXPECT_EQ(usage({"convert", "--source", "nothing", "--month", "2026-12", "a", "b"}), 2);
    EXPECT_EQ(usage({"convert", "--source", "hanmoto", "--category", "18", "--month", "2026-12",
                     "a", "b"}),
              2);
    EXPECT_EQ(usage({"convert", "--category", "1", "--month", "2026-12", "a", "b", "c"}), 2);
    EXPECT_EQ(usage({"convert", "--category", "99", "--month", "2026-12", "a", "b"}), 2);
    EXPECT_EQ(usage({"update", "--category", "99"}), 2);

    test::WriteBytes(dir / "broken.xml", "<rss><channel><item>");
    const CliOutput broken = InvokeCli({"convert", "--source", "ndl-jpro", "--month", "2026-12",
                                        (dir / "broken.xml").string(), out});
    EXPECT_EQ(broken.status, 1);
    EXPECT_NE(broken.err.find("not well-formed XML"), std::string::npos) << broken.err;
    EXPECT_EQ(test::ReadDataFile(out).size(), 4u);
}

// A source on the loopback server whose month comes in pages, followed to their total.
std::string LoopDefinitionYaml() {
    return R"(schema: 1
id: loop
number: 50
name: loop
group: test
code: loopb
attribution: 出典：見本
host: {key: LOOPHOST, default: 127.0.0.1}
url: "http://{host}/q?f={from}&u={until}&cnt={cnt}&idx={idx}"
paging: {count: 500, total: "/rss/channel/*[local-name()='totalResults']"}
response: xml
namespaces: {dc: "http://purl.org/dc/elements/1.1/"}
records: /rss/channel/item
fields:
  title: dc:title
  publisher: dc:publisher
)";
}

TEST(SourcesCommand, FetchBringsTheWholeMonthIntoTheDataFolder) {
    test::TempDir dir;
    const test::ScopedDefinitions installed({test::DefinitionFrom(LoopDefinitionYaml())});
    // Three records match; the first page brings two of them.
    const std::string ok =
        "HTTP/1.0 200 OK\r\nLast-Modified: Tue, 01 Dec 2026 00:00:00 GMT\r\n\r\n";
    test::LoopbackServer server({{ok + test::ReadBytes(Fixture("ndl-jpro-1.xml"))},
                                 {ok + test::ReadBytes(Fixture("ndl-jpro-2.xml"))}});
    test::WriteBytes(dir / "yomida.INI",
                     "[HOSTS]\r\nLOOPHOST=127.0.0.1:" + std::to_string(server.Port()) + "\r\n");
    const CliOutput r =
        InvokeCli({"fetch", "--category", "50", "--month", "2026-12", "--data",
                   (dir / "data").string(), "--settings", (dir / "yomida.INI").string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, (dir / "data" / "loopb2612.csv").string() + "\n4\n");
    const std::vector<std::string> lines = test::ReadDataFile(dir / "data" / "loopb2612.csv");
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "\"Tue, 01 Dec 2026 00:00:00 GMT\",No,□,出版社,発売日,タイトル,作者,価格");
    EXPECT_EQ(lines[1], "1,0,見本社,,【見本】ほしぞら探偵団,,");
    ASSERT_EQ(server.Requests().size(), 2u);
    EXPECT_EQ(server.Requests()[0].rfind("GET /q?f=2026-12-01&u=2026-12-31&cnt=500&idx=1 ", 0), 0u);
    EXPECT_EQ(server.Requests()[1].rfind("GET /q?f=2026-12-01&u=2026-12-31&cnt=500&idx=3 ", 0), 0u);
    EXPECT_NE(server.Requests()[0].find("User-Agent: YOMIDA/"), std::string::npos);
    // The folder holds the list and the source's health, and nothing else of the fetch.
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir / "data")) {
        files.push_back(entry.path().filename().string());
    }
    std::ranges::sort(files);
    EXPECT_EQ(files, (std::vector<std::string>{"health.txt", "loopb2612.csv"}));
    EXPECT_NE(test::ReadBytes(dir / "data" / "health.txt").find("loopb,loopb2612.csv,"),
              std::string::npos);
}

TEST(SourcesCommand, UpdateTakesADefinedCategoryAndKeepsAListWhoseRecordsAreTheSame) {
    test::TempDir dir;
    const test::ScopedDefinitions installed({test::DefinitionFrom(LoopDefinitionYaml())});
    const auto reply = [](const std::string& stamp, const std::string& fixture) {
        return test::LoopbackServer::Reply{"HTTP/1.0 200 OK\r\nLast-Modified: " + stamp +
                                           "\r\n\r\n" + test::ReadBytes(Fixture(fixture))};
    };
    // The second run brings the same records under a newer stamp.
    test::LoopbackServer server({reply("Tue, 01 Dec 2026 00:00:00 GMT", "ndl-jpro-1.xml"),
                                 reply("Tue, 01 Dec 2026 00:00:00 GMT", "ndl-jpro-2.xml"),
                                 reply("Wed, 02 Dec 2026 00:00:00 GMT", "ndl-jpro-1.xml"),
                                 reply("Wed, 02 Dec 2026 00:00:00 GMT", "ndl-jpro-2.xml")});
    test::WriteBytes(dir / "yomida.INI",
                     "[HOSTS]\r\nLOOPHOST=127.0.0.1:" + std::to_string(server.Port()) + "\r\n");
    const std::vector<std::string> update = {"update",
                                             "--category",
                                             "50",
                                             "--months",
                                             "1",
                                             "--data",
                                             (dir / "data").string(),
                                             "--settings",
                                             (dir / "yomida.INI").string()};
    const CliOutput first = InvokeCli(update);
    ASSERT_EQ(first.status, 0) << first.err;
    const std::string period = first.out.substr(6, 7);  // "loopb\t2026-12\t…", this month
    EXPECT_EQ(first.out, "loopb\t" + period + "\tupdated\t4\nnew watch matches\t0\n");
    const std::filesystem::path list =
        dir / "data" / ("loopb" + period.substr(2, 2) + period.substr(5, 2) + ".csv");
    ASSERT_EQ(InvokeCli({"tick", list.string(), "2"}).status, 0);
    const std::string ticked = test::ReadBytes(list);

    const CliOutput second = InvokeCli(update);
    EXPECT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(second.out, "loopb\t" + period + "\tunchanged\t4\nnew watch matches\t0\n");
    EXPECT_EQ(test::ReadBytes(list), ticked) << "the tick and the first stamp stay";
    EXPECT_EQ(server.Requests().size(), 4u) << "no update check: every run asks for the month";
    EXPECT_NE(test::ReadBytes(dir / "data" / "health.txt").find(",unchanged,"), std::string::npos);
}

}  // namespace
}  // namespace yomida

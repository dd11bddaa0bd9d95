#include "sources/DefinedSources.h"

#include <gtest/gtest.h>

#include "sources/Catalogue.h"
#include "sources/Convert.h"
#include "sources/DataFileName.h"
#include "sources/DefinedSourceError.h"
#include "sources/ResponseBundle.h"
#include "support/DefinedSourcesFixture.h"
#include "support/TestSupport.h"

namespace yomida {
namespace {

using namespace std::chrono;
using test::ScopedDefinitions;

std::string Fixture(const std::string& name) {
    return test::ReadBytes(std::filesystem::path(YOMIDA_TEST_DATA) / "sources" / name);
}

std::filesystem::path BuiltInFile(const std::string& name) {
    return std::filesystem::path(YOMIDA_BUILTIN_SOURCES) / (name + ".yaml");
}

std::string BuiltInText(const std::string& name) {
    return test::ReadBytes(BuiltInFile(name));
}

// A definition's text with one key's line replaced.
std::string Changed(std::string text, const std::string& key, const std::string& line) {
    const size_t at = text.find("\n" + key + ":") + 1;
    return text.replace(at, text.find('\n', at) - at, line);
}

TEST(DefinedSources, UserDefinitionsReplaceBuiltInOnesAndClashesNameBothFiles) {
    test::TempDir dir;
    std::filesystem::create_directories(dir / "builtin");
    std::filesystem::create_directories(dir / "user");
    for (const char* name : {"hanmoto", "ndl-jpro", "ndl-jpro-bunko"}) {
        std::filesystem::copy_file(BuiltInFile(name),
                                   dir / "builtin" / (std::string(name) + ".yaml"));
    }
    const std::filesystem::path user = dir / "user";
    // Replaces the built-in hanmoto, under another number.
    test::WriteBytes(user / "a-hanmoto.yaml",
                     Changed(BuiltInText("hanmoto"), "number", "number: 30"));
    test::WriteBytes(
        user / "b-clash-number.yaml",
        Changed(Changed(BuiltInText("hanmoto"), "id", "id: mine"), "number", "number: 16"));
    test::WriteBytes(
        user / "c-clash-code.yaml",
        Changed(Changed(BuiltInText("hanmoto"), "id", "id: mine2"), "number", "number: 31"));
    test::WriteBytes(
        user / "d-built-in-code.yaml",
        Changed(Changed(Changed(BuiltInText("hanmoto"), "id", "id: mine3"), "number", "number: 32"),
                "code", "code: comic"));
    test::WriteBytes(user / "e-same-id.yaml",
                     Changed(BuiltInText("hanmoto"), "number", "number: 33"));
    test::WriteBytes(user / "f-broken.yaml", "id: [");
    test::WriteBytes(user / "notes.txt", "not a definition");

    const DefinitionSet set = LoadDefinitions({dir / "builtin", user}, DefinitionReader("2.0.2.0"));
    std::vector<std::pair<int, std::string>> loaded;
    for (const SourceDefinition& d : set.definitions) {
        loaded.emplace_back(d.number, d.id);
    }
    EXPECT_EQ(loaded, (std::vector<std::pair<int, std::string>>{
                          {16, "ndl-jpro"}, {17, "ndl-jpro-bunko"}, {30, "hanmoto"}}));
    EXPECT_FALSE(set.FindById("hanmoto")->builtIn);
    const std::string warning = set.WarningText();
    const auto says = [&](const std::string& file, const std::string& text) {
        return warning.find((user / file).string() + ": " + text) != std::string::npos;
    };
    EXPECT_TRUE(says("b-clash-number.yaml", "category number 16 is taken by " +
                                                (dir / "builtin" / "ndl-jpro.yaml").string()))
        << warning;
    EXPECT_TRUE(says("c-clash-code.yaml",
                     "data-file code \"hanmt\" is taken by " + (user / "a-hanmoto.yaml").string()))
        << warning;
    EXPECT_TRUE(says("d-built-in-code.yaml", "data-file code \"comic\" is a built-in")) << warning;
    EXPECT_TRUE(says("e-same-id.yaml", "id \"hanmoto\" is taken by")) << warning;
    EXPECT_NE(warning.find((user / "f-broken.yaml").string() + ":1: not YAML"), std::string::npos)
        << warning;
    EXPECT_EQ(std::count(warning.begin(), warning.end(), '\n'), 4);

    // A folder that cannot be listed is said; a missing one is no fault.
    test::WriteBytes(dir / "file", "");
    const DefinitionSet odd =
        LoadDefinitions({dir / "file", dir / "missing"}, DefinitionReader("2"));
    EXPECT_EQ(odd.folderErrors.size(), 1u);
    EXPECT_TRUE(odd.definitions.empty());
}

TEST(DefinedSources, FoldersFollowWhereTheProgramRuns) {
    test::TempDir dir;
    const DefinitionFolders installed =
        DefinitionFolders::For(dir / "usr" / "bin", "/home/u/.local/share/yomida/data");
    EXPECT_EQ(installed.builtIn, dir / "usr" / "share" / "yomida" / "sources");
    EXPECT_EQ(installed.user, "/home/u/.local/share/yomida/sources");
    std::filesystem::create_directories(dir / "build" / "builtin-sources");
    const DefinitionFolders built = DefinitionFolders::For(dir / "build", dir / "build" / "data/");
    EXPECT_EQ(built.builtIn, dir / "build" / "builtin-sources");
    EXPECT_EQ(built.user, dir / "build" / "sources");
}

TEST(DefinedSources, DefinitionsAreCategoriesOfTheCatalogue) {
    SourceDefinition comics = test::DefinitionFrom(Changed(
        Changed(
            Changed(Changed(BuiltInText("hanmoto"), "id", "id: comics"), "number", "number: 40"),
            "code", "code: cmx"),
        "group", "group: コミック"));
    {
        const ScopedDefinitions installed(
            {test::BuiltInDefinition("ndl-jpro"), test::BuiltInDefinition("hanmoto"), comics});
        EXPECT_EQ(Categories().size(), 18u);
        ASSERT_NE(FindCategory(16), nullptr);
        EXPECT_STREQ(FindCategory(16)->code, "ndljp");
        EXPECT_EQ(FindCategory(16)->converter, ConverterKind::DefinedSource);
        // The new group follows the built-in ones; a built-in group's caption joins that group.
        const std::vector<CategoryTreeSlot>& slots = CategoryTreeSlots();
        ASSERT_EQ(slots.size(), 5u + 15u + 1u + 3u);
        EXPECT_STREQ(CategoryGroups()[slots[slots.size() - 3].group].treeCaption,
                     "近刊（公開データ）");
        EXPECT_EQ(slots[slots.size() - 2].category->number, 16);
        EXPECT_EQ(slots.back().category->number, 18);
        EXPECT_EQ(TreeNodeOf(40), 5);  // after the four built-in comic leaves
        EXPECT_EQ(FindCategoryByTreeNode(TreeNodeOf(18))->number, 18);
        // The rows read in the tree's order, as 取得状況 and `status` list them.
        std::vector<int> leaves;
        for (const CategoryTreeSlot& slot : slots) {
            if (slot.category != nullptr) {
                leaves.push_back(slot.category->number);
            }
        }
        std::vector<int> rows;
        for (const CategoryInfo& c : Categories()) {
            rows.push_back(c.number);
        }
        EXPECT_EQ(rows, leaves);

        const std::optional<DataFileName> name = DataFileName::Parse("ndljp2612.csv");
        ASSERT_TRUE(name);
        EXPECT_EQ(name->Category().number, 16);
        EXPECT_EQ(name->Month(), year{2026} / December);

        HostTable hosts;
        EXPECT_EQ(hosts.HostOf(*FindCategory(18)), "www.hanmoto.com");
        hosts.Override({{"HANMOTO", "127.0.0.1:8080"}, {"NDLSEARCH", "[::1]:81"}});
        const SourceOverrides sources(std::vector<std::pair<std::string, std::string>>{
            {"NDLJP", "http://{host}/x?d={day}&i={idx}&c={cnt}"}});
        SourceQuery q;
        q.target = year{2026} / December / 1;
        q.dataFolder = "/d";
        q.hosts = &hosts;
        std::filesystem::path file;
        std::string url;
        q.category = 18;
        ASSERT_TRUE(ResolveCategorySource(q, {}, file, url));
        EXPECT_EQ(file, "/d/hanmt2612.csv");
        EXPECT_EQ(url,
                  "https://127.0.0.1:8080/ci/bd/search/sdate/2026-12-01/edate/2026-12-31/"
                  "order/asc/vw/rss20/");
        q.category = 16;
        q.sources = &sources;
        ASSERT_TRUE(ResolveCategorySource(q, {}, file, url));
        EXPECT_EQ(url, "http://[::1]:81/x?d=2026-12-01&i=1&c=500");
        EXPECT_EQ(sources.Origin(16), "[SOURCES] ndljp");
    }
    EXPECT_EQ(Categories().size(), 15u);
    EXPECT_EQ(FindCategory(16), nullptr);
    EXPECT_FALSE(DataFileName::Parse("ndljp2612.csv"));
}

struct Converted {
    bool ranToEnd;
    int records;
    std::vector<std::string> lines;
};

Converted ConvertResponses(int category, const std::vector<std::string>& responses,
                           const std::filesystem::path& output) {
    test::TempDir dir;
    test::WriteBytes(dir / "download.dat", JoinResponses(responses));
    ConvertRequest request;
    request.category = category;
    request.input = dir / "download.dat";
    request.output = output;
    request.target = year{2026} / December / 1;
    const ConvertResult result = Convert(request);
    return {
        result.RanToEnd(), result.records,
        std::filesystem::exists(output) ? test::ReadDataFile(output) : std::vector<std::string>{}};
}

TEST(DefinedSources, ResponsesConvertIntoAListOfTheMonth) {
    const ScopedDefinitions installed({test::BuiltInDefinition("ndl-jpro"),
                                       test::BuiltInDefinition("ndl-jpro-bunko"),
                                       test::BuiltInDefinition("hanmoto")});
    test::TempDir dir;
    const Converted all =
        ConvertResponses(16, {Fixture("ndl-jpro-1.xml"), Fixture("ndl-jpro-2.xml")}, dir / "a.csv");
    EXPECT_TRUE(all.ranToEnd);
    EXPECT_EQ(all.records, 3);  // the fourth is dated in January
    EXPECT_EQ(all.lines,
              (std::vector<std::string>{
                  "No,□,出版社,発売日,タイトル,作者,価格,ISBN",
                  "1,0,見本社,5,【見本】ほしぞら探偵団　3,架空太郎、見本花子,940,9784000000017",
                  "2,0,架空書房,,【見本】名画の見かた，　完全版,Sample，　John、架空次郎,880,"
                  "9784000000024",
                  "3,0,見本出版,下,【見本】新しい経済のはなし,見本　三郎　著,1100,9784000000031"}));

    const Converted bunko =
        ConvertResponses(17, {Fixture("ndl-jpro-1.xml"), Fixture("ndl-jpro-2.xml")}, dir / "b.csv");
    ASSERT_EQ(bunko.lines.size(), 3u);
    EXPECT_NE(bunko.lines[1].find("ほしぞら探偵団"), std::string::npos);
    EXPECT_NE(bunko.lines[2].find("新しい経済"), std::string::npos);

    const Converted hanmoto = ConvertResponses(18, {Fixture("hanmoto.rss")}, dir / "c.csv");
    EXPECT_EQ(hanmoto.lines,
              (std::vector<std::string>{
                  "No,□,出版社,発売日,タイトル,作者,価格,ISBN",
                  "1,0,見本舎,1,【見本】海のほとりの物語,架空　一郎,,9784000000048",
                  "2,0,架空書房,18,【見本】猫と暮らす,見本　花子，　架空　次郎,,9784000000055"}));
}

TEST(DefinedSources, ABrokenOrEmptyResponseKeepsTheList) {
    const ScopedDefinitions installed({test::BuiltInDefinition("ndl-jpro")});
    test::TempDir dir;
    const std::filesystem::path list = dir / "ndljp2612.csv";
    test::WriteDataFile(list, {"No,□,出版社,発売日,タイトル,作者,価格,ISBN", "1,1,前,1,前の本,,,"});
    const std::string before = test::ReadBytes(list);

    std::string empty = Fixture("ndl-jpro-2.xml");
    empty.erase(empty.find("<item>"), empty.rfind("</item>") + 7 - empty.find("<item>"));
    const Converted none = ConvertResponses(16, {empty}, list);
    EXPECT_TRUE(none.ranToEnd);
    EXPECT_EQ(none.records, 0);
    EXPECT_EQ(test::ReadBytes(list), before);

    std::string cut = Fixture("ndl-jpro-1.xml");
    cut.resize(cut.size() - 30);
    EXPECT_THROW(ConvertResponses(16, {Fixture("ndl-jpro-2.xml"), cut}, list), DefinedSourceError);
    EXPECT_EQ(test::ReadBytes(list), before);

    std::string joined = JoinResponses({Fixture("ndl-jpro-1.xml")});
    test::WriteBytes(dir / "cut.dat", joined.substr(0, joined.size() - 10));
    EXPECT_THROW(static_cast<void>(SplitResponses(test::ReadBytes(dir / "cut.dat"))),
                 DefinedSourceError);
    EXPECT_EQ(SplitResponses("<rss/>"), std::vector<std::string_view>{"<rss/>"});
    EXPECT_EQ(SplitResponses(JoinResponses({"a\n3\n", ""})),
              (std::vector<std::string_view>{"a\n3\n", ""}));
    EXPECT_EQ(test::ReadBytes(list), before);
}

}  // namespace
}  // namespace yomida

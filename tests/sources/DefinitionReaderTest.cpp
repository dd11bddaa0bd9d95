#include "sources/DefinitionReader.h"

#include <gtest/gtest.h>

#include "support/DefinedSourcesFixture.h"
#include "support/TestSupport.h"

namespace yomida {
namespace {

// A whole definition, one key a line, that the cases below spoil one line at a time.
const std::vector<std::string> kGoodLines = {
    "schema: 1",                                                   // 1
    "minimum-version: 2.0",                                        // 2
    "id: test-books",                                              // 3
    "number: 30",                                                  // 4
    "name: 見本",                                                  // 5
    "group: 近刊（公開データ）",                                   // 6
    "code: testb",                                                 // 7
    "host: {key: TESTHOST, default: 127.0.0.1:8080}",              // 8
    "url: \"http://{host}/q?d={day}&cnt={cnt}&idx={idx}\"",        // 9
    "paging: {per-day: true, count: 50, total: /rss/total}",       // 10
    "response: xml",                                               // 11
    "namespaces: {dc: 'http://purl.org/dc/elements/1.1/'}",        // 12
    "records: /rss/item",                                          // 13
    "fields:",                                                     // 14
    "  title: {select: dc:title, filters: [trim, {join: '／'}]}",  // 15
    "  day: {select: [dc:date, date], filters: [date]}",           // 16
    "  series: dc:series",                                         // 17
    "where: [{field: series, matches: '文庫'}]",                   // 18
};

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& l : lines) {
        text += l + "\n";
    }
    return text;
}

TEST(DefinitionReader, ReadsEveryKey) {
    const SourceDefinition d = test::DefinitionFrom(Joined(kGoodLines));
    EXPECT_EQ(d.id, "test-books");
    EXPECT_EQ(d.number, 30);
    EXPECT_EQ(d.hostKey, "TESTHOST");
    EXPECT_EQ(d.defaultHost, "127.0.0.1:8080");
    EXPECT_TRUE(d.paging.perDay);
    EXPECT_EQ(d.paging.count, 50);
    EXPECT_EQ(d.requestDelayMs, 1000);
    ASSERT_TRUE(d.Field(RecordField::Day));
    EXPECT_EQ(d.Field(RecordField::Day)->selectors, (std::vector<std::string>{"dc:date", "date"}));
    ASSERT_EQ(d.Field(RecordField::Title)->filters.size(), 2u);
    EXPECT_EQ(d.Field(RecordField::Title)->filters[1].argument, "／");
    ASSERT_EQ(d.conditions.size(), 1u);
    EXPECT_EQ(d.conditions[0].field, RecordField::Series);
    for (const char* name : {"ndl-jpro", "ndl-jpro-bunko", "hanmoto"}) {
        EXPECT_EQ(test::BuiltInDefinition(name).id, name);
    }
}

TEST(DefinitionReader, NamesTheLineAndReasonOfEveryFault) {
    struct Case {
        size_t line;  // of kGoodLines, from 1, replaced by `text`; 0 adds it at the end
        const char* text;
        int reportedLine;
        const char* reason;
    };
    const Case cases[] = {
        {5, "nmae: 見本", 5, "unknown key \"nmae\""},
        {0, "id: again", 19, "given twice"},
        {1, "schema: 2", 1, "newer YOMIDA"},
        {2, "minimum-version: 9.1", 2, "needs YOMIDA 9.1 or later"},
        {3, "id: Test Books", 3, "lower-case"},
        {4, "number: 15", 4, "from 16"},
        {7, "code: test2", 7, "ending with a letter"},
        {8, "host: {key: testhost, default: x}", 8, "upper-case"},
        {9, "url: \"ftp://{host}/{day}/{cnt}/{idx}\"", 9, "http"},
        {9, "url: \"http://{host}/{week}/{day}/{cnt}/{idx}\"", 9, "{week}"},
        {9, "url: \"http://{host}/q?cnt={cnt}&idx={idx}\"", 9, "per-day"},
        {10, "paging: {per-day: yes please}", 10, "true or false"},
        {11, "response: csv", 11, "one of xml, html, json"},
        {13, "records: /rss/[item", 13, "no XPath"},
        {16, "  day: {select: dcterms:issued}", 16, "cannot be evaluated"},
        {15, "  title: {select: dc:title, filters: [tidy]}", 15, "unknown filter \"tidy\""},
        {15, "  title: {select: dc:title, filters: [{replace: {pattern: '(', with: ''}}]}", 15,
         "cannot be used"},
        {15, "  title: {text: a, select: dc:title}", 15, "either"},
        {17, "  sequel: dc:series", 17, "unknown field \"sequel\""},
        {18, "where: [{field: price, matches: '1'}]", 18, "not one of the definition's fields"},
        {18, "where: {field: series}", 18, "list of conditions"},
        {15, "  title: [unclosed", 16, "not YAML"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> lines = kGoodLines;
        if (c.line == 0) {
            lines.emplace_back(c.text);
        } else {
            lines[c.line - 1] = c.text;
        }
        const DefinitionRead read = DefinitionReader("2.0.2.0").Read(Joined(lines), "bad.yaml");
        ASSERT_TRUE(read.problem) << c.text;
        EXPECT_FALSE(read.definition);
        EXPECT_EQ(read.problem->line, c.reportedLine) << c.text << ": " << read.problem->Text();
        EXPECT_NE(read.problem->message.find(c.reason), std::string::npos)
            << c.text << ": " << read.problem->Text();
        EXPECT_EQ(read.problem->Text().rfind("bad.yaml:", 0), 0u) << read.problem->Text();
    }
}

TEST(DefinitionReader, RefusesFilesThatAreNoDefinition) {
    test::TempDir dir;
    const DefinitionReader reader("2.0.2.0");
    test::WriteBytes(dir / "big.yaml", std::string(kMaxDefinitionBytes + 1, '#'));
    EXPECT_NE(reader.ReadFile(dir / "big.yaml").problem->message.find("larger"), std::string::npos);
    EXPECT_TRUE(reader.ReadFile(dir / "missing.yaml").problem);
    EXPECT_TRUE(reader.Read("", "empty.yaml").problem);
    EXPECT_TRUE(reader.Read("\x01\xff: [", "garbage.yaml").problem);
    // Lists are capped, so aliases cannot make a short file long to walk.
    std::vector<std::string> lines = kGoodLines;
    lines[14] = "  title: {select: dc:title, filters: [trim";
    for (int i = 0; i < 32; ++i) {
        lines[14] += ", trim";
    }
    lines[14] += "]}";
    const DefinitionRead many = reader.Read(Joined(lines), "many.yaml");
    ASSERT_TRUE(many.problem);
    EXPECT_NE(many.problem->message.find("more than 32"), std::string::npos);
    EXPECT_LT(CompareVersions("2.0.9", "2.1"), 0);
    EXPECT_EQ(CompareVersions("2.0", "2.0.0.0"), 0);
    EXPECT_GT(CompareVersions("10.0", "9.9"), 0);
}

}  // namespace
}  // namespace yomida

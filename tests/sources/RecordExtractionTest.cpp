#include "sources/RecordExtraction.h"

#include <gtest/gtest.h>

#include "sources/DefinedSourceError.h"
#include "support/DefinedSourcesFixture.h"
#include "support/TestSupport.h"

namespace yomida {
namespace {

using test::DefinitionFrom;
using V = std::vector<std::string>;

std::string Fixture(const std::string& name) {
    return test::ReadBytes(std::filesystem::path(YOMIDA_TEST_DATA) / "sources" / name);
}

// The reason a response is refused, or "" when it is read.
std::string Refusal(const SourceDefinition& definition, const std::string& response) {
    try {
        static_cast<void>(RecordExtractor(definition).Extract(response));
        return "";
    } catch (const DefinedSourceError& e) {
        return e.what();
    }
}

const char* const kJsonDefinition = R"(schema: 1
id: json-books
number: 40
name: JSON
group: test
code: jsonb
host: {key: JSONHOST, default: 127.0.0.1}
url: "http://{host}/books?from={from}&cnt={cnt}&idx={idx}"
paging: {count: 2, total: /meta/total}
response: json
records: /items
fields:
  title: /title
  author: /authors
  price: /price
  day: /date
)";

const char* const kHtmlDefinition = R"(schema: 1
id: html-books
number: 41
name: HTML
group: test
code: htmlb
host: {key: HTMLHOST, default: 127.0.0.1}
url: "http://{host}/list/{yyyy}{mm}.html"
response: html
records: "//table[@class='list']/tr[td]"
fields:
  day: td[1]
  title: td[2]
  isbn: td[2]/a/@href
)";

TEST(RecordExtraction, ReadsNamespacedXmlByXPath) {
    const SourceDefinition ndl = test::BuiltInDefinition("ndl-jpro");
    const RecordExtractor extractor(ndl);
    const std::vector<ExtractedRecord> records = extractor.Extract(Fixture("ndl-jpro-1.xml"));
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].Of(RecordField::Title), V{"【見本】ほしぞら探偵団"});
    EXPECT_EQ(records[0].Of(RecordField::Author), (V{"架空, 太郎, 1968-", "見本, 花子"}));
    EXPECT_EQ(records[0].Of(RecordField::Isbn), V{"978-4-00-000001-7"});  // not the JPNO
    EXPECT_EQ(records[0].Of(RecordField::Day), V{"2026-12-05"});
    EXPECT_EQ(records[0].Of(RecordField::Subject), V{"913.6"});
    // Without dcterms:issued the next selector, dc:date, gives the day.
    EXPECT_EQ(records[1].Of(RecordField::Day), V{"2026.12"});
    EXPECT_EQ(records[1].Of(RecordField::Volume), V{});

    const PageSummary summary = extractor.Summarise(Fixture("ndl-jpro-1.xml"));
    EXPECT_EQ(summary.records, 2u);
    EXPECT_EQ(summary.total, 3);
}

TEST(RecordExtraction, ReadsHtmlAndJson) {
    const std::string page =
        "<html><head><meta charset=utf-8></head><body><table class=list>"
        "<tr><th>日</th><th>書名</th></tr>"
        "<tr><td>5<td><a href='/isbn/9784000000017'>見本 &amp; 架空</a></tr>"
        "<tr><td>7</td><td>見本の二</td></tr></table></body></html>";
    const std::vector<ExtractedRecord> rows =
        RecordExtractor(DefinitionFrom(kHtmlDefinition)).Extract(page);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].Of(RecordField::Title), V{"見本 & 架空"});
    EXPECT_EQ(rows[0].Of(RecordField::Isbn), V{"/isbn/9784000000017"});
    EXPECT_EQ(rows[1].Of(RecordField::Day), V{"7"});

    const SourceDefinition json = DefinitionFrom(kJsonDefinition);
    const std::string response =
        R"({"meta": {"total": "5"}, "items": [)"
        R"({"title": "見本", "authors": ["架空 太郎", {"name": "skipped"}], "price": 940,)"
        R"( "date": "2026-12-05"}, {"title": "二", "price": null}]})";
    const std::vector<ExtractedRecord> items = RecordExtractor(json).Extract(response);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].Of(RecordField::Author), V{"架空 太郎"});
    EXPECT_EQ(items[0].Of(RecordField::Price), V{"940"});
    EXPECT_EQ(items[1].Of(RecordField::Price), V{});
    EXPECT_EQ(RecordExtractor(json).Summarise(response).total, 5);
    // A selector that matches nothing gives no records, not an error.
    EXPECT_TRUE(RecordExtractor(json).Extract(R"({"other": []})").empty());
}

TEST(RecordExtraction, RefusesResponsesThatCannotBeReadSafely) {
    const SourceDefinition ndl = test::BuiltInDefinition("ndl-jpro");
    const SourceDefinition json = DefinitionFrom(kJsonDefinition);
    std::string truncated = Fixture("ndl-jpro-1.xml");
    truncated.resize(truncated.size() / 2);
    EXPECT_NE(Refusal(ndl, truncated).find("not well-formed XML (line "), std::string::npos)
        << Refusal(ndl, truncated);
    EXPECT_NE(Refusal(ndl, "").find("not well-formed XML"), std::string::npos);
    const std::string laughs =
        "<?xml version='1.0'?><!DOCTYPE rss [<!ENTITY a 'aaaaaaaaaa'>"
        "<!ENTITY b '&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;'><!ENTITY c '&b;&b;&b;&b;&b;&b;&b;&b;'>]>"
        "<rss><channel><item><title>&c;</title></item></channel></rss>";
    EXPECT_NE(Refusal(ndl, laughs).find("entity"), std::string::npos) << Refusal(ndl, laughs);
    // Declared entities are refused before anything could read a node through them.
    const std::string declared =
        "<?xml version='1.0'?><!DOCTYPE rss [<!ENTITY a 'x'>]>"
        "<rss><channel><item><title>&a;</title></item></channel></rss>";
    EXPECT_NE(Refusal(ndl, declared).find("declares entities"), std::string::npos)
        << Refusal(ndl, declared);
    const std::string external =
        "<?xml version='1.0'?><!DOCTYPE rss SYSTEM 'http://127.0.0.1:9/x.dtd'>"
        "<rss><channel><item><title>x</title></item></channel></rss>";
    EXPECT_EQ(Refusal(ndl, external), "");  // read without loading the DTD

    std::string deep;
    for (int i = 0; i < 300; ++i) {
        deep = "<div>" + deep + "</div>";
    }
    EXPECT_NE(Refusal(ndl, deep).find("depth"), std::string::npos) << Refusal(ndl, deep);
    EXPECT_NE(Refusal(test::DefinitionFrom(kHtmlDefinition), "<html><body>" + deep).find("depth"),
              std::string::npos)
        << Refusal(test::DefinitionFrom(kHtmlDefinition), "<html><body>" + deep);
    EXPECT_NE(Refusal(json, std::string(300, '[') + std::string(300, ']')).find("deeper"),
              std::string::npos);
    EXPECT_NE(Refusal(json, R"({"items": [)").find("not well-formed JSON"), std::string::npos);
}

TEST(RecordExtraction, SelectorFaultsAreFoundBeforeAnyResponse) {
    const std::vector<std::pair<std::string, std::string>> ns = {
        {"dc", "http://purl.org/dc/elements/1.1/"}};
    EXPECT_FALSE(SelectorFault(ResponseKind::Xml, ns, "/rss/channel/item"));
    EXPECT_FALSE(SelectorFault(ResponseKind::Xml, ns, "dc:title"));
    EXPECT_TRUE(SelectorFault(ResponseKind::Xml, ns, "dcterms:issued"));  // prefix not declared
    EXPECT_TRUE(SelectorFault(ResponseKind::Xml, ns, "/rss/[channel"));
    EXPECT_TRUE(SelectorFault(ResponseKind::Html, {}, "//tr[td"));
    EXPECT_FALSE(SelectorFault(ResponseKind::Json, {}, "/items/0/title"));
    EXPECT_TRUE(SelectorFault(ResponseKind::Json, {}, "items"));
}

}  // namespace
}  // namespace yomida

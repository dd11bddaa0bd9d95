#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "platform/TextFile.h"
#include "sources/DefinedSourceConverter.h"
#include "sources/DefinedSourceError.h"
#include "sources/DefinitionReader.h"
#include "sources/RecordExtraction.h"

namespace {

// A definition per response kind, with every filter, so that the values a hostile response
// holds reach the date, price, ISBN and expression steps too.
const char* const kDefinitions[] = {
    R"yaml(schema: 1
id: fuzz-xml
number: 90
name: x
group: x
code: fuzzx
host: {key: FUZZ, default: 127.0.0.1}
url: "http://{host}/?d={day}&c={cnt}&i={idx}"
paging: {per-day: true, count: 5, total: "/rss/channel/*[local-name()='totalResults']"}
response: xml
namespaces: {dc: "http://purl.org/dc/elements/1.1/", dcterms: "http://purl.org/dc/terms/",
             dcndl: "http://ndl.go.jp/dcndl/terms/", xsi: "http://www.w3.org/2001/XMLSchema-instance"}
records: //item
fields:
  publisher: {select: dc:publisher, filters: [first, nfkc, trim]}
  title: {select: [dc:title, title], filters: [{replace: {pattern: " \\| [^|]*$", with: ""}}, trim]}
  author: {select: dc:creator, filters: [drop-life-dates, {join: "、"}]}
  day: {select: [dcterms:issued, dc:date, pubDate], filters: [first, date]}
  price: {select: dcndl:price, filters: [price]}
  isbn: {select: "dc:identifier[@xsi:type='dcndl:ISBN'] | link", filters: [{match: "([0-9Xx-]{10,17})"}, isbn, first]
}
  volume: dcndl:volume
  series: dcndl:seriesTitle
where: [{field: title, matches: "."}]
)yaml",
    R"yaml(schema: 1
id: fuzz-html
number: 91
name: h
group: h
code: fuzzh
host: {key: FUZZ, default: 127.0.0.1}
url: "http://{host}/"
response: html
records: "//tr[td]"
fields:
  day: {select: "td[1]", filters: [date]}
  title: {select: "td[2]", filters: [nfkc, trim]}
  isbn: {select: "td[2]/a/@href", filters: [isbn]}
  price: {select: "td[3]", filters: [price]}
)yaml",
    R"yaml(schema: 1
id: fuzz-json
number: 92
name: j
group: j
code: fuzzj
host: {key: FUZZ, default: 127.0.0.1}
url: "http://{host}/?c={cnt}&i={idx}"
paging: {count: 5, total: /total}
response: json
records: /items
fields:
  title: {select: /title, filters: [trim]}
  author: {select: /authors, filters: [{join: "、"}]}
  day: {select: /date, filters: [date]}
  price: {select: /price, filters: [price]}
)yaml",
};

}  // namespace

// Any response of any kind (the first byte picks it) is read, summarised for paging and
// converted without a crash or a hang; what cannot be read ends with a DefinedSourceError.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace yomida;
    if (size == 0) {
        return 0;
    }
    static const std::vector<SourceDefinition> definitions = [] {
        std::vector<SourceDefinition> all;
        for (const char* text : kDefinitions) {
            all.push_back(*DefinitionReader("2.0.2.0").Read(text, "fuzz.yaml").definition);
        }
        return all;
    }();
    const SourceDefinition& definition = definitions[data[0] % std::size(kDefinitions)];
    const std::string_view response(reinterpret_cast<const char*>(data + 1), size - 1);
    try {
        static_cast<void>(RecordExtractor(definition).Summarise(response));
        const std::filesystem::path list = fuzz::ScratchFolder() / "list.csv";
        TextFileWriter file(list);
        RecordWriter writer(file, list, "");
        DefinedSourceConverter converter(definition, std::chrono::year{2026} / 12);
        static_cast<void>(converter.Convert({response}, writer));
    } catch (const DefinedSourceError&) {
    }
    return 0;
}

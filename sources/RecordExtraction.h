#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "sources/SourceDefinition.h"

namespace yomida {

// Deeper documents are refused: no release list nests that far, and a hostile one would only
// exhaust the stack of whatever walks it.
constexpr int kMaxResponseDepth = 256;

// One record of a response: the values each field's selector gave, in UTF-8, before the
// field's filters.
struct ExtractedRecord {
    std::array<std::vector<std::string>, kRecordFieldCount> values;

    const std::vector<std::string>& Of(RecordField f) const {
        return values[static_cast<size_t>(f)];
    }
};

// What paging needs of a response: how many records it holds, and how many the query matches
// when the definition says where that stands.
struct PageSummary {
    size_t records = 0;
    std::optional<int64_t> total;
};

// Reads the records of a defined source's response: XML and HTML through libxml2 and XPath with
// the definition's namespaces, JSON through nlohmann and JSON pointers. XML is read without the
// network, without loading a DTD and without expanding entities, and a document that declares
// entities is refused, so a response can neither reach out nor blow up. Throws DefinedSourceError,
// with what went wrong where, for a response that cannot be read.
class RecordExtractor {
public:
    explicit RecordExtractor(const SourceDefinition& definition) : definition_(definition) {}

    std::vector<ExtractedRecord> Extract(std::string_view response) const;
    PageSummary Summarise(std::string_view response) const;

private:
    const SourceDefinition& definition_;
};

// Why a selector cannot be used with a response kind and these namespaces (an XPath that does
// not compile or names a prefix not declared, a malformed JSON pointer), or nothing.
std::optional<std::string> SelectorFault(
    ResponseKind kind, const std::vector<std::pair<std::string, std::string>>& namespaces,
    const std::string& selector);

}  // namespace yomida

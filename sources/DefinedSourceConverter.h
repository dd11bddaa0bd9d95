#pragma once

#include <chrono>
#include <memory>
#include <string_view>
#include <vector>

#include "sources/RecordExtraction.h"
#include "sources/RecordWriter.h"
#include "sources/SourceDefinition.h"

namespace yomida {

struct ConverterContext;

// What a conversion of a defined source's responses came to.
struct DefinedConversion {
    size_t found = 0;        // records the selectors found
    size_t written = 0;      // records written to the list
    size_t otherMonth = 0;   // left out: dated in another month
    size_t notMatching = 0;  // left out by the definition's conditions
};

// Turns the responses of a source defined as data into the records of its list: each record's
// fields read by the definition's selectors and cleaned by its filters, a record dated in
// another month or failing a condition left out, then written through the record writer as
// every converter writes (CP932, commas and blanks made full-width, numbered, scrambled). The
// ISBN goes into an eighth column when the definition reads one. Throws DefinedSourceError for a
// response that cannot be read or a filter that cannot apply.
class DefinedSourceConverter {
public:
    DefinedSourceConverter(const SourceDefinition& definition, std::chrono::year_month month);
    ~DefinedSourceConverter();

    DefinedConversion Convert(const std::vector<std::string_view>& responses, RecordWriter& out);

private:
    struct Compiled;
    // Reads and cleans every field into one value; false when the record is of another month.
    bool Clean(ExtractedRecord& record) const;
    // Whether the record meets the definition's conditions.
    bool Kept(const ExtractedRecord& record) const;
    // The fields of the data line, the volume added to the title.
    std::string RecordFields(ExtractedRecord& record, bool withIsbn) const;

    const SourceDefinition& definition_;
    std::chrono::year_month month_;
    std::unique_ptr<Compiled> compiled_;
};

// The converter of the categories defined as data, as Convert calls it: the page is one
// response or the joined responses of a fetch, the month is the request's.
bool ConvertDefinedSource(ConverterContext& context);

// A value as a field of a data line: CP932, without the commas, blanks, quotes and control
// characters that would split or shift the line.
std::string StoredField(std::string_view utf8);

}  // namespace yomida

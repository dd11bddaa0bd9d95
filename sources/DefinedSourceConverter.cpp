#include "sources/DefinedSourceConverter.h"

#include <optional>

#include "platform/Cp932.h"
#include "sources/ConverterContext.h"
#include "sources/DefinedSourceError.h"
#include "sources/DefinedSources.h"
#include "sources/FieldFilters.h"
#include "sources/RecordExtraction.h"
#include "sources/ResponseBundle.h"

namespace yomida {
namespace {

// The columns of a list in the order of the data line, after number and tick.
constexpr RecordField kListColumns[] = {RecordField::Publisher, RecordField::Day,
                                        RecordField::Title,     RecordField::Author,
                                        RecordField::Price,     RecordField::Isbn};

std::string JoinedValue(const std::vector<std::string>& values) {
    std::string joined;
    for (const std::string& v : values) {
        joined += (joined.empty() ? "" : "、") + v;
    }
    return joined;
}

}  // namespace

struct DefinedSourceConverter::Compiled {
    std::vector<std::optional<FieldCleaner>> cleaners;
    std::vector<TextCondition> conditions;
};

DefinedSourceConverter::DefinedSourceConverter(const SourceDefinition& definition,
                                               std::chrono::year_month month)
    : definition_(definition), month_(month), compiled_(new Compiled) {
    for (size_t f = 0; f < kRecordFieldCount; ++f) {
        const std::optional<FieldRule>& rule = definition.fields[f];
        compiled_->cleaners.emplace_back();
        if (rule) {
            compiled_->cleaners.back().emplace(
                std::string(RecordFieldName(static_cast<RecordField>(f))), rule->filters);
        }
    }
    for (const RecordCondition& c : definition.conditions) {
        compiled_->conditions.emplace_back(c.pattern);
    }
}

DefinedSourceConverter::~DefinedSourceConverter() = default;

DefinedConversion DefinedSourceConverter::Convert(const std::vector<std::string_view>& responses,
                                                  RecordWriter& out) {
    const bool withIsbn = definition_.Field(RecordField::Isbn).has_value();
    out.WriteHeader(withIsbn ? ListKind::BooksWithIsbn : ListKind::Books);
    DefinedConversion result;
    const RecordExtractor extractor(definition_);
    for (const std::string_view response : responses) {
        for (ExtractedRecord& record : extractor.Extract(response)) {
            ++result.found;
            if (!Clean(record)) {
                ++result.otherMonth;
            } else if (!Kept(record)) {
                ++result.notMatching;
            } else {
                out.WriteRecord(RecordFields(record, withIsbn));
                ++result.written;
            }
        }
    }
    return result;
}

bool DefinedSourceConverter::Clean(ExtractedRecord& record) const {
    bool inMonth = true;
    for (size_t f = 0; f < kRecordFieldCount; ++f) {
        const std::optional<FieldRule>& rule = definition_.fields[f];
        std::vector<std::string>& values = record.values[f];
        if (rule && rule->selectors.empty()) {
            values.assign(1, rule->text);
        }
        if (compiled_->cleaners[f]) {
            inMonth = compiled_->cleaners[f]->Apply(values, month_) && inMonth;
        }
        // From here on a field is one value.
        values.assign(1, JoinedValue(values));
    }
    return inMonth;
}

bool DefinedSourceConverter::Kept(const ExtractedRecord& record) const {
    for (size_t c = 0; c < compiled_->conditions.size(); ++c) {
        if (!compiled_->conditions[c].Matches(record.Of(definition_.conditions[c].field)[0])) {
            return false;
        }
    }
    return true;
}

std::string DefinedSourceConverter::RecordFields(ExtractedRecord& record, bool withIsbn) const {
    std::string& title = record.values[static_cast<size_t>(RecordField::Title)][0];
    const std::string& volume = record.Of(RecordField::Volume)[0];
    if (!volume.empty() && !title.ends_with(volume)) {
        title += " " + volume;
    }
    std::string line;
    for (const RecordField column : kListColumns) {
        if (column == RecordField::Isbn && !withIsbn) {
            break;
        }
        if (column != RecordField::Publisher) {
            line += ',';
        }
        line += StoredField(record.Of(column)[0]);
    }
    return line;
}

bool ConvertDefinedSource(ConverterContext& context) {
    const SourceDefinition* definition = FindDefinition(context.request.category);
    if (definition == nullptr) {
        throw DefinedSourceError("category " + std::to_string(context.request.category) +
                                 " has no source definition");
    }
    const std::chrono::year_month_day target = context.request.target;
    DefinedSourceConverter converter(*definition, target.year() / target.month());
    converter.Convert(SplitResponses(context.in.Text()), context.out);
    return true;
}

std::string StoredField(std::string_view value) {
    const std::string utf8 = TrimText(value);
    std::string clean;
    clean.reserve(utf8.size() + 8);
    for (const char c : utf8) {
        switch (c) {
            case ',':
                clean += "，";
                break;
            case ' ':
            case '\t':
            case '\r':
            case '\n':
                clean += "　";
                break;
            case '"':
                clean += "”";
                break;
            default:
                if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) {
                    clean += c;
                }
        }
    }
    return Utf8ToCp932(clean);
}

}  // namespace yomida

#include "sources/SourceDefinition.h"

namespace yomida {
namespace {

// By RecordField.
constexpr std::string_view kRecordFieldNames[kRecordFieldCount] = {
    "publisher", "title", "author", "day", "price", "isbn", "series", "volume", "subject",
};

}  // namespace

std::string_view RecordFieldName(RecordField field) {
    return kRecordFieldNames[static_cast<size_t>(field)];
}

std::optional<RecordField> RecordFieldByName(std::string_view name) {
    for (size_t i = 0; i < kRecordFieldCount; ++i) {
        if (kRecordFieldNames[i] == name) {
            return static_cast<RecordField>(i);
        }
    }
    return std::nullopt;
}

}  // namespace yomida

#include "sources/RecordWriter.h"

namespace yomida {

void RecordWriter::WriteHeader(ListKind kind) {
    line_ = stampPrefix_;
    line_ += HeaderCaptions(kind);
    out_.WriteLine(line_);
}

void RecordWriter::WriteRecord(std::string_view fields) {
    line_ = std::to_string(next_++);
    line_ += ",0,";
    line_ += fields;
    out_.WriteLine(line_);
    ++counted_;
    ++records_;
}

}  // namespace yomida

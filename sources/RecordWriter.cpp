#include "sources/RecordWriter.h"

#include "text/Sjis.h"

namespace yomida {
namespace {

// Appends the fields of a record as they may stand in a data line.
void AppendCleanFields(std::string_view fields, std::string& line) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(fields.data());
    const size_t n = fields.size();
    size_t clean = 0;  // fields[clean, i) goes in as it is
    size_t i = 0;
    while (i < n) {
        const unsigned char b = bytes[i];
        if (IsLeadByte(b)) {
            if (i + 1 < n && IsTrailByte(bytes[i + 1])) {
                i += 2;
                continue;
            }
            line.append(fields, clean, i - clean);
            line += '?';
        } else if (b < 0x20 && b != '\t') {
            line.append(fields, clean, i - clean);
        } else {
            ++i;
            continue;
        }
        clean = ++i;
    }
    line.append(fields, clean, n - clean);
}

}  // namespace

void RecordWriter::WriteHeader(ListKind kind) {
    line_ = stampPrefix_;
    line_ += HeaderCaptions(kind);
    out_.WriteLine(line_);
}

void RecordWriter::WriteRecord(std::string_view fields) {
    line_ = std::to_string(next_++);
    line_ += ",0,";
    AppendCleanFields(fields, line_);
    out_.WriteLine(line_);
    if (keepLines_) {
        lines_.push_back(line_);
    }
    ++counted_;
    ++records_;
}

}  // namespace yomida

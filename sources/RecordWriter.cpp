#include "sources/RecordWriter.h"

namespace yomida {

void RecordWriter::WriteLine(std::string_view plain) {
    line_.assign(plain);
    scrambler_.ScrambleLineInPlace(line_);
    out_.WriteLine(line_);
}

void RecordWriter::WriteHeader(std::string_view captions) {
    std::string header = stampPrefix_;
    header += captions;
    WriteLine(header);
}

void RecordWriter::WriteRecord(std::string_view fields) {
    std::string record = std::to_string(counter);
    record += ",0,";
    record += fields;
    WriteLine(record);
}

}  // namespace yomida

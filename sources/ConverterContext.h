#pragma once

#include <string>

#include "sources/Convert.h"
#include "sources/RecordWriter.h"
#include "text/LineReader.h"

namespace yomida {

// What a converter works with: the lines of its input in memory, the record writer and the
// request (category and target period). A converter that stops before the end of its input
// says why in `stopMessage` (CP932), for the face to show.
struct ConverterContext {
    LineReader& in;
    RecordWriter& out;
    const ConvertRequest& request;
    std::string stopMessage;
};

}  // namespace yomida

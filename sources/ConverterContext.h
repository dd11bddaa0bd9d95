#pragma once

#include "platform/Ui.h"
#include "sources/Convert.h"
#include "sources/RecordWriter.h"
#include "text/LineReader.h"

namespace yomida {

// What a converter works with: the lines of its input in memory, the record writer, the request
// (category and target period) and the Ui for the messages some converters show.
struct ConverterContext {
    LineReader& in;
    RecordWriter& out;
    const ConvertRequest& request;
    Ui& ui;
};

}  // namespace yomida

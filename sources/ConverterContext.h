#pragma once

#include "platform/TextFile.h"
#include "platform/Ui.h"
#include "sources/Convert.h"
#include "sources/RecordWriter.h"

namespace yomida {

// What a converter works with: the open input, the record writer, the request (category and
// target period) and the Ui for the messages some converters show.
struct ConverterContext {
    TextFileReader& in;
    RecordWriter& out;
    const ConvertRequest& request;
    Ui& ui;
};

}  // namespace yomida

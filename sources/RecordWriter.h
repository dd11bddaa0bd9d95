#pragma once

#include <string>
#include <string_view>

#include "platform/TextFile.h"
#include "text/Scrambler.h"

namespace yomida {

// What every converter writes through: each line scrambled in writing order, and the record
// counter the conversion driver reads when the converter is done.
class RecordWriter {
public:
    RecordWriter(TextFileWriter& out, Scrambler& scrambler, std::string stampPrefix)
        : out_(out), scrambler_(scrambler), stampPrefix_(std::move(stampPrefix)) {}

    // Writes the stamp prefix followed by the caption list.
    void WriteHeader(std::string_view captions);
    // Writes the record number, ",0," and the fields already joined by commas.
    void WriteRecord(std::string_view fields);
    // Writes one line as it is.
    void WriteLine(std::string_view plain);

    int counter = 0;

private:
    TextFileWriter& out_;
    Scrambler& scrambler_;
    std::string stampPrefix_;
    std::string line_;
};

}  // namespace yomida

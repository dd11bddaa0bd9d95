#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "text/ScrambledFile.h"

namespace yomida {

// Reads a data file as the release list loads it: each line unscrambled, width-normalised and
// split at commas into fields, the update stamp in front of the header dropped. Everything that
// reads records (the grid, the watch scan) goes through here so they agree field for field.
class ReleaseRecordReader {
public:
    explicit ReleaseRecordReader(const std::filesystem::path& dataFile);

    // The next line's fields, spaces stored as full-width spaces; lines with fewer than two
    // fields are passed over. Returns false at the end of the file.
    bool Next(std::vector<std::string>& fields);
    void Close() { file_.Close(); }

    // The header line's fields: the number caption in field 0.
    static bool IsHeader(const std::vector<std::string>& fields);

private:
    ScrambledReader file_;
    std::string line_;
    std::string plain_;
    std::string spaced_;
};

// Appends a field as the grid shows it: full-width spaces as half-width ones, no blanks at
// either end. `scratch` is reused between calls.
void AppendCellText(std::string_view field, std::string& scratch, std::string& cell);
std::string CellText(std::string_view field);

}  // namespace yomida

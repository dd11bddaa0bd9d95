#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/TextFile.h"
#include "sources/RecordLayout.h"
#include "text/ScrambledFile.h"

namespace yomida {

// What every converter writes through: the header line, then numbered records, each line
// scrambled in writing order as the data file's folder says. It counts the lines that make a
// conversion worth keeping. Whatever a page held, a record line reads back as it was written:
// control bytes other than the tab are left out of it (a loader would take them for field or
// line ends), and a lead byte that no trail byte follows becomes "?" (it would take the comma
// or quote after it for its trail byte).
class RecordWriter {
public:
    RecordWriter(TextFileWriter& out, const std::filesystem::path& dataFile,
                 std::string stampPrefix)
        : out_(out, dataFile), stampPrefix_(std::move(stampPrefix)) {}

    // Writes the stamp prefix followed by the list kind's captions.
    void WriteHeader(ListKind kind);
    // Counts the header line as the first record does, so records are numbered from 1 and a
    // page with a header alone still replaces the list.
    void CountHeader() { ++counted_; }
    // The number the next record gets; records are numbered from 1 unless a converter says so.
    void NumberFrom(int first) { next_ = first; }
    // Writes the next record number, ",0," and the fields already joined by commas.
    void WriteRecord(std::string_view fields);
    // The records written so far.
    int Records() const { return records_; }

    int Counted() const { return counted_; }

    // Keeps the record lines as written (before scrambling), for comparing the new list with
    // the stored one.
    void KeepRecordLines() { keepLines_ = true; }
    const std::vector<std::string>& RecordLines() const { return lines_; }

private:
    ScrambledWriter out_;
    std::string stampPrefix_;
    std::string line_;
    int next_ = 1;
    int counted_ = 0;
    int records_ = 0;
    bool keepLines_ = false;
    std::vector<std::string> lines_;
};

}  // namespace yomida

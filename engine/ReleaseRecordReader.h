#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "engine/Release.h"
#include "text/ScrambledFile.h"

namespace yomida {

// Reads a data file as the release list loads it: each line unscrambled, width-normalised and
// split at commas into a release's fields, the update stamp in front of the header dropped.
// Everything that reads records (the list, the watch scan, the check save) goes through here so
// they agree field for field.
class ReleaseRecordReader {
public:
    explicit ReleaseRecordReader(const std::filesystem::path& dataFile) : file_(dataFile) {}

    // The next line with at least two fields; lines with fewer are passed over. Returns false
    // at the end of the file.
    bool Next(Release& release);
    void Close() { file_.Close(); }
    // The line just read, as stored.
    const std::string& StoredText() const { return line_; }
    // From now on every stored line read, record or not, goes into Fingerprint(): two readings
    // of one list agree whatever its ticks say, and any other change makes them differ.
    void TakeFingerprint() { fingerprinting_ = true; }
    uint64_t Fingerprint() const { return fingerprint_; }
    static constexpr uint64_t kFingerprintStart = 14695981039346656037ull;
    // Adds one stored line, all but its check field, to a fingerprint.
    static void AddToFingerprint(std::string_view stored, uint64_t& fingerprint);

    // Whether a release read is the header line: the number caption in its first field.
    static bool IsHeader(const Release& release);
    // Reads one stored line as Next does; false when it has fewer than two fields.
    static bool ReadLine(std::string_view stored, size_t lineNumber, Release& release,
                         std::string& scratch);

private:
    ScrambledReader file_;
    std::string line_;
    std::string plain_;
    size_t lineNumber_ = 0;
    bool fingerprinting_ = false;
    uint64_t fingerprint_ = kFingerprintStart;
};

}  // namespace yomida

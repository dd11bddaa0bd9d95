#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/TextFile.h"
#include "text/Scrambler.h"

namespace yomida {

// A file named "コミック" in a data folder switches scrambling off: that folder's data files are
// written and read as plain text.
bool ScramblingOffIn(const std::filesystem::path& dataFolder);

// Reads a data file line by line in plain text. The key starts over with the file, and a file
// in a folder with the plain-text marker is read as it stands.
class ScrambledReader {
public:
    explicit ScrambledReader(const std::filesystem::path& dataFile);

    bool ReadLine(std::string& line);
    bool AtEnd() { return file_.AtEnd(); }
    void Close() { file_.Close(); }

private:
    TextFileReader file_;
    Scrambler key_;
    bool plain_;
};

// Writes plain lines into the new version of a data file, scrambled unless the data file's
// folder holds the plain-text marker. The key starts with the first line written.
class ScrambledWriter {
public:
    ScrambledWriter(TextFileWriter& out, const std::filesystem::path& dataFile);

    void WriteLine(std::string_view plain);

private:
    TextFileWriter& out_;
    Scrambler key_;
    bool plain_;
    std::string line_;
};

}  // namespace yomida

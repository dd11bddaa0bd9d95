#include "text/ScrambledFile.h"

#include "platform/FileSystem.h"

namespace yomida {

bool ScramblingOffIn(const std::filesystem::path& dataFolder) {
    return FileExists(dataFolder / "コミック");
}

ScrambledReader::ScrambledReader(const std::filesystem::path& dataFile)
    : file_(dataFile), plain_(ScramblingOffIn(FolderOf(dataFile))) {}

bool ScrambledReader::ReadLine(std::string& line) {
    if (!file_.ReadLine(line)) {
        return false;
    }
    if (!plain_) {
        key_.ScrambleLineInPlace(line);
    }
    return true;
}

ScrambledWriter::ScrambledWriter(TextFileWriter& out, const std::filesystem::path& dataFile)
    : out_(out), plain_(ScramblingOffIn(FolderOf(dataFile))) {}

void ScrambledWriter::WriteLine(std::string_view plain) {
    if (plain_) {
        out_.WriteLine(plain);
        return;
    }
    line_.assign(plain);
    key_.ScrambleLineInPlace(line_);
    out_.WriteLine(line_);
}

}  // namespace yomida

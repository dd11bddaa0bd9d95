#pragma once

#include <filesystem>

#include "platform/TextFile.h"

namespace yomida {

// Writes the new version of a file beside it and puts it in place in one rename, so the old
// version stays whole until the new one is complete. Without Commit() the new version is
// thrown away and the old file is left as it was.
class FileReplacement {
public:
    explicit FileReplacement(const std::filesystem::path& target);
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    TextFileWriter& Writer() { return writer_; }
    // Closes the new version and renames it over the target; throws IoError.
    void Commit();

    static std::filesystem::path TemporaryFor(const std::filesystem::path& target);

private:
    std::filesystem::path target_;
    std::filesystem::path temp_;
    TextFileWriter writer_;
    bool committed_ = false;
};

}  // namespace yomida

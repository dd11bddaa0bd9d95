#pragma once

#include <filesystem>
#include <optional>

#include "platform/FileLock.h"
#include "platform/TerminationCleanup.h"
#include "platform/TextFile.h"

namespace yomida {

// Writes the new version of a file beside it and puts it in place in one rename, so the old
// version stays whole until the new one is complete. Without Commit() the new version is
// thrown away and the old file is left as it was.
//
// The replacement holds the file's lock from construction to destruction: whatever the caller
// reads of the old version after constructing it is what the new version replaces. A symbolic
// link of the user's own is followed and its target replaced, one another user made is refused
// (FollowOwnLinks); the file keeps its owner, mode, access list and user attributes; a file
// that nobody may write is refused rather than replaced. The new version is a file of its own,
// created new under a name no other writer uses.
class FileReplacement {
public:
    explicit FileReplacement(const std::filesystem::path& target);
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    TextFileWriter& Writer() { return *writer_; }
    // Has Commit() first put a copy of the old version, byte for byte and with its owner, mode,
    // access list and user attributes, in place of `previous`, itself replaced in one rename, so
    // a reader never sees half of it. Nothing is kept when there was no old version.
    void KeepPrevious(const std::filesystem::path& previous) { previous_ = previous; }
    // Puts the new version on the disk, renames it over the target and records the rename on
    // the disk too; throws IoError.
    void Commit();

private:
    std::filesystem::path target_;
    FileLock lock_;
    std::filesystem::path temp_;
    TerminationCleanup tempCleanup_;
    std::optional<TextFileWriter> writer_;
    std::optional<std::filesystem::path> previous_;
    bool hadOld_ = false;
    bool committed_ = false;
};

}  // namespace yomida

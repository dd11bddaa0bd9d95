#pragma once

#include <filesystem>

#include "platform/TerminationCleanup.h"
#include "platform/TextFile.h"

namespace yomida {

// A private scratch file beside another file, created new under a name nobody else uses and
// deleted when it goes out of scope, however that happens. It is written only through the
// descriptor that created it: whatever later appears under its name (a planted link, say) is
// never opened. A signal that ends the program removes it too (TerminationCleanup).
class TemporaryFile {
public:
    explicit TemporaryFile(const std::filesystem::path& beside);
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const std::filesystem::path& Path() const { return path_; }

    // A writer that appends to the file; throws IoError.
    TextFileWriter Writer() const;
    // Renames the file over `target`, replacing a link there rather than writing through it;
    // the file is then no longer deleted. Throws IoError.
    void MoveOver(const std::filesystem::path& target);

private:
    // A descriptor of its own for a writer, which closes it.
    int Duplicate() const;

    std::filesystem::path path_;
    int fd_ = -1;
    bool kept_ = false;
    TerminationCleanup cleanup_;
};

}  // namespace yomida

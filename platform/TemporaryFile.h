#pragma once

#include <filesystem>

namespace yomida {

// A private scratch file beside another file, created new under a name nobody else uses and
// deleted when it goes out of scope, however that happens.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::filesystem::path& beside);
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace yomida

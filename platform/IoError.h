#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>

namespace yomida {

// An input/output failure on a named file. what() is UTF-8 and names the file and the cause,
// so the top-level handler can show it as it stands.
class IoError : public std::runtime_error {
public:
    enum class Op { Open, Read, Write, Create, Delete, Rename, Lock };

    IoError(Op op, const std::filesystem::path& path, int errnoValue);

    Op op() const { return op_; }
    const std::filesystem::path& path() const { return path_; }
    int errnoValue() const { return errno_; }

private:
    Op op_;
    std::filesystem::path path_;
    int errno_;
};

}  // namespace yomida

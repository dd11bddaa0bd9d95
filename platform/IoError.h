#pragma once

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>

namespace yomida {

// An input/output failure on a named file. what() is UTF-8 and names the file and the cause,
// so the top-level handler can show it as it stands.
class IoError : public std::runtime_error {
public:
    enum class Op { Open, Read, Write, Create, Delete, Rename, Lock };
    // What the program refuses to do with a file, where the system itself would go on.
    enum class Refusal {
        OthersLink,      // follow a symbolic link that another user made
        NotRegularFile,  // read a pipe, a device or a folder as a file
        LockInTheWay,    // use a lock file that nobody holds but that cannot be opened or removed
    };

    IoError(Op op, const std::filesystem::path& path, int errnoValue);
    IoError(Op op, const std::filesystem::path& path, Refusal refusal);

    Op op() const { return op_; }
    const std::filesystem::path& path() const { return path_; }
    int errnoValue() const { return errno_; }
    std::optional<Refusal> refusal() const { return refusal_; }

private:
    Op op_;
    std::filesystem::path path_;
    int errno_;
    std::optional<Refusal> refusal_;
};

}  // namespace yomida

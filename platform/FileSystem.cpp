#include "platform/FileSystem.h"

#include <cstdio>
#include <system_error>

#include "platform/FileHooks.h"
#include "platform/IoError.h"

namespace yomida {

bool FileExists(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

bool DirectoryExists(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::is_directory(path, ec);
}

bool CreateDirectories(const std::filesystem::path& path) {
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    return DirectoryExists(path);
}

bool DeleteFile(const std::filesystem::path& path) {
    std::error_code ec;
    std::filesystem::remove(path, ec);
    return !ec;
}

void RenameOver(const std::filesystem::path& from, const std::filesystem::path& to) {
    if (const auto& hook = TestFileHooks().beforeRename) {
        if (int e = hook(); e != 0) {
            throw IoError(IoError::Op::Rename, to, e);
        }
    }
    std::error_code ec;
    std::filesystem::rename(from, to, ec);
    if (ec) {
        throw IoError(IoError::Op::Rename, to, ec.value());
    }
}

std::filesystem::path ExecutablePath() {
    std::error_code ec;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::current_path() / "yomida" : self;
}

std::filesystem::path FolderOf(const std::filesystem::path& file) {
    std::filesystem::path parent = file.parent_path();
    return parent.empty() ? std::filesystem::path(".") : parent;
}

}  // namespace yomida

#include "platform/FileSystem.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <random>
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

namespace {

// A name that no other writer, in this process or another, picks at the same time.
std::filesystem::path CandidateName(const std::filesystem::path& beside) {
    static std::atomic<unsigned> counter{0};
    static const unsigned long long seed = std::random_device{}();
    const unsigned long long mix =
        seed ^ (static_cast<unsigned long long>(::getpid()) << 20) ^
        static_cast<unsigned long long>(
            std::chrono::steady_clock::now().time_since_epoch().count()) ^
        (static_cast<unsigned long long>(counter.fetch_add(1)) << 40);
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, ".%08llx.tmp", (mix ^ (mix >> 29)) & 0xFFFFFFFFull);
    std::filesystem::path name = beside;
    name += suffix;
    return name;
}

}  // namespace

int CreateUniqueFileBeside(const std::filesystem::path& beside, unsigned mode,
                           std::filesystem::path& created) {
    if (const auto& hook = TestFileHooks().beforeCreate) {
        if (int e = hook(); e != 0) {
            throw IoError(IoError::Op::Create, beside, e);
        }
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        created = CandidateName(beside);
        const int fd =
            ::open(created.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd >= 0) {
            return fd;
        }
        if (errno != EEXIST && errno != EINTR) {
            throw IoError(IoError::Op::Create, beside, errno);
        }
    }
    throw IoError(IoError::Op::Create, beside, EEXIST);
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

#include "platform/FileReplacement.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/FileSystem.h"
#include "platform/IoError.h"

namespace yomida {
namespace {

constexpr int kMaxLinks = 40;

// Creates the new version under a fresh name; never opens a name that already exists, so a
// link planted beside the target cannot redirect what is written.
int CreateTemporary(const std::filesystem::path& target, const struct stat* old,
                    std::filesystem::path& temp) {
    // A new file gets the usual permissions; a replaced one starts private and then takes the
    // old file's permissions.
    const int fd = CreateUniqueFileBeside(target, old != nullptr ? 0600 : 0666, temp);
    if (old == nullptr) {
        return fd;
    }
    if (old->st_uid != ::geteuid() || old->st_gid != ::getegid()) {
        if (::fchown(fd, old->st_uid, old->st_gid) != 0) {
            // Only a privileged writer can give the file back to its owner; anyone else keeps
            // the file as their own, as an editor saving it would.
        }
    }
    if (::fchmod(fd, old->st_mode & 07777) != 0) {
        const int e = errno;
        ::close(fd);
        ::unlink(temp.c_str());
        throw IoError(IoError::Op::Create, target, e);
    }
    return fd;
}

void SyncFolder(const std::filesystem::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return;  // the rename is done; a folder we cannot open we cannot flush either
    }
    (void)::fsync(fd);
    ::close(fd);
}

}  // namespace

std::filesystem::path FileReplacement::FollowLinks(const std::filesystem::path& path) {
    std::filesystem::path current = path;
    for (int n = 0; n < kMaxLinks; ++n) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            return current;
        }
        std::error_code ec;
        std::filesystem::path next = std::filesystem::read_symlink(current, ec);
        if (ec) {
            throw IoError(IoError::Op::Open, path, ec.value());
        }
        current = next.is_absolute() ? next : FolderOf(current) / next;
    }
    throw IoError(IoError::Op::Open, path, ELOOP);
}

FileReplacement::FileReplacement(const std::filesystem::path& target)
    : target_(FollowLinks(target)), lock_(target_) {
    struct stat old {};
    const bool exists = ::stat(target_.c_str(), &old) == 0;
    if (exists && (!S_ISREG(old.st_mode) || (old.st_mode & 0222) == 0 ||
                   ::access(target_.c_str(), W_OK) != 0)) {
        // A read-only file is the user's decision; replacing it would undo it.
        throw IoError(IoError::Op::Write, target,
                      S_ISREG(old.st_mode)   ? EACCES
                      : S_ISDIR(old.st_mode) ? EISDIR
                                             : EINVAL);
    }
    const int fd = CreateTemporary(target_, exists ? &old : nullptr, temp_);
    writer_.emplace(temp_, fd);
}

FileReplacement::~FileReplacement() {
    if (!committed_) {
        writer_.reset();
        ::unlink(temp_.c_str());
    }
}

void FileReplacement::Commit() {
    writer_->CloseDurably();
    RenameOver(temp_, target_);
    committed_ = true;
    SyncFolder(FolderOf(target_));
}

}  // namespace yomida

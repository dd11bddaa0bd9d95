#include "platform/FileReplacement.h"

#include <acl/libacl.h>
#include <fcntl.h>
#include <sys/acl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/IoError.h"
#include "platform/ScopeExit.h"

namespace yomida {
namespace {

// The old file under a name that cannot be turned to another file: /proc/self/fd/N of a
// descriptor holding the very file that was looked at. Its access list and attributes are read
// there, even where the file itself may not be read. The name is empty when the file at the
// path is no longer that one.
class AttributeSource {
public:
    AttributeSource(const std::filesystem::path& old, const struct stat& st)
        : fd_(::open(old.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC)) {
        struct stat now {};
        if (fd_ >= 0 && ::fstat(fd_, &now) == 0 && now.st_dev == st.st_dev &&
            now.st_ino == st.st_ino) {
            name_ = "/proc/self/fd/" + std::to_string(fd_);
        }
    }
    ~AttributeSource() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    AttributeSource(const AttributeSource&) = delete;
    AttributeSource& operator=(const AttributeSource&) = delete;

    const std::string& Name() const { return name_; }

private:
    int fd_;
    std::string name_;
};

// The permission bits the owning group really has under an extended access list: its own
// entry limited by the mask. The mode's group bits stand for the mask there, which may be
// wider.
mode_t GroupBitsUnder(acl_t acl, mode_t mode) {
    acl_perm_t group = 07;
    acl_perm_t mask = 07;
    acl_entry_t entry;
    for (int which = ACL_FIRST_ENTRY; acl_get_entry(acl, which, &entry) == 1;
         which = ACL_NEXT_ENTRY) {
        acl_tag_t tag;
        acl_permset_t perms;
        if (acl_get_tag_type(entry, &tag) != 0 || acl_get_permset(entry, &perms) != 0) {
            continue;
        }
        const acl_perm_t bits = (acl_get_perm(perms, ACL_READ) == 1 ? 04 : 0) |
                                (acl_get_perm(perms, ACL_WRITE) == 1 ? 02 : 0) |
                                (acl_get_perm(perms, ACL_EXECUTE) == 1 ? 01 : 0);
        if (tag == ACL_GROUP_OBJ) {
            group = bits;
        } else if (tag == ACL_MASK) {
            mask = bits;
        }
    }
    return (mode & ~static_cast<mode_t>(070)) | static_cast<mode_t>((group & mask) << 3);
}

// Copies the user's own extended attributes (tags, a desktop's notes); the system's own ones
// are the access list, copied apart, or need privileges this program does not ask for.
void CopyUserAttributes(const std::string& from, int to) {
    const ssize_t listed = ::listxattr(from.c_str(), nullptr, 0);
    if (listed <= 0) {
        return;
    }
    std::vector<char> names(static_cast<size_t>(listed));
    const ssize_t got = ::listxattr(from.c_str(), names.data(), names.size());
    if (got <= 0) {
        return;
    }
    std::vector<char> value;
    for (size_t at = 0; at < static_cast<size_t>(got);) {
        const char* name = names.data() + at;
        at += std::string_view(name).size() + 1;
        if (std::string_view(name).substr(0, 5) != "user.") {
            continue;
        }
        const ssize_t size = ::getxattr(from.c_str(), name, nullptr, 0);
        if (size < 0) {
            continue;
        }
        value.resize(static_cast<size_t>(size));
        const ssize_t read = ::getxattr(from.c_str(), name, value.data(), value.size());
        if (read >= 0) {
            (void)::fsetxattr(to, name, value.data(), static_cast<size_t>(read), 0);
        }
    }
}

// Gives the new version the old file's access list and its user attributes. Its mode is never
// wider than the old file's, even where the list cannot be copied.
void CopyAccess(const std::filesystem::path& target, const struct stat& old, int fd) {
    const AttributeSource from(target, old);
    acl_t acl = from.Name().empty() ? nullptr : acl_get_file(from.Name().c_str(), ACL_TYPE_ACCESS);
    const ScopeExit release([acl] {
        if (acl != nullptr) {
            acl_free(acl);
        }
    });
    mode_t mode = old.st_mode & 07777;
    const bool extended = acl != nullptr && acl_equiv_mode(acl, nullptr) == 1;
    if (extended) {
        mode = GroupBitsUnder(acl, mode);
    }
    if (::fchmod(fd, mode) != 0) {
        throw IoError(IoError::Op::Create, target, errno);
    }
    if (extended) {
        // Puts the mask back into the group bits, as the old file had them.
        (void)acl_set_fd(fd, acl);
    }
    if (!from.Name().empty()) {
        CopyUserAttributes(from.Name(), fd);
    }
}

// Makes a new file take on the old one's owner (where this process may give it away) and its
// access.
void TakeOnAccessOf(const std::filesystem::path& old, const struct stat& st, int fd) {
    if (st.st_uid != ::geteuid() || st.st_gid != ::getegid()) {
        if (::fchown(fd, st.st_uid, st.st_gid) != 0) {
            // Only a privileged writer can give the file back to its owner; anyone else keeps
            // the file as their own, as an editor saving it would.
        }
    }
    CopyAccess(old, st, fd);
}

// Creates the new version under a fresh name; never opens a name that already exists, so a
// link planted beside the target cannot redirect what is written.
int CreateTemporary(const std::filesystem::path& target, const struct stat* old,
                    std::filesystem::path& temp) {
    // A new file gets the usual permissions; a replaced one starts private and then takes the
    // old file's access.
    const int fd = CreateUniqueFileBeside(target, old != nullptr ? 0600 : 0666, temp);
    if (old == nullptr) {
        return fd;
    }
    try {
        TakeOnAccessOf(target, *old, fd);
    } catch (...) {
        ::close(fd);
        ::unlink(temp.c_str());
        throw;
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

// Copies the old version to a temporary beside `previous` and renames it over `previous`.
void CopyOver(const std::filesystem::path& old, const std::filesystem::path& previous) {
    const int from = ::open(old.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (from < 0) {
        throw IoError(IoError::Op::Open, old, errno);
    }
    const ScopeExit closeFrom([from] { ::close(from); });
    struct stat st {};
    if (::fstat(from, &st) != 0) {
        throw IoError(IoError::Op::Read, old, errno);
    }
    // Only this program writes the copy, under the data file's lock: a temporary of it that
    // nobody holds was left by a writer that was killed.
    RemoveStaleTemporaries(previous);
    std::filesystem::path temp;
    // Private until it has the old version's access, which a copy must not widen.
    const int to = CreateUniqueFileBeside(previous, 0600, temp);
    TerminationCleanup tempCleanup(temp);
    bool renamed = false;
    const ScopeExit cleanUp([to, &temp, &renamed] {
        ::close(to);
        if (!renamed) {
            ::unlink(temp.c_str());
        }
    });
    TakeOnAccessOf(old, st, to);
    std::vector<char> buffer(1 << 16);
    for (;;) {
        const ssize_t got = ::read(from, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            throw IoError(IoError::Op::Read, old, errno);
        }
        if (got == 0) {
            break;
        }
        for (ssize_t put = 0; put < got;) {
            const ssize_t n = ::write(to, buffer.data() + put, static_cast<size_t>(got - put));
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0) {
                throw IoError(IoError::Op::Write, previous, errno);
            }
            put += n;
        }
    }
    if (::fsync(to) != 0) {
        throw IoError(IoError::Op::Write, previous, errno);
    }
    RenameOver(temp, previous);
    renamed = true;
}

}  // namespace

FileReplacement::FileReplacement(const std::filesystem::path& target)
    : target_(FollowOwnLinks(target)), lock_(target_) {
    struct stat old {};
    // Not through a link: one put here after the links were followed is refused below.
    const bool exists = ::lstat(target_.c_str(), &old) == 0;
    if (exists && (!S_ISREG(old.st_mode) || (old.st_mode & 0222) == 0 ||
                   ::access(target_.c_str(), W_OK) != 0)) {
        // A read-only file is the user's decision; replacing it would undo it.
        throw IoError(IoError::Op::Write, target,
                      S_ISREG(old.st_mode)   ? EACCES
                      : S_ISDIR(old.st_mode) ? EISDIR
                                             : EINVAL);
    }
    // Under the lock no other writer of this file is at work: a temporary of it that nobody
    // holds was left by a save that was killed.
    RemoveStaleTemporaries(target_);
    hadOld_ = exists;
    const int fd = CreateTemporary(target_, exists ? &old : nullptr, temp_);
    tempCleanup_.Cover(temp_);
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
    // Before the rename: should the copy fail, the old version is still the list.
    if (previous_ && hadOld_) {
        CopyOver(target_, *previous_);
    }
    RenameOver(temp_, target_);
    committed_ = true;
    tempCleanup_.Release();
    SyncFolder(FolderOf(target_));
}

}  // namespace yomida

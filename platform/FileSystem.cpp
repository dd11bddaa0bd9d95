#include "platform/FileSystem.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/FileHooks.h"
#include "platform/IoError.h"
#include "platform/ScopeExit.h"

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

constexpr std::string_view kTemporaryEnd = ".tmp";
constexpr size_t kRandomDigits = 8;
// "." + the random digits + ".tmp"
constexpr size_t kTemporarySuffixSize = 1 + kRandomDigits + kTemporaryEnd.size();

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
    return NameBeside(beside, suffix);
}

bool IsHexDigits(std::string_view text) {
    return text.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

}  // namespace

std::filesystem::path NameBeside(const std::filesystem::path& file, std::string_view suffix) {
    const std::string base = file.filename().string();
    std::filesystem::path name = file;
    if (base.size() + suffix.size() <= NAME_MAX) {
        name += suffix;
        return name;
    }
    // Too long for the file system: a shortened name, told apart from other long names that
    // start alike by a hash of the whole one.
    uint32_t hash = 2166136261u;
    for (unsigned char c : base) {
        hash = (hash ^ c) * 16777619u;
    }
    char tag[16];
    std::snprintf(tag, sizeof tag, "~%08x", static_cast<unsigned>(hash));
    size_t keep = NAME_MAX - suffix.size() - std::string_view(tag).size();
    // Never half a UTF-8 character.
    while (keep > 0 && (static_cast<unsigned char>(base[keep]) & 0xC0) == 0x80) {
        --keep;
    }
    return file.parent_path() / (base.substr(0, keep) + tag + std::string(suffix));
}

void RemoveStaleTemporaries(const std::filesystem::path& file) {
    std::string stem = NameBeside(file, ".00000000.tmp").filename().string();
    stem.resize(stem.size() - kTemporarySuffixSize + 1);  // up to and with the dot
    std::error_code ec;
    std::filesystem::directory_iterator folder(FolderOf(file), ec);
    for (; !ec && folder != std::filesystem::directory_iterator(); folder.increment(ec)) {
        const std::filesystem::path& path = folder->path();
        const std::string name = path.filename().string();
        const std::string_view view(name);
        if (name.size() != stem.size() + kRandomDigits + kTemporaryEnd.size() ||
            !view.starts_with(stem) || !view.ends_with(kTemporaryEnd) ||
            !IsHexDigits(view.substr(stem.size(), kRandomDigits))) {
            continue;
        }
        // Its creator holds a lock on it while it has it open; one that nobody holds was left
        // by a writer that was killed.
        const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        struct stat held {};
        struct stat named {};
        if (::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && held.st_uid == ::geteuid() &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::lstat(path.c_str(), &named) == 0 &&
            named.st_dev == held.st_dev && named.st_ino == held.st_ino) {
            ::unlink(path.c_str());
        }
        ::close(fd);
    }
}

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
            // Held as long as the file is open, so a clean-up never takes it for a leftover.
            (void)::flock(fd, LOCK_EX | LOCK_NB);
            return fd;
        }
        if (errno != EEXIST && errno != EINTR) {
            throw IoError(IoError::Op::Create, beside, errno);
        }
    }
    throw IoError(IoError::Op::Create, beside, EEXIST);
}

namespace {

constexpr int kMaxLinks = 40;

// Only the user and the system can have made such a link, wherever it lies.
bool TrustedLinkOwner(uid_t owner) {
    return owner == ::geteuid() || owner == 0;
}

struct Followed {
    std::filesystem::path file;
    // The name is one of the kernel's own links in /proc (a descriptor's name, /dev/stdout),
    // whose target has no path to follow; only the kernel can open it.
    bool kernelLink = false;
};

Followed Follow(const std::filesystem::path& path) {
    std::filesystem::path current = path;
    for (int n = 0; n < kMaxLinks; ++n) {
        // The link is looked at and read through one descriptor, so the link whose owner was
        // checked is the one whose target is taken, even when another is put in its place.
        const int fd = ::open(current.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) {
            return {current};
        }
        const ScopeExit closeLink([fd] { ::close(fd); });
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISLNK(st.st_mode)) {
            return {current};
        }
        if (!TrustedLinkOwner(st.st_uid)) {
            throw IoError(IoError::Op::Open, current, IoError::Refusal::OthersLink);
        }
        struct statfs fs {};
        if (::fstatfs(fd, &fs) == 0 && fs.f_type == PROC_SUPER_MAGIC) {
            return {current, true};
        }
        std::string target(PATH_MAX, '\0');
        const ssize_t length = ::readlinkat(fd, "", target.data(), target.size());
        if (length < 0 || static_cast<size_t>(length) >= target.size()) {
            throw IoError(IoError::Op::Open, current, length < 0 ? errno : ENAMETOOLONG);
        }
        target.resize(static_cast<size_t>(length));
        const std::filesystem::path next(target);
        current = next.is_absolute() ? next : FolderOf(current) / next;
    }
    throw IoError(IoError::Op::Open, path, ELOOP);
}

}  // namespace

std::filesystem::path FollowOwnLinks(const std::filesystem::path& path) {
    return Follow(path).file;
}

int OpenFollowingOwnLinks(const std::filesystem::path& path, int flags, unsigned mode,
                          IoError::Op op) {
    // A link put under the name between the look and the open is refused by O_NOFOLLOW, and
    // then looked at like any other.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const Followed followed = Follow(path);
        const int noFollow = followed.kernelLink ? 0 : O_NOFOLLOW;
        int fd;
        do {
            fd = ::open(followed.file.c_str(), flags | noFollow | O_CLOEXEC, mode);
        } while (fd < 0 && errno == EINTR);
        if (fd >= 0) {
            return fd;
        }
        if (errno != ELOOP || followed.kernelLink) {
            throw IoError(op, path, errno);
        }
    }
    throw IoError(op, path, ELOOP);
}

int OpenFileForReading(const std::filesystem::path& path) {
    const int fd = OpenFollowingOwnLinks(path, O_RDONLY | O_NONBLOCK, 0, IoError::Op::Open);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        throw IoError(IoError::Op::Open, path, IoError::Refusal::NotRegularFile);
    }
    // On a regular file the flag changes nothing; it goes all the same, so the descriptor
    // reads like any other.
    (void)::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

std::filesystem::path UserHomeFolder() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') {
        return home;
    }
    std::vector<char> buffer(16384);
    struct passwd entry {};
    struct passwd* found = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_dir != nullptr && found->pw_dir[0] == '/') {
        return found->pw_dir;
    }
    return {};
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

#include "platform/TemporaryFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/FileSystem.h"
#include "platform/IoError.h"

namespace yomida {

TemporaryFile::TemporaryFile(const std::filesystem::path& beside)
    : fd_(CreateUniqueFileBeside(beside, 0600, path_)), cleanup_(path_) {}

TemporaryFile::~TemporaryFile() {
    if (!kept_) {
        ::unlink(path_.c_str());
    }
    ::close(fd_);
}

int TemporaryFile::Duplicate() const {
    const int fd = ::fcntl(fd_, F_DUPFD_CLOEXEC, 0);
    if (fd < 0) {
        throw IoError(IoError::Op::Open, path_, errno);
    }
    return fd;
}

TextFileWriter TemporaryFile::Writer() const {
    return TextFileWriter(path_, Duplicate());
}

void TemporaryFile::MoveOver(const std::filesystem::path& target) {
    RenameOver(path_, target);
    kept_ = true;
    cleanup_.Release();
}

}  // namespace yomida

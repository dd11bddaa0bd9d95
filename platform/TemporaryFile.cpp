#include "platform/TemporaryFile.h"

#include <unistd.h>

#include "platform/FileSystem.h"

namespace yomida {

TemporaryFile::TemporaryFile(const std::filesystem::path& beside) {
    ::close(CreateUniqueFileBeside(beside, 0600, path_));
}

TemporaryFile::~TemporaryFile() {
    ::unlink(path_.c_str());
}

}  // namespace yomida

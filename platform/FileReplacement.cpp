#include "platform/FileReplacement.h"

#include "platform/FileSystem.h"

namespace yomida {

std::filesystem::path FileReplacement::TemporaryFor(const std::filesystem::path& target) {
    std::filesystem::path temp = target;
    temp += ".tmp";
    return temp;
}

FileReplacement::FileReplacement(const std::filesystem::path& target)
    : target_(target), temp_(TemporaryFor(target)), writer_(temp_) {}

FileReplacement::~FileReplacement() {
    if (!committed_) {
        DeleteFile(temp_);
    }
}

void FileReplacement::Commit() {
    writer_.Close();
    RenameOver(temp_, target_);
    committed_ = true;
}

}  // namespace yomida

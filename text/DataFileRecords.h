#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace yomida {

// The record lines of a data file as stored (every line after the header, unscrambled), or
// nothing when it is absent or cannot be read: for telling whether two versions of a list hold
// the same records, and how many.
std::optional<std::vector<std::string>> ReadRecordLines(const std::filesystem::path& file);

}  // namespace yomida

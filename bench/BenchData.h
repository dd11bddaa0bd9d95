#pragma once

#include <filesystem>

namespace yomida::bench {

// A data file of 100,000 records, about 10 MB, written as the converters write it; made once
// per run in a temporary folder.
const std::filesystem::path& BigDataFile();

}  // namespace yomida::bench

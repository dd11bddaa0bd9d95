#pragma once

#include <chrono>
#include <filesystem>

#include <vector>

#include "engine/Release.h"

namespace yomida {

// The export writes at most this many rows.
constexpr int kMaxCsvExportRows = 30;

// Writes the first releases as CSV lines dated in `month`: date, title, price, author,
// publisher. An existing file is replaced only when the new one is complete.
void ExportCsv(const std::vector<Release>& rows, const std::filesystem::path& file,
               std::chrono::year_month month);

}  // namespace yomida

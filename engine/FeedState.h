#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace yomida {

// The state files the watch calendar and the feed keep beside them: a header line naming the
// file and its version, then one record a line, its fields between tabs. Nothing read from one
// is trusted: each value is checked or escaped where it is used.
struct StateFileText {
    std::string header;
    std::vector<std::string> lines;
};

// The header and the lines after it; nothing when the file does not exist. Throws IoError.
std::optional<StateFileText> ReadStateFile(const std::filesystem::path& file);
std::vector<std::string_view> SplitStateLine(std::string_view line);
// A text as a field: tabs and line breaks become spaces.
std::string StateField(std::string_view text);

// yyyymmdd: nothing unless it names a real day.
std::optional<std::chrono::year_month_day> ParseStateDate(std::string_view text);
// 20261208T091500Z, as CalendarUtcTime writes it.
std::optional<std::chrono::sys_seconds> ParseStateTime(std::string_view text);

}  // namespace yomida

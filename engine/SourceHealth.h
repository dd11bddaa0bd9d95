#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "download/FetchOutcome.h"

namespace yomida {

// One category's line of the health file. Texts are CP932; times are local, to the second.
struct CategoryHealth {
    int category = 0;
    std::string list;  // the data file's name the last attempt was for
    std::optional<std::chrono::local_seconds> lastAttempt;
    std::optional<std::chrono::local_seconds> lastSuccess;
    FetchOutcome outcome = FetchOutcome::Updated;
    int httpStatus = 0;  // with HttpStatus
    // Records of the last list a page gave (0 for a page without any), and of the category's
    // list of the period before at that time; -1 when unknown.
    int count = -1;
    int previousCount = -1;
    std::string detail;  // the error's own text

    // The last attempt got no usable list.
    bool Failed() const;
    // The page gave no record, or fewer than half of the period before: its layout has
    // probably changed and the converter no longer finds what it looks for.
    bool Suspicious() const;
};

// The outcome in words for the window, "HTTP 404" and the like (CP932).
std::string OutcomeText(const CategoryHealth& health);
// "-12", "+3", "±0", or empty without a count to compare.
std::string TrendText(const CategoryHealth& health);
// "2026-12-08T07:00:00", the form of the file and of `yomida-cli status`.
std::string StampText(std::chrono::local_seconds stamp);
std::optional<std::chrono::local_seconds> ParseStamp(std::string_view text);

// The warning a suspicious list carries.
const std::string& SuspiciousText();

// The health file of a data folder: one line per category that has been fetched or imported.
class SourceHealth {
public:
    static constexpr const char* kFileName = "health.txt";
    static constexpr const char* kSetAsideSuffix = ".bad";

    explicit SourceHealth(std::filesystem::path dataFolder);

    struct Contents {
        std::vector<CategoryHealth> rows;  // in the catalogue's order
        bool damaged = false;              // the file could not be read and counts as empty
    };
    // Only reads: a damaged file is left where it is for the next record to set aside.
    Contents Read() const;
    // One category's row, if it has one.
    std::optional<CategoryHealth> Find(int category) const;

    // Replaces the category's row with `row`, keeping the counts and the last success of the
    // old row where `row` has none. A damaged file is renamed to health.txt.bad first and the
    // record starts afresh. Throws IoError when the file cannot be written.
    void Record(const CategoryHealth& row);

    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace yomida

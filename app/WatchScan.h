#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "sources/Catalogue.h"

namespace yomida {

// The watch words as the settings keep them: comma texts like the search boxes'. CP932.
struct WatchWords {
    std::string publisher;
    std::string title;
    std::string author;

    bool Empty() const { return publisher.empty() && title.empty() && author.empty(); }
};

// How the weekly category's numbers become dates: week `baseNumber` ends on `baseDate`.
struct WeekNumbering {
    std::chrono::year_month_day baseDate{};
    int baseNumber = 0;

    // The first day of a week's list.
    std::chrono::year_month_day FirstDay(int week) const;
};

// A data file the category table can name, with the period its name gives.
struct WatchFile {
    std::filesystem::path path;
    const CategoryInfo* category = nullptr;
    std::string periodKey;                               // "yymm", or the week number
    std::chrono::year_month month{};                     // of the period
    std::optional<std::chrono::year_month_day> weekDay;  // the weekly list's first day
};

// The period a data file's name gives, or nothing when no category names files that way.
std::optional<WatchFile> ParseWatchFileName(const std::filesystem::path& file,
                                            const WeekNumbering& weeks);
// Every data file in the folder the category table can name, in name order.
std::vector<WatchFile> FindWatchFiles(const std::filesystem::path& dataFolder,
                                      const WeekNumbering& weeks);

// One record that matched the watch words.
struct WatchMatch {
    int category = 0;
    std::string fileName;
    std::string periodKey;
    std::chrono::year_month month{};
    std::string dateText;            // yyyy/mm/dd, yyyy/mm/上 or yyyy/mm/ and the stored text
    std::string dayKey;              // the date order's key of the day
    long recordNumber = 0;           // orders the records of one file
    std::vector<std::string> cells;  // as the grid shows the row: No, ■/□, publisher, …
    bool isNew = false;

    const std::string& Cell(size_t col) const;
    // What identifies the record across downloads: category, period, publisher, title and
    // author, never the record number, which a new download changes.
    std::string Identity() const;
};

struct WatchScanResult {
    std::vector<WatchMatch> matches;  // in watch order
    size_t filesRead = 0;
    size_t filesSkipped = 0;  // could not be read
};

// Called on the calling thread while the scan runs, with the files done and the total.
using WatchProgress = std::function<void(size_t done, size_t total)>;

// Reads every file through the loader's reader and the search's matcher (no date filter, all
// markers), one file per task on every core. A file that cannot be read is skipped and counted.
WatchScanResult ScanWatchFiles(const std::vector<WatchFile>& files, const WatchWords& words,
                               const WatchProgress& progress = {});

// By month, the date order's day key, category number, then record number.
void OrderWatchMatches(std::vector<WatchMatch>& matches);

}  // namespace yomida

#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/FollowedSeriesIndex.h"
#include "engine/SearchQuery.h"
#include "engine/SeriesStore.h"
#include "engine/SeriesTitleReader.h"
#include "platform/TaskPool.h"
#include "sources/Catalogue.h"
#include "text/Dates.h"

namespace yomida {

// The watch words as the settings keep them: comma texts like the search boxes'. CP932.
struct WatchWords {
    std::string publisher;
    std::string title;
    std::string author;

    bool Empty() const { return publisher.empty() && title.empty() && author.empty(); }
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

// One record that matched the watch words, or that is a next volume of a followed series (次巻),
// or both.
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
    bool watched = true;    // the watch words match it
    bool isNext = false;    // a volume above the highest seen of a followed series
    int volume = 0;         // of a next volume
    std::string seriesKey;  // of a next volume

    const std::string& Cell(size_t col) const;
    // What identifies the record across downloads: category, period, publisher, title and
    // author, never the record number, which a new download changes.
    std::string Identity() const;
    // The same for its news as a next volume, which a record already reported as a watch match
    // still brings once.
    std::string NextIdentity() const;
};

struct WatchScanResult {
    // In watch order; with followed series, the next volumes among them, marked.
    std::vector<WatchMatch> matches;
    size_t filesRead = 0;
    size_t filesSkipped = 0;  // could not be read
};

// A watch scan running on worker threads while its owner goes on: reads every file through the
// loader's reader and the search's matcher (no date filter, all markers), one file a task. The
// owner asks how far it has come and takes the result once it has ended; nothing is called back,
// so a window keeps turning its own event loop. A file that cannot be read is skipped and counted.
class WatchScanWorker {
public:
    // Starts at once, one worker per core; `workers` 0 leaves every file to Step().
    WatchScanWorker(std::vector<WatchFile> files, const WatchWords& words,
                    std::optional<size_t> workers = std::nullopt);
    // The same, also marking the next volumes of the followed series; a record that is only a
    // next volume comes with `watched` off.
    WatchScanWorker(std::vector<WatchFile> files, const WatchWords& words,
                    std::vector<FollowedSeries> followed,
                    std::optional<size_t> workers = std::nullopt);
    ~WatchScanWorker();
    WatchScanWorker(const WatchScanWorker&) = delete;
    WatchScanWorker& operator=(const WatchScanWorker&) = delete;

    // Files ended and files in all.
    size_t Done() const;
    size_t Total() const;
    bool Finished() const;
    // Without workers, scans the next file on the calling thread. Returns Finished().
    [[nodiscard]] bool Step();
    // Files not yet begun are not read; the result then counts only what was read.
    void Cancel();
    bool Cancelled() const;
    // Waits for every file to end; the matches come in watch order. Only once.
    [[nodiscard]] WatchScanResult Wait();

private:
    std::vector<WatchFile> files_;
    SearchQuery query_;  // const once made, so every worker reads it alike
    bool hasWords_ = false;
    std::unique_ptr<const FollowedSeriesIndex> series_;  // none without followed series
    std::vector<SeriesTitleReader> readers_;             // one per worker slot
    std::vector<std::vector<WatchMatch>> perFile_;
    std::vector<char> read_;
    std::unique_ptr<TaskPool> pool_;  // last: it stops before the state goes
};

// The whole scan on every core, waiting for its end.
WatchScanResult ScanWatchFiles(const std::vector<WatchFile>& files, const WatchWords& words);
// The same, the next volumes of the followed series among the matches.
WatchScanResult ScanWatchFiles(const std::vector<WatchFile>& files, const WatchWords& words,
                               const std::vector<FollowedSeries>& followed);

// By month, the date order's day key, category number, then record number.
void OrderWatchMatches(std::vector<WatchMatch>& matches);

}  // namespace yomida

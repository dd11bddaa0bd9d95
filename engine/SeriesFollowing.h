#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "engine/Release.h"
#include "engine/SeriesStore.h"
#include "engine/WatchScan.h"
#include "text/Dates.h"

namespace yomida {

// The highest volume of a series in the stored lists, and where it is.
struct StoredVolume {
    int volume = 0;
    std::string date;  // as the watch writes dates
    int category = 0;
    std::chrono::year_month month{};
};

struct StoredVolumes {
    std::unordered_map<std::string, StoredVolume> byKey;
    size_t filesRead = 0;
    size_t filesSkipped = 0;  // could not be read
};

// The highest volume of each of `keys` in the files' records. Of one volume listed twice (a
// release put off to a later month) the later listing counts.
StoredVolumes FindStoredVolumes(const std::vector<WatchFile>& files,
                                const std::unordered_set<std::string>& keys);

// What following one title came to.
struct TitleFollow {
    FollowedSeries series;  // as recorded; an empty key when the title names no series
    FollowOutcome outcome = FollowOutcome::Unchanged;
};

struct FollowTitlesResult {
    std::vector<TitleFollow> titles;  // one per title given, in order
    size_t filesSkipped = 0;          // stored lists that could not be read
    size_t setAside = 0;              // unreadable lines of series.txt kept in series.txt.bad
};

// The followed series of the data folder, or none when series.txt cannot be read, with the
// reason in `error` (UTF-8): the watch goes on without them.
std::vector<FollowedSeries> FollowedSeriesOf(const std::filesystem::path& dataFolder,
                                             std::string& error);

// Records in series.txt, for each followed series, the nearest next volume among the matches of
// a whole scan: the lowest volume above the highest seen, the earliest listing of it when listed
// twice; a series with none found forgets the one it had. The file is replaced only when that
// changes anything. Throws IoError.
void RecordNextVolumes(const std::filesystem::path& dataFolder,
                       const std::vector<WatchMatch>& matches);

// Follows the series of records of a stored list (`list` empty when the records come from no
// list the category table names), each from its own volume with its date and category: what a
// collector ticks is what they have. A record whose title names no series comes back with an
// empty key. Throws IoError when series.txt cannot be written.
FollowTitlesResult FollowRecords(const std::optional<WatchFile>& list,
                                 const std::vector<Release>& records,
                                 const std::filesystem::path& dataFolder);

// Follows the series of each title (CP932). The highest volume seen starts at the title's own
// volume, or at the highest volume of its series in the data folder's stored lists when that is
// higher; then it takes that record's date and category, which a title alone does not give.
// A title that names no series (nothing but punctuation or an edition) is left out and comes
// back with an empty key. Throws IoError when series.txt cannot be written.
FollowTitlesResult FollowTitles(const std::filesystem::path& dataFolder,
                                const std::vector<std::string>& titles, const WeekNumbering& weeks);

}  // namespace yomida

#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/Notifier.h"
#include "engine/Release.h"
#include "engine/WatchChanges.h"
#include "engine/WatchFeeds.h"
#include "engine/WatchScan.h"
#include "platform/Clock.h"
#include "settings/SettingsRecord.h"

namespace yomida {

// Where the watch looks and what it looks for, as the settings give them.
struct WatchPlace {
    std::filesystem::path dataFolder;
    WatchWords words;
    WeekNumbering weeks;
    bool alarm = false;  // the calendar's reminder the day before

    static WatchPlace Of(const SettingsRecord& settings);
    // No watch words and no followed series: a scan would find nothing.
    bool Empty() const;
};

struct WatchLookRequest {
    WatchPlace place;
    std::filesystem::path memoryFile;
    // The list a conversion has just written: only its new matches count and nothing is
    // remembered, and nothing is looked at when its name names no list, it is missing, or the
    // memory has yet to be made. Empty: every list's new matches count, and are remembered as
    // reported once the feed holds them.
    std::filesystem::path convertedList;
    WatchFeedOptions feeds;
};

// What a look at the stored lists found. Failures are kept as their messages, so each face
// words them its own way.
struct WatchLook {
    bool looked = false;
    // Every list's, the new ones marked, and the next volumes of the followed series among them.
    std::vector<WatchMatch> matches;
    size_t fresh = 0;      // new watch matches
    size_t freshNext = 0;  // next volumes not told before
    // The new matches' titles, then the new next volumes' (marked, with their dates).
    std::vector<NewsTitle> freshTitles;
    std::optional<size_t> changes;  // none when they could not be found
    bool feedsWritten = false;      // both the calendar and the feed
    std::string memoryError;        // the memory could not be read or kept
    std::string error;              // the changes or the feeds failed
};

// The look that follows new lists: one scan of every stored list serves both the news of the new
// matches and the calendar and feed to subscribe to; the changes that moved watched titles are
// counted too.
[[nodiscard]] WatchLook LookAtWatchLists(const WatchLookRequest& request);

// The window's watch: a scan started and stepped from the window's own event loop, then ended
// with its new matches marked in the window's memory, the changes found and the feeds
// rewritten; and the news of the lists converted meanwhile. It keeps the last scan's results.
class WatchService {
public:
    enum class State { Idle, Running, Ended, Cancelled };
    struct Ending {
        State state = State::Idle;
        size_t fresh = 0;
        size_t filesSkipped = 0;
        bool feedsWritten = true;
        size_t nextVolumes = 0;     // among the matches
        size_t freshNext = 0;       // of them, not shown before
        bool seriesWritten = true;  // series.txt could be read and given the next volumes
    };

    explicit WatchService(const Clock& clock);
    ~WatchService();

    // How many threads a scan reads on; 0 leaves each file to Step(). Every core when not set.
    void SetWorkers(std::optional<size_t> workers) { workers_ = workers; }
    void Start(const WatchPlace& place);
    bool Running() const { return scan_ != nullptr; }
    // Files ended and files in all of the running scan.
    size_t Done() const;
    size_t Total() const;
    // Without workers, scans the next file on the calling thread; true once every file ended.
    [[nodiscard]] bool Step();
    void Cancel();
    // Waits for the running scan and ends it; the new matches are remembered as shown once the
    // feed holds them. Throws when the memory cannot be kept; the service is idle again all the
    // same.
    [[nodiscard]] Ending Finish();

    // The watch matches and the next volumes of the followed series, in watch order; a record
    // that is only a next volume has `watched` off.
    const std::vector<WatchMatch>& Matches() const { return matches_; }
    // The matches that moved since their list's previous version, found with Matches().
    const std::vector<WatchChange>& Changes() const { return changes_; }
    // New matches and next volumes found after the last conversion, not yet shown by a scan.
    size_t NewCount() const { return newCount_; }
    // Of them, the next volumes.
    size_t NewNextCount() const { return newNextCount_; }

    // Takes the news of a look at a list an update has just stored.
    void NoteNewList(const WatchLook& look);

    // The list a match came from: its category and period, or nothing when the name names none.
    static std::optional<WatchFile> ListOf(const WatchPlace& place, const WatchMatch& match);
    // Where among a list's releases a match's release stands.
    static std::optional<size_t> IndexOf(const std::vector<Release>& rows, const WatchMatch& match);

private:
    const Clock& clock_;
    std::optional<size_t> workers_;
    WatchPlace place_;
    std::unique_ptr<WatchScanWorker> scan_;
    bool seriesRead_ = true;  // series.txt could be read when the scan started
    std::vector<WatchMatch> matches_;
    std::vector<WatchChange> changes_;
    size_t newCount_ = 0;
    size_t newNextCount_ = 0;
};

}  // namespace yomida

#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "engine/WatchScan.h"

namespace yomida {

// A watched title whose list moved it: to a later period (延期), or out of every list
// (取り消し?, a guess, since a list may also drop a title by mistake).
struct WatchChange {
    enum class Kind { Postponed, Withdrawn };
    Kind kind = Kind::Postponed;
    int category = 0;
    std::string fromPeriod;  // "2026/12"; a weekly list's first day, "2026/12/07"
    std::string toPeriod;    // the later period; empty when withdrawn
    std::string publisher;   // CP932, as the lists have them
    std::string title;
    std::string author;
    WatchMatch before;                // the row in the previous version of the list it left
    std::optional<WatchMatch> after;  // the row in the later list; none when withdrawn
};

// The changes among the watch matches, each title once: one that the previous version of its
// period's list had and the current one has not is postponed when a later period's list has it
// now, and withdrawn when no list has it. A title still in its own list is no change even when
// a later list has it too, as a monthly magazine is in every month. `current` are the scan's
// matches over `files`; only the previous versions are read here. Ordered by the period left,
// then category, publisher, title and author.
std::vector<WatchChange> FindWatchChanges(const std::vector<WatchFile>& files,
                                          const std::vector<WatchMatch>& current,
                                          const WatchWords& words);
// The scan of the folder's lists and of their previous versions, and the changes in them.
std::vector<WatchChange> ScanWatchChanges(const std::filesystem::path& dataFolder,
                                          const WatchWords& words, const WeekNumbering& weeks);

// "延期 2026/12→2027/01" or "取り消し?", CP932.
std::string WatchChangeText(const WatchChange& change);
// "延期" or "取り消し?", CP932.
std::string WatchChangeKindText(WatchChange::Kind kind);

// What the watch result shows: every match with its change, then every withdrawn title as its
// row in the previous version of its list.
struct WatchResultRow {
    WatchMatch match;
    std::string change;      // CP932; empty when the title did not move
    bool withdrawn = false;  // in no list now: a row of a previous version
};
std::vector<WatchResultRow> WatchResultRows(const std::vector<WatchMatch>& matches,
                                            const std::vector<WatchChange>& changes);

}  // namespace yomida

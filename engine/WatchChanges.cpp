#include "engine/WatchChanges.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <tuple>
#include <utility>

#include "platform/FileSystem.h"
#include "sources/Convert.h"
#include "sources/RecordLayout.h"
#include "text/Dates.h"
#include "text/SjisLiteral.h"

namespace yomida {
namespace {

using namespace std::chrono;

struct PeriodInfo {
    sys_days start{};
    std::string label;
};

using PeriodId = std::pair<int, std::string>;  // category, period key

std::string PeriodLabel(const WatchFile& file) {
    return file.weekDay ? FormatSlashDate(*file.weekDay) : YearMonthText(file.month, '/');
}

// A title across periods: the record number and the period are left out.
std::string TitleKey(const WatchMatch& m) {
    std::string key = std::to_string(m.category);
    for (const std::string* part :
         {&m.Cell(kPublisherCol), &m.Cell(kTitleCol), &m.Cell(kAuthorCol)}) {
        key += '\t';
        key += *part;
    }
    return key;
}

using Periods = std::map<PeriodId, PeriodInfo>;
using MatchesByTitle = std::map<std::string, std::vector<const WatchMatch*>>;
using TitlePeriods = std::set<std::pair<std::string, std::string>>;  // title key, period key

// Notes when each watched period starts and how it is shown, and returns the files that have a
// previous version to compare against.
std::vector<WatchFile> NotePeriods(const std::vector<WatchFile>& files, Periods& periods) {
    std::vector<WatchFile> previousFiles;
    for (const WatchFile& f : files) {
        periods[{f.category->number, f.periodKey}] = {
            f.weekDay ? sys_days{*f.weekDay} : sys_days{f.month / day{1}}, PeriodLabel(f)};
        const std::filesystem::path previous = PreviousVersionPath(f.path);
        if (FileExists(previous)) {
            WatchFile p = f;
            p.path = previous;
            previousFiles.push_back(std::move(p));
        }
    }
    return previousFiles;
}

const PeriodInfo* PeriodOf(const Periods& periods, const WatchMatch& m) {
    const auto it = periods.find({m.category, m.periodKey});
    return it != periods.end() ? &it->second : nullptr;
}

// The matches listed now, one per title and period; `listed` gets each title and period.
MatchesByTitle ListedNow(const std::vector<WatchMatch>& current, TitlePeriods& listed) {
    MatchesByTitle now;
    for (const WatchMatch& m : current) {
        // A record that is only a next volume is no watched title.
        if (!m.watched) {
            continue;
        }
        const std::string key = TitleKey(m);
        if (listed.insert({key, m.periodKey}).second) {
            now[key].push_back(&m);
        }
    }
    return now;
}

// The earlier matches, one per title and period, whose period is still watched but which are
// no longer listed there.
MatchesByTitle LeftSince(const std::vector<WatchMatch>& before, const TitlePeriods& listed,
                         const Periods& periods) {
    MatchesByTitle left;
    TitlePeriods leftSeen;
    for (const WatchMatch& m : before) {
        std::string key = TitleKey(m);
        if (PeriodOf(periods, m) != nullptr && !listed.contains({key, m.periodKey}) &&
            leftSeen.insert({key, m.periodKey}).second) {
            left[std::move(key)].push_back(&m);
        }
    }
    return left;
}

// The match in the first period, after the one the title first left, that lists it now.
const WatchMatch* ListedLater(const std::vector<const WatchMatch*>& listedNow,
                              const WatchMatch& firstGone, const Periods& periods) {
    const WatchMatch* after = nullptr;
    for (const WatchMatch* m : listedNow) {
        const PeriodInfo* p = PeriodOf(periods, *m);
        if (p != nullptr && p->start > PeriodOf(periods, firstGone)->start &&
            (after == nullptr || p->start < PeriodOf(periods, *after)->start)) {
            after = m;
        }
    }
    return after;
}

// What became of a title that left some periods: postponed, withdrawn, or nothing to report.
std::optional<WatchChange> ChangeOf(const std::string& key, std::vector<const WatchMatch*>& gone,
                                    const MatchesByTitle& now, const Periods& periods) {
    std::sort(gone.begin(), gone.end(), [&](const WatchMatch* a, const WatchMatch* b) {
        return PeriodOf(periods, *a)->start < PeriodOf(periods, *b)->start;
    });
    const auto listedNow = now.find(key);
    const WatchMatch* after =
        listedNow != now.end() ? ListedLater(listedNow->second, *gone.front(), periods) : nullptr;
    WatchChange c;
    if (after != nullptr) {
        c.kind = WatchChange::Kind::Postponed;
        c.before = *gone.front();
        c.after = *after;
        c.toPeriod = PeriodOf(periods, *after)->label;
    } else if (listedNow != now.end()) {
        return std::nullopt;  // moved to an earlier period: still on sale, and no later
    } else {
        c.kind = WatchChange::Kind::Withdrawn;
        c.before = *gone.back();
    }
    c.category = c.before.category;
    c.fromPeriod = PeriodOf(periods, c.before)->label;
    c.publisher = c.before.Cell(kPublisherCol);
    c.title = c.before.Cell(kTitleCol);
    c.author = c.before.Cell(kAuthorCol);
    return c;
}

}  // namespace

std::vector<WatchChange> FindWatchChanges(const std::vector<WatchFile>& files,
                                          const std::vector<WatchMatch>& current,
                                          const WatchWords& words) {
    Periods periods;
    const std::vector<WatchFile> previousFiles = NotePeriods(files, periods);
    if (previousFiles.empty()) {
        return {};
    }
    TitlePeriods listed;
    const MatchesByTitle now = ListedNow(current, listed);
    // The left matches point into this scan, so it lives until the changes are copied out.
    const WatchScanResult before = ScanWatchFiles(previousFiles, words);
    MatchesByTitle left = LeftSince(before.matches, listed, periods);

    std::vector<WatchChange> changes;
    for (auto& [key, gone] : left) {
        if (std::optional<WatchChange> c = ChangeOf(key, gone, now, periods)) {
            changes.push_back(std::move(*c));
        }
    }
    std::sort(changes.begin(), changes.end(), [&](const WatchChange& a, const WatchChange& b) {
        const sys_days aStart = PeriodOf(periods, a.before)->start;
        const sys_days bStart = PeriodOf(periods, b.before)->start;
        return std::tie(aStart, a.category, a.publisher, a.title, a.author) <
               std::tie(bStart, b.category, b.publisher, b.title, b.author);
    });
    return changes;
}

std::vector<WatchChange> ScanWatchChanges(const std::filesystem::path& dataFolder,
                                          const WatchWords& words, const WeekNumbering& weeks) {
    const std::vector<WatchFile> files = FindWatchFiles(dataFolder, weeks);
    return FindWatchChanges(files, ScanWatchFiles(files, words).matches, words);
}

std::string WatchChangeKindText(WatchChange::Kind kind) {
    return kind == WatchChange::Kind::Postponed ? "延期"_sj : "取り消し?"_sj;
}

std::string WatchChangeText(const WatchChange& change) {
    if (change.kind == WatchChange::Kind::Withdrawn) {
        return WatchChangeKindText(change.kind);
    }
    return WatchChangeKindText(change.kind) + " " + change.fromPeriod + "→"_sj + change.toPeriod;
}

std::vector<WatchResultRow> WatchResultRows(const std::vector<WatchMatch>& matches,
                                            const std::vector<WatchChange>& changes) {
    std::map<std::pair<std::string, std::string>, std::string> moved;  // title key, period key
    for (const WatchChange& c : changes) {
        if (c.after) {
            moved[{TitleKey(*c.after), c.after->periodKey}] = WatchChangeText(c);
        }
    }
    std::vector<WatchResultRow> rows;
    rows.reserve(matches.size());
    for (const WatchMatch& m : matches) {
        const auto it = moved.find({TitleKey(m), m.periodKey});
        rows.push_back({m, it != moved.end() ? it->second : std::string(), false});
    }
    for (const WatchChange& c : changes) {
        if (!c.after) {
            rows.push_back({c.before, WatchChangeText(c), true});
        }
    }
    // The withdrawn rows among the others, where their dates put them.
    std::stable_sort(
        rows.begin(), rows.end(), [](const WatchResultRow& a, const WatchResultRow& b) {
            return std::tie(a.match.month, a.match.dayKey, a.match.category, a.match.recordNumber) <
                   std::tie(b.match.month, b.match.dayKey, b.match.category, b.match.recordNumber);
        });
    return rows;
}

}  // namespace yomida

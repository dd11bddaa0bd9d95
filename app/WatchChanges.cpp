#include "app/WatchChanges.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <tuple>
#include <utility>

#include "platform/FileSystem.h"
#include "sources/Convert.h"
#include "sources/RecordLayout.h"
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
    char buf[16];
    if (file.weekDay) {
        std::snprintf(buf, sizeof buf, "%04d/%02u/%02u", static_cast<int>(file.weekDay->year()),
                      static_cast<unsigned>(file.weekDay->month()),
                      static_cast<unsigned>(file.weekDay->day()));
    } else {
        std::snprintf(buf, sizeof buf, "%04d/%02u", static_cast<int>(file.month.year()),
                      static_cast<unsigned>(file.month.month()));
    }
    return buf;
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

}  // namespace

std::vector<WatchChange> FindWatchChanges(const std::vector<WatchFile>& files,
                                          const std::vector<WatchMatch>& current,
                                          const WatchWords& words) {
    std::map<PeriodId, PeriodInfo> periods;
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
    if (previousFiles.empty()) {
        return {};
    }
    const auto periodOf = [&periods](const WatchMatch& m) -> const PeriodInfo* {
        const auto it = periods.find({m.category, m.periodKey});
        return it != periods.end() ? &it->second : nullptr;
    };

    std::set<std::pair<std::string, std::string>> listed;  // title key, period key
    std::map<std::string, std::vector<const WatchMatch*>> now;
    for (const WatchMatch& m : current) {
        const std::string key = TitleKey(m);
        if (listed.insert({key, m.periodKey}).second) {
            now[key].push_back(&m);
        }
    }
    const WatchScanResult before = ScanWatchFiles(previousFiles, words);
    std::map<std::string, std::vector<const WatchMatch*>> left;
    std::set<std::pair<std::string, std::string>> leftSeen;
    for (const WatchMatch& m : before.matches) {
        std::string key = TitleKey(m);
        if (periodOf(m) != nullptr && !listed.contains({key, m.periodKey}) &&
            leftSeen.insert({key, m.periodKey}).second) {
            left[std::move(key)].push_back(&m);
        }
    }

    std::vector<WatchChange> changes;
    for (auto& [key, gone] : left) {
        std::sort(gone.begin(), gone.end(), [&](const WatchMatch* a, const WatchMatch* b) {
            return periodOf(*a)->start < periodOf(*b)->start;
        });
        // The first period after the one it first left that lists it now.
        const WatchMatch* after = nullptr;
        if (const auto it = now.find(key); it != now.end()) {
            for (const WatchMatch* m : it->second) {
                const PeriodInfo* p = periodOf(*m);
                if (p != nullptr && p->start > periodOf(*gone.front())->start &&
                    (after == nullptr || p->start < periodOf(*after)->start)) {
                    after = m;
                }
            }
        }
        WatchChange c;
        if (after != nullptr) {
            c.kind = WatchChange::Kind::Postponed;
            c.before = *gone.front();
            c.after = *after;
            c.toPeriod = periodOf(*after)->label;
        } else if (now.contains(key)) {
            continue;  // moved to an earlier period: still on sale, and no later
        } else {
            c.kind = WatchChange::Kind::Withdrawn;
            c.before = *gone.back();
        }
        c.category = c.before.category;
        c.fromPeriod = periodOf(c.before)->label;
        c.publisher = c.before.Cell(kPublisherCol);
        c.title = c.before.Cell(kTitleCol);
        c.author = c.before.Cell(kAuthorCol);
        changes.push_back(std::move(c));
    }
    std::sort(changes.begin(), changes.end(), [&](const WatchChange& a, const WatchChange& b) {
        return std::tie(periodOf(a.before)->start, a.category, a.publisher, a.title, a.author) <
               std::tie(periodOf(b.before)->start, b.category, b.publisher, b.title, b.author);
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

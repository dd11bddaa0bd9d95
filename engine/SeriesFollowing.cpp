#include "engine/SeriesFollowing.h"

#include <exception>
#include <optional>
#include <stdexcept>
#include <tuple>

#include "engine/FollowedSeriesIndex.h"
#include "engine/ReleaseRecordReader.h"
#include "engine/SeriesTitleReader.h"
#include "platform/FileSystem.h"
#include "sources/RecordLayout.h"
#include "text/Numbers.h"

namespace yomida {
namespace {

using namespace std::chrono;

// A record's date as the watch scan writes it: "2026/12/05", "2026/12/上", a weekly list's
// first day for a record without one, or the month and whatever the list says.
std::string SeriesDateText(const WatchFile& file, const std::string& day) {
    if (file.weekDay && day.empty()) {
        return FormatSlashDate(*file.weekDay);
    }
    const std::optional<int> number = AllDigits(day) ? TryStrToInt(day) : std::nullopt;
    if (number && *number >= 1 && *number <= 31) {
        return MonthPrefix(file.month) + TwoDigits(static_cast<unsigned>(*number));
    }
    return MonthPrefix(file.month) + day;
}

void LookThroughFile(const WatchFile& file, const FollowedSeriesIndex& keys,
                     SeriesTitleReader& reader, StoredVolumes& found) {
    // A FIFO by a data file's name would keep the look waiting for ever.
    if (!FileExists(file.path)) {
        throw std::runtime_error("not a regular file");
    }
    ReleaseRecordReader records(file.path);
    Release release;
    SeriesTitle title;
    while (records.Next(release)) {
        if (release.FieldCount() <= kTitleCol || ReleaseRecordReader::IsHeader(release)) {
            continue;
        }
        // Every numbered volume is above the 0 the keys are indexed with.
        if (keys.NextVolumeOf(reader, release.RawField(kTitleCol), title) == nullptr) {
            continue;
        }
        StoredVolume& best = found.byKey[title.key];
        if (std::tie(title.volume, file.month) <= std::tie(best.volume, best.month)) {
            continue;
        }
        best.volume = title.volume;
        best.month = file.month;
        best.date = SeriesDateText(file, std::string(release.Day()));
        best.category = file.category->number;
    }
    records.Close();
}

struct NearestNext {
    int volume = 0;
    std::string date;
    int category = 0;
};

// The nearest next volume of each series among the matches, which come in watch order.
std::unordered_map<std::string, NearestNext> NearestNextVolumes(
    const std::vector<WatchMatch>& matches) {
    std::unordered_map<std::string, NearestNext> nearest;
    for (const WatchMatch& m : matches) {
        if (!m.isNext) {
            continue;
        }
        NearestNext& n = nearest[m.seriesKey];
        if (n.volume == 0 || m.volume < n.volume) {
            n = {m.volume, m.dateText, m.category};
        }
    }
    return nearest;
}

// Sets each series' next volume to the one found, or to none; answers whether any changed.
bool SetNextVolumes(std::vector<FollowedSeries>& series,
                    const std::unordered_map<std::string, NearestNext>& nearest) {
    bool changed = false;
    for (FollowedSeries& s : series) {
        const auto it = nearest.find(s.key);
        // The highest seen may have been raised since the scan began.
        NearestNext n =
            it != nearest.end() && it->second.volume > s.volume ? it->second : NearestNext{};
        if (std::tie(s.nextVolume, s.nextDate, s.nextCategory) !=
            std::tie(n.volume, n.date, n.category)) {
            s.nextVolume = n.volume;
            s.nextDate = std::move(n.date);
            s.nextCategory = n.category;
            changed = true;
        }
    }
    return changed;
}

}  // namespace

std::vector<FollowedSeries> FollowedSeriesOf(const std::filesystem::path& dataFolder,
                                             std::string& error) {
    try {
        return SeriesStore(dataFolder).Read().series;
    } catch (const std::exception& e) {
        error = e.what();
        return {};
    }
}

void RecordNextVolumes(const std::filesystem::path& dataFolder,
                       const std::vector<WatchMatch>& matches) {
    SeriesStore store(dataFolder);
    const std::unordered_map<std::string, NearestNext> nearest = NearestNextVolumes(matches);
    // Most scans change nothing: the file is then left as it is.
    std::vector<FollowedSeries> now = store.Read().series;
    if (!SetNextVolumes(now, nearest)) {
        return;
    }
    store.Change(
        [&nearest](std::vector<FollowedSeries>& series) { SetNextVolumes(series, nearest); });
}

StoredVolumes FindStoredVolumes(const std::vector<WatchFile>& files,
                                const std::unordered_set<std::string>& keys) {
    StoredVolumes found;
    if (keys.empty()) {
        return found;
    }
    std::vector<FollowedSeries> wanted(keys.size());
    auto key = keys.begin();
    for (FollowedSeries& s : wanted) {
        s.key = *key++;
    }
    const FollowedSeriesIndex index(std::move(wanted));
    SeriesTitleReader reader;
    for (const WatchFile& file : files) {
        // What a broken list held before it broke still counts; the list is counted as skipped.
        try {
            LookThroughFile(file, index, reader, found);
            ++found.filesRead;
        } catch (const std::exception&) {
            ++found.filesSkipped;
        }
    }
    return found;
}

namespace {

// Records what following gave each title that names a series.
FollowTitlesResult FollowAll(std::vector<TitleFollow> titles, const std::filesystem::path& folder) {
    FollowTitlesResult result;
    result.titles = std::move(titles);
    std::vector<FollowedSeries> toFollow;
    for (const TitleFollow& follow : result.titles) {
        if (!follow.series.key.empty()) {
            toFollow.push_back(follow.series);
        }
    }
    if (toFollow.empty()) {
        return result;
    }
    const SeriesStore::FollowResult followed = SeriesStore(folder).Follow(toFollow);
    result.setAside = followed.setAside;
    size_t next = 0;
    for (TitleFollow& follow : result.titles) {
        if (!follow.series.key.empty()) {
            follow.outcome = followed.outcomes[next];
            follow.series = followed.recorded[next];
            ++next;
        }
    }
    return result;
}

}  // namespace

FollowTitlesResult FollowRecords(const std::optional<WatchFile>& list,
                                 const std::vector<Release>& records,
                                 const std::filesystem::path& dataFolder) {
    SeriesTitleReader reader;
    std::vector<TitleFollow> titles;
    for (const Release& r : records) {
        const SeriesTitle read = reader.Read(r.Title());
        TitleFollow follow;
        follow.series.key = read.key;
        follow.series.title = std::string(r.Title());
        follow.series.volume = read.volume;
        if (list) {
            follow.series.date = SeriesDateText(*list, std::string(r.Day()));
            follow.series.category = list->category->number;
        }
        titles.push_back(std::move(follow));
    }
    return FollowAll(std::move(titles), dataFolder);
}

FollowTitlesResult FollowTitles(const std::filesystem::path& dataFolder,
                                const std::vector<std::string>& titles,
                                const WeekNumbering& weeks) {
    FollowTitlesResult result;
    SeriesTitleReader reader;
    std::unordered_set<std::string> keys;
    for (const std::string& title : titles) {
        const SeriesTitle read = reader.Read(title);
        TitleFollow follow;
        follow.series.key = read.key;
        follow.series.title = title;
        follow.series.volume = read.volume;
        if (!read.key.empty()) {
            keys.insert(read.key);
        }
        result.titles.push_back(std::move(follow));
    }
    const StoredVolumes stored = FindStoredVolumes(FindWatchFiles(dataFolder, weeks), keys);
    for (TitleFollow& follow : result.titles) {
        const auto it = stored.byKey.find(follow.series.key);
        if (it != stored.byKey.end() && it->second.volume >= follow.series.volume) {
            follow.series.volume = it->second.volume;
            follow.series.date = it->second.date;
            follow.series.category = it->second.category;
        }
    }
    FollowTitlesResult followed = FollowAll(std::move(result.titles), dataFolder);
    followed.filesSkipped = stored.filesSkipped;
    return followed;
}

}  // namespace yomida

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

}  // namespace

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
    result.filesSkipped = stored.filesSkipped;
    std::vector<FollowedSeries> toFollow;
    for (TitleFollow& follow : result.titles) {
        const auto it = stored.byKey.find(follow.series.key);
        if (it != stored.byKey.end() && it->second.volume >= follow.series.volume) {
            follow.series.volume = it->second.volume;
            follow.series.date = it->second.date;
            follow.series.category = it->second.category;
        }
        if (!follow.series.key.empty()) {
            toFollow.push_back(follow.series);
        }
    }
    if (toFollow.empty()) {
        return result;
    }
    const SeriesStore::FollowResult followed = SeriesStore(dataFolder).Follow(toFollow);
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

}  // namespace yomida

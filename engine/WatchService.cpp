#include "engine/WatchService.h"

#include <algorithm>
#include <utility>

#include "engine/SeriesFollowing.h"
#include "engine/WatchMemory.h"
#include "platform/FileSystem.h"
#include "sources/RecordLayout.h"

namespace yomida {

WatchPlace WatchPlace::Of(const SettingsRecord& settings) {
    return {settings.dataFolder,
            {settings.watchPublisher, settings.watchTitle, settings.watchAuthor},
            settings.Weeks(),
            settings.scheduleAlarm};
}

bool WatchPlace::Empty() const {
    return words.Empty() && !FileExists(dataFolder / SeriesStore::kFileName);
}

namespace {

// Counts the matches marked new, of one list's or of all when `fileName` is empty: the next
// volumes apart, their titles after the watch matches'.
void CountFreshNews(WatchLook& look, const std::string& fileName = {}) {
    look.fresh = 0;
    look.freshNext = 0;
    look.freshTitles.clear();
    std::vector<NewsTitle> nextTitles;
    for (const WatchMatch& m : look.matches) {
        if (!m.isNew || (!fileName.empty() && m.fileName != fileName)) {
            continue;
        }
        if (m.isNext) {
            ++look.freshNext;
            nextTitles.push_back({m.category, m.Cell(kTitleCol), true, m.dateText});
        } else {
            ++look.fresh;
            look.freshTitles.push_back({m.category, m.Cell(kTitleCol)});
        }
    }
    look.freshTitles.insert(look.freshTitles.end(), nextTitles.begin(), nextTitles.end());
}

// After a conversion only the new list's new matches count, and nothing is remembered: the
// window's scan shows them and remembers them then.
void CountConvertedNews(WatchLook& look, const WatchMemory& memory,
                        const std::filesystem::path& list) {
    for (WatchMatch& m : look.matches) {
        m.isNew = memory.IsNew(m);
    }
    CountFreshNews(look, list.filename().string());
}

size_t CountMarkedNew(const std::vector<WatchMatch>& matches, bool next) {
    return static_cast<size_t>(std::count_if(matches.begin(), matches.end(), [next](const auto& m) {
        return m.isNew && m.isNext == next;
    }));
}

size_t CountNextVolumes(const std::vector<WatchMatch>& matches) {
    return static_cast<size_t>(std::count_if(matches.begin(), matches.end(),
                                             [](const WatchMatch& m) { return m.isNext; }));
}

void AddLookError(WatchLook& look, const std::string& error) {
    look.error += (look.error.empty() ? "" : "; ") + error;
}

// The followed series' next volumes go into series.txt, for the list of followed series; a
// failure there spoils nothing else the look found.
bool RecordNextVolumesOf(const std::filesystem::path& dataFolder,
                         const std::vector<WatchMatch>& matches, std::string& error) {
    try {
        RecordNextVolumes(dataFolder, matches);
        return true;
    } catch (const std::exception& e) {
        error = e.what();
        return false;
    }
}

// Rewrites the calendar and the feed, keeping what failed as the look's error; answers whether
// the feed now holds the news.
bool FeedTheLook(WatchLook& look, const std::filesystem::path& dataFolder,
                 const WatchFeedOptions& options) {
    const WatchFeedsResult fed = RewriteWatchFeeds(dataFolder, look.matches, options);
    for (const std::string* error : {&fed.calendarError, &fed.feedError}) {
        if (!error->empty()) {
            AddLookError(look, *error);
        }
    }
    look.feedsWritten = fed.calendarError.empty() && fed.feedError.empty();
    return fed.feedError.empty();
}

// The matches not reported before are marked new for the feed, and remembered as reported only
// once the feed holds them: news that a full disk kept from the feed is news again next time.
void ReportNewsThroughTheFeed(WatchLook& look, const WatchLookRequest& request) {
    std::optional<WatchMemory> memory;
    try {
        memory.emplace(request.memoryFile);
        for (WatchMatch& m : look.matches) {
            m.isNew = memory->IsNew(m);
        }
    } catch (const std::exception& e) {
        look.memoryError = e.what();
    }
    const bool fed = FeedTheLook(look, request.place.dataFolder, request.feeds);
    if (memory && fed) {
        try {
            memory->MarkNewAndRemember(look.matches);
        } catch (const std::exception& e) {
            look.memoryError = e.what();
        }
    }
    CountFreshNews(look);
}

}  // namespace

WatchLook LookAtWatchLists(const WatchLookRequest& request) {
    const WatchPlace& place = request.place;
    const bool converted = !request.convertedList.empty();
    WatchLook look;
    std::optional<WatchMemory> memory;
    if (converted) {
        try {
            memory.emplace(request.memoryFile);
        } catch (const std::exception& e) {
            look.memoryError = e.what();
            return look;
        }
        if (!ParseWatchFileName(request.convertedList, place.weeks) || memory->FirstLook() ||
            !FileExists(request.convertedList)) {
            return look;
        }
    }
    look.looked = true;
    std::string seriesError;
    const std::vector<FollowedSeries> followed = FollowedSeriesOf(place.dataFolder, seriesError);
    look.matches =
        ScanWatchFiles(FindWatchFiles(place.dataFolder, place.weeks), place.words, followed)
            .matches;
    if (seriesError.empty()) {
        RecordNextVolumesOf(place.dataFolder, look.matches, seriesError);
    }
    if (!seriesError.empty()) {
        AddLookError(look, "series.txt: " + seriesError);
    }
    try {
        // A new list may also have moved a watched title to a later period or dropped it.
        look.changes = ScanWatchChanges(place.dataFolder, place.words, place.weeks).size();
    } catch (const std::exception& e) {
        look.error = e.what();
    }
    if (converted) {
        CountConvertedNews(look, *memory, request.convertedList);
        FeedTheLook(look, place.dataFolder, request.feeds);
    } else {
        ReportNewsThroughTheFeed(look, request);
    }
    return look;
}

WatchService::WatchService(const Clock& clock) : clock_(clock) {}

WatchService::~WatchService() = default;

void WatchService::Start(const WatchPlace& place) {
    place_ = place;
    std::string seriesError;
    std::vector<FollowedSeries> followed = FollowedSeriesOf(place.dataFolder, seriesError);
    seriesRead_ = seriesError.empty();
    scan_ = std::make_unique<WatchScanWorker>(FindWatchFiles(place.dataFolder, place.weeks),
                                              place.words, std::move(followed), workers_);
}

size_t WatchService::Done() const {
    return scan_ ? scan_->Done() : 0;
}

size_t WatchService::Total() const {
    return scan_ ? scan_->Total() : 0;
}

bool WatchService::Step() {
    return !scan_ || scan_->Step();
}

void WatchService::Cancel() {
    if (scan_) {
        scan_->Cancel();
    }
}

WatchService::Ending WatchService::Finish() {
    Ending ending;
    if (!scan_) {
        return ending;
    }
    const std::unique_ptr<WatchScanWorker> scan = std::move(scan_);
    WatchScanResult result = scan->Wait();
    if (scan->Cancelled()) {
        ending.state = State::Cancelled;
        return ending;
    }
    WatchMemory memory(place_.dataFolder / WatchMemory::kWindowFile);
    for (WatchMatch& m : result.matches) {
        m.isNew = memory.IsNew(m);
    }
    // The matches are shown whether or not the subscribed files could be rewritten; they are
    // remembered as shown only once the feed holds the new ones, or the feed would never have
    // them.
    const WatchFeedsResult fed = RewriteWatchFeeds(place_.dataFolder, result.matches,
                                                   CurrentWatchFeedOptions(clock_, place_.alarm));
    ending.feedsWritten = fed.calendarError.empty() && fed.feedError.empty();
    if (fed.feedError.empty()) {
        memory.MarkNewAndRemember(result.matches);
    }
    ending.fresh = CountMarkedNew(result.matches, false);
    ending.freshNext = CountMarkedNew(result.matches, true);
    ending.nextVolumes = CountNextVolumes(result.matches);
    std::string seriesError;
    ending.seriesWritten =
        seriesRead_ && RecordNextVolumesOf(place_.dataFolder, result.matches, seriesError);
    // Only the previous versions are read here; the current lists were read by the scan.
    changes_ = FindWatchChanges(FindWatchFiles(place_.dataFolder, place_.weeks), result.matches,
                                place_.words);
    matches_ = std::move(result.matches);
    newCount_ = 0;
    newNextCount_ = 0;
    ending.state = State::Ended;
    ending.filesSkipped = result.filesSkipped;
    return ending;
}

void WatchService::NoteNewList(const WatchLook& look) {
    // The feeds only follow the matches: news they could not take is news all the same.
    const bool failed = !look.memoryError.empty() || (look.looked && !look.changes) ||
                        (!look.looked && !look.error.empty());
    if (failed) {
        newCount_ = 0;
        newNextCount_ = 0;
    } else if (look.fresh + look.freshNext > 0) {
        newCount_ = look.fresh + look.freshNext;
        newNextCount_ = look.freshNext;
    }
}

std::optional<WatchFile> WatchService::ListOf(const WatchPlace& place, const WatchMatch& match) {
    return ParseWatchFileName(place.dataFolder / match.fileName, place.weeks);
}

std::optional<size_t> WatchService::IndexOf(const std::vector<Release>& rows,
                                            const WatchMatch& match) {
    for (size_t r = 0; r < rows.size(); ++r) {
        if (rows[r].Number() == match.Cell(kNumberCol)) {
            return r;
        }
    }
    return std::nullopt;
}

}  // namespace yomida

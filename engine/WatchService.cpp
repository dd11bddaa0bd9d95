#include "engine/WatchService.h"

#include <utility>

#include "engine/WatchMemory.h"
#include "platform/FileSystem.h"
#include "platform/IoError.h"
#include "sources/RecordLayout.h"

namespace yomida {

WatchPlace WatchPlace::Of(const SettingsRecord& settings) {
    return {settings.dataFolder,
            {settings.watchPublisher, settings.watchTitle, settings.watchAuthor},
            settings.Weeks(),
            settings.scheduleAlarm};
}

namespace {

// After a conversion only the new list's new matches count, and nothing is remembered: the
// window's scan shows them and remembers them then.
void CountConvertedNews(WatchLook& look, const WatchMemory& memory,
                        const std::filesystem::path& list) {
    const std::string name = list.filename().string();
    for (WatchMatch& m : look.matches) {
        m.isNew = memory.IsNew(m);
        if (m.isNew && m.fileName == name) {
            ++look.fresh;
            look.freshTitles.push_back({m.category, m.Cell(kTitleCol)});
        }
    }
}

void CountAndRememberNews(WatchLook& look, const std::filesystem::path& memoryFile) {
    try {
        WatchMemory memory(memoryFile);
        look.fresh = memory.MarkNewAndRemember(look.matches);
    } catch (const std::exception& e) {
        look.memoryError = e.what();
    }
    for (const WatchMatch& m : look.matches) {
        if (m.isNew) {
            look.freshTitles.push_back({m.category, m.Cell(kTitleCol)});
        }
    }
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
    look.matches =
        ScanWatchFiles(FindWatchFiles(place.dataFolder, place.weeks), place.words).matches;
    if (converted) {
        CountConvertedNews(look, *memory, request.convertedList);
    } else {
        CountAndRememberNews(look, request.memoryFile);
    }
    try {
        // A new list may also have moved a watched title to a later period or dropped it.
        look.changes = ScanWatchChanges(place.dataFolder, place.words, place.weeks).size();
        WriteWatchFeeds(place.dataFolder, look.matches, request.feeds);
        look.feedsWritten = true;
    } catch (const std::exception& e) {
        look.error = e.what();
    }
    return look;
}

WatchService::WatchService(const Clock& clock) : clock_(clock) {}

WatchService::~WatchService() = default;

void WatchService::Start(const WatchPlace& place) {
    place_ = place;
    scan_ = std::make_unique<WatchScanWorker>(FindWatchFiles(place.dataFolder, place.weeks),
                                              place.words, workers_);
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
    ending.fresh = memory.MarkNewAndRemember(result.matches);
    // Only the previous versions are read here; the current lists were read by the scan.
    changes_ = FindWatchChanges(FindWatchFiles(place_.dataFolder, place_.weeks), result.matches,
                                place_.words);
    matches_ = std::move(result.matches);
    newCount_ = 0;
    ending.state = State::Ended;
    ending.filesSkipped = result.filesSkipped;
    // The matches are shown whether or not the subscribed files could be rewritten.
    try {
        WriteWatchFeeds(place_.dataFolder, matches_, CurrentWatchFeedOptions(clock_, place_.alarm));
    } catch (const IoError&) {
        ending.feedsWritten = false;
    }
    return ending;
}

WatchLook WatchService::LookAtConverted(const WatchPlace& place,
                                        const std::filesystem::path& dataFile) {
    WatchLook look;
    try {
        look = LookAtWatchLists({place, place.dataFolder / WatchMemory::kWindowFile, dataFile,
                                 CurrentWatchFeedOptions(clock_, place.alarm)});
    } catch (const std::exception& e) {
        look.error = e.what();
    }
    // The feeds only follow the matches: news they could not take is news all the same.
    const bool failed = !look.memoryError.empty() || (look.looked && !look.changes) ||
                        (!look.looked && !look.error.empty());
    if (failed) {
        newCount_ = 0;
    } else if (look.fresh > 0) {
        newCount_ = look.fresh;
    }
    return look;
}

std::optional<WatchFile> WatchService::ListOf(const WatchPlace& place, const WatchMatch& match) {
    return ParseWatchFileName(place.dataFolder / match.fileName, place.weeks);
}

std::optional<int> WatchService::RowOf(const ComboGrid& grid, const WatchMatch& match) {
    for (int r = ComboGrid::kFixedRows; r < grid.RowCount(); ++r) {
        if (grid.Cell(kNumberCol, r) == match.Cell(kNumberCol)) {
            return r;
        }
    }
    return std::nullopt;
}

}  // namespace yomida

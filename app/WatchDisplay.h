#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/BusyDisplay.h"
#include "app/Controls.h"
#include "engine/WatchService.h"
#include "platform/Clock.h"
#include "platform/Ui.h"
#include "settings/SettingsRecord.h"

namespace yomida {

// The watch as the main window shows it: the scan over every stored list, started by a handler
// and stepped from the window's own event loop with its progress in the status bar and the busy
// display, and the news of the lists converted since. Texts are CP932.
class WatchDisplay {
public:
    using State = WatchService::State;
    // Told of the new matches a conversion found (their count and titles) and of the changes.
    using NewsHandler =
        std::function<void(size_t fresh, const std::vector<NewsTitle>& titles, size_t changes)>;

    // `windowBusy` tells whether a display or an import is running, which a scan waits out.
    WatchDisplay(Ui& ui, const Clock& clock, const SettingsRecord& settings, StatusPanel& status,
                 BusyDisplay& busy, std::function<bool()> windowBusy);

    // Starts the scan on worker threads and returns; the window counts as busy until
    // WatchScanStep finds the scan ended.
    void WatchScanExecute();
    // Shows the running scan's progress, and ends it once every file is read.
    State WatchScanStep();
    // Waits for the running scan to end, then ends it as WatchScanStep does.
    State WatchScanWait() { return service_.Running() ? EndWatchScan() : State::Idle; }
    bool WatchScanning() const { return service_.Running(); }
    void Cancel() {
        if (service_.Running()) {
            service_.Cancel();
        }
    }
    void SetWatchScanWorkers(std::optional<size_t> workers) { service_.SetWorkers(workers); }
    // The last scan's matches and changes, and the news of the conversions since.
    const WatchService& Service() const { return service_; }

    // Tells of the new matches a look at a list an update has just stored found.
    void ShowNewListNews(const WatchLook& look);
    // How the calendar and the feed are written now.
    WatchFeedOptions FeedOptions() const;
    void SetNewsHandler(NewsHandler handler) { onNews_ = std::move(handler); }

private:
    void ShowWatchProgress();
    State EndWatchScan();

    Ui& ui_;
    const Clock& clock_;
    const SettingsRecord& settings_;
    StatusPanel& status_;
    BusyDisplay& busy_;
    std::function<bool()> windowBusy_;
    WatchService service_;
    NewsHandler onNews_;
    CursorShape cursorBeforeScan_ = CursorShape::Default;
};

}  // namespace yomida

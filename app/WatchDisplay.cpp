#include "app/WatchDisplay.h"

#include <algorithm>
#include <utility>

#include "app/WatchStatus.h"
#include "platform/ScopeExit.h"

namespace yomida {

WatchDisplay::WatchDisplay(Ui& ui, const Clock& clock, const SettingsRecord& settings,
                           StatusPanel& status, BusyDisplay& busy, std::function<bool()> windowBusy)
    : ui_(ui),
      clock_(clock),
      settings_(settings),
      status_(status),
      busy_(busy),
      windowBusy_(std::move(windowBusy)),
      service_(clock) {}

void WatchDisplay::WatchScanExecute() {
    if (service_.Running() || windowBusy_()) {
        return;
    }
    service_.Start(WatchPlace::Of(settings_));
    cursorBeforeScan_ = ui_.Cursor();
    ui_.SetCursor(CursorShape::Hourglass);
    busy_.ShowProgress();
    ShowWatchProgress();
}

void WatchDisplay::ShowWatchProgress() {
    status_.text = WatchProgressText(service_.Done(), service_.Total());
    busy_.ShowFraction(service_.Done(), service_.Total());
}

WatchDisplay::State WatchDisplay::WatchScanStep() {
    if (service_.Running() && !service_.Step()) {
        ShowWatchProgress();
        return State::Running;
    }
    return WatchScanWait();
}

WatchDisplay::State WatchDisplay::EndWatchScan() {
    // The window is free again whatever happens below.
    const ScopeExit reset([this] {
        busy_.HideProgress();
        ui_.SetCursor(cursorBeforeScan_);
    });
    const WatchService::Ending end = service_.Finish();
    const std::vector<WatchMatch>& matches = service_.Matches();
    const auto watched = std::count_if(matches.begin(), matches.end(),
                                       [](const WatchMatch& m) { return m.watched; });
    status_.text = WatchEndText(end, static_cast<size_t>(watched));
    return end.state;
}

WatchFeedOptions WatchDisplay::FeedOptions() const {
    return CurrentWatchFeedOptions(clock_, settings_.scheduleAlarm);
}

void WatchDisplay::ShowNewListNews(const WatchLook& look) {
    service_.NoteNewList(look);
    // The watch only reports; a failure here must never spoil the display that follows.
    if (!look.changes) {
        return;
    }
    if (look.fresh + look.freshNext > 0) {
        status_.text = WatchNewsText(look.fresh, look.freshNext);
        ui_.Repaint();
    }
    try {
        if ((look.fresh + look.freshNext > 0 || *look.changes > 0) && onNews_) {
            onNews_(look.fresh, look.freshTitles, *look.changes);
        }
    } catch (const std::exception&) {
    }
}

}  // namespace yomida

#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "app/BusyDisplay.h"
#include "app/CategoryTree.h"
#include "app/Controls.h"
#include "app/WatchDisplay.h"
#include "app/WindowFetchPolicy.h"
#include "download/SourceFetcher.h"
#include "engine/ListUpdate.h"
#include "platform/Clock.h"
#include "platform/Ui.h"
#include "settings/SettingsRecord.h"

namespace yomida {

// The selected category's data file and page for the period the window shows, and the window's
// way of bringing its list up to date through the engine: the questions asked in boxes, the
// transfer shown in the status bar and the busy display, what the update left to say shown
// after it. A new list is handed to the watch; after each update the tree marks the failures
// the health file records.
class CategorySource {
public:
    // What the source needs of the window: the settings, the period shown (a day and the weekly
    // list's week), the controls an update shows itself in, and the busy display's switch.
    struct Window {
        SettingsRecord& settings;
        const std::chrono::year_month_day& target;
        const int& week;
        StatusPanel& status;
        BusyDisplay& busy;
        ActionState& forcedDownload;
        CategoryTree& tree;
        WatchDisplay& watch;
        std::function<void(bool on)> setBusyDisplay;
    };

    // The download manager is handed in, so tests can hand in their own.
    CategorySource(Ui& ui, const Clock& clock, SourceFetcher& fetcher, Window window);

    // Takes the settings file's hosts and URL templates.
    void UseSettings(const SettingsRecord& settings) { lists_.UseSettings(settings); }

    // Brings the selected category's list of the period shown up to date as the display does:
    // the month probe, a missing, forced or newer list downloaded after asking. True when the
    // stored list is to be shown now.
    [[nodiscard]] bool Update();
    // A file dropped on the window replaces the list, after asking when one is stored. True when
    // the stored list is to be shown now.
    [[nodiscard]] bool Import(const std::filesystem::path& file);
    // The data file and page of a category for the period shown, without the network.
    SourceLocation Locate(int category) const;

    // The progress of a transfer: the kilobytes received of those announced (0: none).
    void ShowReceived(uint64_t received, uint64_t announced);
    // The cancel button was pressed: the transfer that runs stops.
    void Cancel() { cancelClicked_ = true; }

    // The data file and page, as the last update or import left them.
    const SourceLocation& Location() const { return location_; }
    const std::filesystem::path& DataFilePath() const { return location_.dataFile; }
    const std::string& SourceURL() const { return location_.sourceUrl; }
    // Points the window at a data file and page without resolving them: the next load, tick
    // save or browser command takes them.
    void UseSource(SourceLocation source) { location_ = std::move(source); }
    // The settings file's hosts and URL templates, as the updates use them.
    const ListUpdate& Updates() const { return lists_; }

private:
    // What an update of the selected category and period is asked now.
    ListUpdateRequest Request();
    // Takes back what an update changed, shows what it left to say, marks the tree and hands a
    // new list to the watch; returns whether the stored list is to be shown.
    bool Show(const ListUpdateResult& result);

    Ui& ui_;
    Window window_;
    ListUpdate lists_;
    WindowFetchPolicy policy_;
    SourceLocation location_;
    std::string stampPrefix_;     // "\"stamp\"," of the last direct fetch, empty before one
    bool cancelClicked_ = false;  // the cancel button was pressed during the current request
};

}  // namespace yomida

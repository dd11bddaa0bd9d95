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
#include "download/SourceFetcher.h"
#include "engine/Updater.h"
#include "platform/Clock.h"
#include "platform/Ui.h"
#include "settings/SettingsRecord.h"

namespace yomida {

// The selected category's data file and page for the period the window shows, and the window's
// way of getting them through the updater: the month probe, the update check, the fetch and the
// import, with the transfer shown in the status bar and the busy display. A list converted anew
// is handed to the watch; after each step the tree marks the failures the health file records.
class CategorySource {
public:
    // What the source needs of the window: the settings, the period shown (a day and the weekly
    // list's week), the controls a fetch shows itself in, and the busy display's switch.
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
    void UseSettings(const SettingsRecord& settings) { updater_.UseSettings(settings); }
    // Notes whether the category is downloaded by the program itself.
    void SelectCategory(int category);
    // Resolves the selected category's data file and page; false when the month probe failed.
    [[nodiscard]] bool ResolveCategorySource();

    // What a fetch of the selected category and period is asked to do now.
    FetchContext ContextForFetch();
    // Fetches or imports through the updater; a list converted anew is looked at for new watch
    // matches. The fetch and the check are true when they ran to their end; a failed import
    // keeps the previous list.
    [[nodiscard]] bool FetchSource(const FetchContext& context);
    [[nodiscard]] bool CheckForUpdate(const FetchContext& context);
    void Import(const FetchContext& context, const std::filesystem::path& file);

    // The progress of a transfer: the kilobytes received of those announced (0: none).
    void ShowReceived(uint64_t received, uint64_t announced);
    // The cancel button was pressed: the transfer that runs stops.
    void Cancel() { cancelClicked_ = true; }

    // The data file and page, as the last resolve left them.
    const SourceLocation& Location() const { return location_; }
    const std::filesystem::path& DataFilePath() const { return location_.dataFile; }
    const std::string& SourceURL() const { return location_.sourceUrl; }
    // Points the window at a data file and page without resolving them: the next load, tick
    // save or browser command takes them.
    void UseSource(SourceLocation source) { location_ = std::move(source); }
    // Whether the selected category is downloaded by the program itself.
    bool DirectFetch() const { return directFetch_; }
    // The settings file's hosts and URL templates, as the updates use them.
    const Updater& Updates() const { return updater_; }

private:
    // Runs one step of getting a list, takes back what it changed and marks the tree as the
    // health file now says; returns the step's ranToEnd.
    [[nodiscard]] bool RunStep(const std::function<StepResult()>& step);

    Ui& ui_;
    Window window_;
    Updater updater_;
    SourceLocation location_;
    bool directFetch_ = false;
    std::string stampPrefix_;     // "\"stamp\"," of the last direct fetch, empty before one
    bool cancelClicked_ = false;  // the cancel button was pressed during the current request
};

}  // namespace yomida

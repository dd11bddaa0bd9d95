#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "download/SourceFetcher.h"
#include "engine/HealthWatch.h"
#include "engine/WatchService.h"
#include "platform/Clock.h"
#include "platform/Notice.h"
#include "settings/SettingsRecord.h"
#include "sources/Catalogue.h"

namespace yomida {

// Where a category's list of one period lives and where its page comes from.
struct SourceLocation {
    std::filesystem::path dataFile;
    std::string sourceUrl;
};

// What bringing one category's list of one period up to date is asked: which list, how its face
// wants it done, and the settings it reads.
struct ListUpdateRequest {
    int category = 0;
    std::chrono::year_month_day target{};  // a day of the period
    // The weekly list's week; left out, the week the settings' numbering gives `target`.
    std::optional<int> weekNumber;
    // The data folder, the import folders, LISTID, the week numbering and the proxy.
    SettingsRecord settings;
    bool online = true;       // offline nothing is asked of the network: only a stored list shows
    bool forced = false;      // download even though a list is stored
    bool updateCheck = true;  // ask whether a stored list's page is newer
    // Download a stored list whose page cannot tell whether it changed.
    bool fetchUnchecked = false;
    // Whether the program downloads the page itself; left out, as the settings' switch says.
    std::optional<bool> direct;
    std::string stampPrefix;  // of the last direct fetch, which an import by hand keeps
    // An error status is told with the page's address before its words, as the window tells it.
    bool failureNamesPage = false;
    std::filesystem::path downloadFile;  // where the page goes first; empty: download.dat
    int timeOutMs = 0;                   // of each request, 0 for none
    // The watch memory that tells the new list's news; empty: the new list is not looked at.
    std::filesystem::path watchMemory;
    WatchFeedOptions feeds;

    // While it works: the busy display, the status text, the forced download's toggle going
    // off, and the transfer's bytes, message loop and cancel.
    std::function<void(bool)> setBusyDisplay;
    std::function<void(const std::string&)> setStatusText;
    std::function<void()> clearForcedDownload;
    HttpProgress progress;
};

// What bringing a list up to date came to.
struct [[nodiscard]] ListUpdateResult {
    FetchOutcome outcome = FetchOutcome::NotServed;
    SourceLocation location;  // the data file is set even when the probe failed
    bool resolved = false;    // the source is known: the month probe, if any, passed
    bool hadList = false;     // a list was stored before
    bool downloaded = false;  // the page was asked for, not only whether it changed
    bool showList = false;    // the stored list is to be shown now
    int records = -1;         // of the stored list afterwards; -1 without one
    int httpStatus = 0;       // with HttpStatus
    std::string detail;       // the failure's own text (CP932), or empty
    std::string stamp;        // the stored list's update stamp afterwards (CP932)
    std::string healthError;  // why the health record could not be written (UTF-8), or empty
    Notices notices;          // what the face shows, in order
    // What the window keeps for the next fetch.
    std::string stampPrefix;
    bool forcedDownloadCleared = false;
    std::string neoWingFolder;
    std::string htmlFolder;
    std::optional<WatchLook> watch;  // the look at a new list, when one was stored

    bool Succeeded() const { return yomida::Succeeded(outcome); }
};

// Brings a category's list up to date, for the window and the command line alike: resolves the
// source (the month probe included), decides whether to download (a missing list, a forced
// download, a newer page), asks the face's policy where the window asks its user, downloads or
// imports and converts the page, records the source's health, and looks at a new list for the
// watch's news and feeds. Nothing is shown: the result says what happened, and the stored list
// is left whole on every failure.
class ListUpdate {
public:
    ListUpdate(SourceFetcher& fetcher, const Clock& clock) : fetcher_(fetcher), clock_(clock) {}

    // Takes the settings file's hosts and URL templates.
    void UseSettings(const SettingsRecord& settings);
    const HostTable& Hosts() const { return hosts_; }
    const SourceOverrides& Sources() const { return sources_; }

    // The data file and page without the network (no month probe). Throws ConversionError for
    // a setting the catalogue cannot use.
    SourceLocation Locate(const ListUpdateRequest& request) const;
    // The display's road: the list is fetched when it is missing, forced or newer, as the policy
    // answers.
    ListUpdateResult Run(const ListUpdateRequest& request, FetchPolicy& policy);
    // A page or CSV file the user already has becomes the list, after the policy agrees to
    // replace a stored one.
    ListUpdateResult Import(const ListUpdateRequest& request, const std::filesystem::path& file,
                            FetchPolicy& policy);

    // Whether the category is downloaded by the program itself for this request.
    static bool Direct(const ListUpdateRequest& request);

private:
    class Step;

    SourceQuery QueryOf(const ListUpdateRequest& request) const;

    SourceFetcher& fetcher_;
    const Clock& clock_;
    HostTable hosts_;
    SourceOverrides sources_;
};

}  // namespace yomida

#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "download/FetchOutcome.h"
#include "download/FetchPolicy.h"
#include "download/HttpClient.h"
#include "platform/Notice.h"
#include "platform/Result.h"
#include "settings/SettingsRecord.h"
#include "sources/Catalogue.h"

namespace yomida {

// What a fetch of one category's page is asked to do, and the settings it reads. Everything is
// a value: what the fetch changes comes back in its FetchResult.
struct FetchContext {
    int category = 0;
    bool directFetch = false;  // the category is fetched by the program itself
    std::string sourceUrl;
    std::filesystem::path dataFile;
    // Where the page is downloaded before it is converted; empty: download.dat in the data
    // folder. A second process updating the same folder gives its own, so that neither
    // converts the other's page.
    std::filesystem::path downloadFile;
    std::chrono::year_month_day target{};

    // From the settings.
    std::filesystem::path dataFolder;
    std::filesystem::path siblingProgram;  // the program that makes KOSUMIRA CSV files
    std::string neoWingFolder;             // where the import dialogs start
    std::string htmlFolder;
    std::string proxy;
    int proxyPort = 0;
    int timeOutMs = 0;  // of each request, 0 for none
    // The settings file's hosts and URL templates, which a source defined as data expands for
    // each of its requests; none: the defaults.
    const HostTable* hosts = nullptr;
    const SourceOverrides* sources = nullptr;

    // The "\"stamp\"," put before a converted list's header: that of the last direct fetch,
    // which an import by hand keeps.
    std::string stampPrefix;
    // Said when a server answers with an error status; empty says nothing.
    std::string httpFailureText;

    // Told as a fetch or an import starts that it clears the forced download, so that the
    // toggle shows unpressed before the transfer waits.
    std::function<void()> clearForcedDownload;
    std::function<void(bool)> setBusyDisplay;
    std::function<void(const std::string&)> setStatusText;
    // The bytes received, the message loop and the cancel button while a request waits.
    HttpProgress progress;

    // Takes the data folder, the import folders, the sibling program and the proxy.
    void UseSettings(const SettingsRecord& settings);
};

// What a fetch, an import or an update check came to.
struct [[nodiscard]] FetchResult {
    FetchOutcome outcome = FetchOutcome::ConversionError;
    // Of a fetch or an import: false tells the display to stop. Of an update check: the page is
    // newer than the stored list (a category without the check asks nothing: requested is
    // false).
    bool ranToEnd = false;
    bool requested = false;  // a request went out (its answer is in httpStatus)
    bool replaced = false;   // a new list is stored
    int httpStatus = 0;      // of the last request's answer, 0 without one
    int records = -1;        // records the page made; -1 when none was converted
    std::string detail;      // why it failed, CP932; empty on success
    Notices notices;         // what the face shows, in order

    std::string stampPrefix;  // to keep for the next import: changed only by a direct fetch
    bool forcedDownloadCleared = false;  // the DownLoad action's check mark goes off
    // The folder of a file chosen or dropped, for the next import of its kind; empty: none.
    std::string neoWingFolder;
    std::string htmlFolder;

    bool Cancelled() const { return outcome == FetchOutcome::Cancelled; }
};

// The refusal of the 本やタウン month probe: how it ended, for the health record, and what the
// user is told.
struct ProbeRefusal {
    FetchOutcome outcome = FetchOutcome::NotServed;
    int httpStatus = 0;
    std::string detail;  // CP932
    Notices notices;
};

// Whether the program downloads a category's page itself (the plain-text marker aside), with
// the user's switch for the categories that can also be imported by hand.
[[nodiscard]] bool FetchesDirectly(int category, const SettingsRecord& settings);

// What the update steps ask of the download manager; tests hand in their own.
class SourceFetcher {
public:
    virtual ~SourceFetcher() = default;
    // Fetches or imports the page of the category and converts it into its data file.
    virtual FetchResult FetchSource(const FetchContext& context, FetchPolicy& policy) = 0;
    // Converts a page or CSV file the user already has (dropped on the window) as the import
    // does after its file dialog; ranToEnd is false when it was not converted.
    virtual FetchResult ImportFile(const FetchContext& context, const std::filesystem::path& file,
                                   FetchPolicy& policy) = 0;
    // Whether the source page is newer than the data file.
    virtual FetchResult CheckForUpdate(const FetchContext& context, FetchPolicy& policy) = 0;
    // Whether the 本やタウン site lists the target month as its current month ("") or the one
    // before ("_old").
    virtual Result<std::string, ProbeRefusal> ProbeBookTownMonth(const FetchContext& context,
                                                                 const std::string& host,
                                                                 FetchPolicy& policy) = 0;
};

}  // namespace yomida

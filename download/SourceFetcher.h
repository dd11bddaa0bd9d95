#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "download/HttpClient.h"
#include "settings/SettingsRecord.h"

namespace yomida {

// The main window's state that a fetch reads and writes, handed in by the window.
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
    SettingsRecord* settings = nullptr;  // the remembered import folders, the program folder
    std::string* stampPrefix = nullptr;
    bool* forcedDownload = nullptr;  // the DownLoad action's check mark
    std::function<void(bool)> setBusyDisplay;
    std::function<void(const std::string&)> setStatusText;
    HttpClient* http = nullptr;
    bool* successFlag = nullptr;  // set by the client's success event for a GET
    // Set by a fetch: why the direct download of a category that can also be imported by hand
    // failed, or empty.
    std::string directFailure;
    // What the fetcher leaves for the source's health record: the error that ended its
    // request, and whether a page went to the converter.
    std::string requestError;
    bool conversionStarted = false;
};

// Whether the program downloads a category's page itself (the plain-text marker aside), with
// the user's switch for the categories that can also be imported by hand.
bool FetchesDirectly(int category, const SettingsRecord& settings);

// What the display driver asks of the download manager; tests hand in their own.
class SourceFetcher {
public:
    virtual ~SourceFetcher() = default;
    // Fetches or imports the page of the selected category and converts it into its data file;
    // false tells the display to stop.
    virtual bool FetchSource(FetchContext& context) = 0;
    // Converts a page or CSV file the user already has (dropped on the window) as the import
    // does after its file dialog; false when it was not converted.
    virtual bool ImportFile(FetchContext& context, const std::filesystem::path& file) {
        (void)context;
        (void)file;
        return false;
    }
    // Whether the source page is newer than the data file.
    virtual bool CheckForUpdate(FetchContext& context) = 0;
    // Whether the 本やタウン site lists the target month as its current month ("") or the one
    // before ("_old"); nothing when it does not, after telling the user why.
    virtual std::optional<std::string> ProbeBookTownMonth(FetchContext& context,
                                                          const std::string& host) = 0;
};

}  // namespace yomida

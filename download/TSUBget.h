#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "download/TNMHTTP.h"
#include "platform/Clock.h"
#include "platform/Ui.h"
#include "settings/SettingsRecord.h"
#include "text/Scrambler.h"

namespace yomida {

// The main window's state that a fetch reads and writes, handed in by the window.
struct FetchContext {
    int category = 0;
    const bool* directFetch = nullptr;  // read after the scrambler reset, which may clear it
    std::string sourceUrl;
    std::filesystem::path dataFile;
    std::chrono::year_month_day target{};
    SettingsRecord* settings = nullptr;  // the remembered import folders, the program folder
    std::string* stampPrefix = nullptr;
    bool* forcedDownload = nullptr;  // the DownLoad action's check mark
    std::function<void(bool)> setBusyDisplay;
    std::function<void(const std::string&)> setStatusText;
    TNMHTTP* http = nullptr;
    bool* successFlag = nullptr;  // set by the client's success event for a GET
};

// The data module: fetching or importing a category's page and converting it, the stored
// update stamp, and the scrambler every data file goes through.
class TSUBget {
public:
    TSUBget(Scrambler& scrambler, Ui& ui, const Clock& clock)
        : scrambler_(scrambler), ui_(ui), clock_(clock) {}

    // The update stamp in front of a data file's header line, or empty text.
    std::string ReadStoredStamp(const std::filesystem::path& dataFile);

    // Fetches or imports and converts; false tells the display to stop.
    bool FetchSource(FetchContext& context);

    // Whether the source page is newer than the data file, by a HEAD request's Last-Modified.
    bool CheckForUpdate(FetchContext& context);

    // The update stamp of a response header: its Last-Modified value, or today as yyyy/mm/dd.
    static std::string ParseUpdateStamp(std::string_view header, std::chrono::year_month_day today);

    // Whether the 本やタウン site lists the target month as its current month ("") or the one
    // before ("_old"); nothing when it does not, after telling the user why.
    std::optional<std::string> ProbeBookTownMonth(FetchContext& context, const std::string& host);

    static const char* DownloadFileName() { return "download.dat"; }

private:
    bool DownloadDirectly(FetchContext& context);
    bool ImportCsv(FetchContext& context);
    bool ImportHtml(FetchContext& context);
    // The import dialog, starting in and then remembering the folder of the chosen file.
    bool ChooseAndConvert(FetchContext& context, const std::string& filter,
                          std::string& rememberedFolder);
    bool ConvertFile(FetchContext& context, const std::filesystem::path& input);

    Scrambler& scrambler_;
    Ui& ui_;
    const Clock& clock_;
};

}  // namespace yomida

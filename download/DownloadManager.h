#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "download/DefinedSourceFetch.h"
#include "download/SourceFetcher.h"
#include "platform/Clock.h"
#include "platform/TcpSocket.h"

namespace yomida {

// Fetching or importing a category's page and converting it, and the stored update stamp. Each
// call says in its result how it ended; the questions of an import by hand go to the policy.
class DownloadManager final : public SourceFetcher {
public:
    DownloadManager(const Clock& clock, TcpConnector& connector)
        : clock_(clock), http_(connector) {}
    // With the pacer's time handed in, for tests.
    DownloadManager(const Clock& clock, TcpConnector& connector, HostPacer pacer)
        : clock_(clock), http_(connector), pacer_(std::move(pacer)) {}

    // The update stamp in front of a data file's header line, or empty text.
    static std::string ReadStoredStamp(const std::filesystem::path& dataFile);

    FetchResult FetchSource(const FetchContext& context, FetchPolicy& policy) override;
    FetchResult ImportFile(const FetchContext& context, const std::filesystem::path& file,
                           FetchPolicy& policy) override;
    // By a HEAD request's Last-Modified.
    FetchResult CheckForUpdate(const FetchContext& context, FetchPolicy& policy) override;
    Result<std::string, ProbeRefusal> ProbeBookTownMonth(const FetchContext& context,
                                                         const std::string& host,
                                                         FetchPolicy& policy) override;

    // The update stamp of a response header: its Last-Modified value, or today as yyyy/mm/dd.
    static std::string ParseUpdateStamp(std::string_view header, std::chrono::year_month_day today);
    // A stamp as it reads back from a data file's header line: without NULs, control bytes and
    // lead bytes that no trail byte follows, and without blanks at either end.
    static std::string CleanStamp(std::string_view stamp);

    static const char* DownloadFileName() { return "download.dat"; }

private:
    // One request with the context's proxy, time-out and progress; how it ended goes into
    // `result`.
    [[nodiscard]] HttpResponse Request(const FetchContext& context, HttpCommand command,
                                       const std::string& url,
                                       const std::filesystem::path& bodyFile, FetchResult& result);
    // Downloads the page and converts it; false stops the display. With `describe`, a download
    // that brings no list (a failed request, a status other than 200, a page without records)
    // says nothing but comes back as the failure, for the offer of the import by hand.
    Result<bool> Download(const FetchContext& context, FetchPolicy& policy, FetchResult& result,
                          bool describe);
    // Every request of a source defined as data for the month, a second apart, joined into the
    // download file and converted; false stops the display.
    [[nodiscard]] bool DownloadDefined(const FetchContext& context, FetchPolicy& policy,
                                       FetchResult& result);
    [[nodiscard]] bool DownloadOrImport(const FetchContext& context, FetchPolicy& policy,
                                        FetchResult& result);
    [[nodiscard]] bool ImportCsv(const FetchContext& context, FetchPolicy& policy,
                                 FetchResult& result);
    [[nodiscard]] bool ImportHtml(const FetchContext& context, FetchPolicy& policy,
                                  FetchResult& result, bool asked);
    // The import dialog, starting in `folder` and then remembering the folder of the chosen
    // file there.
    [[nodiscard]] bool ChooseAndConvert(const FetchContext& context, FetchPolicy& policy,
                                        const std::string& filter, const std::string& folder,
                                        std::string& rememberedFolder, FetchResult& result);
    // Converts the page into the data file; `describe` as for Download.
    [[nodiscard]] bool ConvertFile(const FetchContext& context, FetchPolicy& policy,
                                   const std::filesystem::path& input, FetchResult& result,
                                   bool describe);

    const Clock& clock_;
    HttpClient http_;
    // Keeps the requests to one host apart across every fetch of the manager's life.
    HostPacer pacer_;
};

}  // namespace yomida

#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "download/SourceFetcher.h"
#include "platform/Clock.h"
#include "platform/TcpSocket.h"
#include "platform/Ui.h"

namespace yomida {

// Fetching or importing a category's page and converting it, and the stored update stamp.
class DownloadManager final : public SourceFetcher {
public:
    DownloadManager(Ui& ui, const Clock& clock, TcpConnector& connector)
        : ui_(ui), clock_(clock), http_(connector) {}

    // The update stamp in front of a data file's header line, or empty text.
    std::string ReadStoredStamp(const std::filesystem::path& dataFile);

    FetchResult FetchSource(const FetchContext& context) override;
    FetchResult ImportFile(const FetchContext& context, const std::filesystem::path& file) override;
    // By a HEAD request's Last-Modified.
    FetchResult CheckForUpdate(const FetchContext& context) override;

    // The update stamp of a response header: its Last-Modified value, or today as yyyy/mm/dd.
    static std::string ParseUpdateStamp(std::string_view header, std::chrono::year_month_day today);
    // A stamp as it reads back from a data file's header line: without NULs, control bytes and
    // lead bytes that no trail byte follows, and without blanks at either end.
    static std::string CleanStamp(std::string_view stamp);

    Result<std::string> ProbeBookTownMonth(const FetchContext& context,
                                           const std::string& host) override;

    static const char* DownloadFileName() { return "download.dat"; }

private:
    // One request with the context's proxy, time-out and progress; an error status is shown
    // as the context asks, and the request's end is noted in `result`.
    [[nodiscard]] HttpResponse Request(const FetchContext& context, HttpCommand command,
                                       const std::string& url,
                                       const std::filesystem::path& bodyFile, FetchResult& result);
    // Downloads the page and converts it; the value is whether the display goes on. With
    // `describe`, a download that brings no list (a failed request, a status other than 200, a
    // page without records) is not reported but comes back as the failure, for the offer of the
    // import by hand.
    Result<bool> Download(const FetchContext& context, FetchResult& result, bool describe);
    [[nodiscard]] bool DownloadDirectly(const FetchContext& context, FetchResult& result);
    [[nodiscard]] bool DownloadOrImport(const FetchContext& context, FetchResult& result);
    [[nodiscard]] bool ImportCsv(const FetchContext& context, FetchResult& result);
    [[nodiscard]] bool ImportHtml(const FetchContext& context, FetchResult& result);
    // The import dialog, starting in `folder` and then remembering the folder of the chosen
    // file there.
    [[nodiscard]] bool ChooseAndConvert(const FetchContext& context, const std::string& filter,
                                        const std::string& folder, std::string& rememberedFolder,
                                        FetchResult& result);
    // Converts a page and shows what the conversion has to say; with `noList`, a page without
    // releases is not reported but comes back as true there, as is any other conversion that
    // left no list.
    [[nodiscard]] bool ConvertFile(const FetchContext& context, const std::filesystem::path& input,
                                   FetchResult& result, bool* noList = nullptr);

    Ui& ui_;
    const Clock& clock_;
    HttpClient http_;
};

}  // namespace yomida

#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "download/SourceFetcher.h"
#include "platform/Clock.h"
#include "platform/Ui.h"

namespace yomida {

// Fetching or importing a category's page and converting it, and the stored update stamp.
class DownloadManager final : public SourceFetcher {
public:
    DownloadManager(Ui& ui, const Clock& clock) : ui_(ui), clock_(clock) {}

    // The update stamp in front of a data file's header line, or empty text.
    std::string ReadStoredStamp(const std::filesystem::path& dataFile);

    bool FetchSource(FetchContext& context) override;
    bool ImportFile(FetchContext& context, const std::filesystem::path& file) override;
    // By a HEAD request's Last-Modified.
    bool CheckForUpdate(FetchContext& context) override;

    // The update stamp of a response header: its Last-Modified value, or today as yyyy/mm/dd.
    static std::string ParseUpdateStamp(std::string_view header, std::chrono::year_month_day today);
    // A stamp as it reads back from a data file's header line: without NULs, control bytes and
    // lead bytes that no trail byte follows, and without blanks at either end.
    static std::string CleanStamp(std::string_view stamp);

    std::optional<std::string> ProbeBookTownMonth(FetchContext& context,
                                                  const std::string& host) override;

    static const char* DownloadFileName() { return "download.dat"; }

private:
    // With `failure`, a failed download is not reported but described there for the offer of
    // the import by hand.
    bool DownloadDirectly(FetchContext& context, std::string* failure = nullptr);
    bool DownloadOrImport(FetchContext& context);
    bool ImportCsv(FetchContext& context);
    bool ImportHtml(FetchContext& context);
    // The import dialog, starting in and then remembering the folder of the chosen file.
    bool ChooseAndConvert(FetchContext& context, const std::string& filter,
                          std::string& rememberedFolder);
    bool ConvertFile(FetchContext& context, const std::filesystem::path& input,
                     int* records = nullptr);

    Ui& ui_;
    const Clock& clock_;
};

}  // namespace yomida

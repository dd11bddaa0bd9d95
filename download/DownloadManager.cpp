#include "download/DownloadManager.h"

#include <cstdio>

#include "platform/Cp932.h"
#include "platform/FileSystem.h"
#include "platform/ScopeExit.h"
#include "sources/Catalogue.h"
#include "sources/Convert.h"
#include "text/CommaText.h"
#include "text/Dates.h"
#include "text/Messages.h"
#include "text/ScrambledFile.h"
#include "text/Sjis.h"
#include "text/SjisLiteral.h"

namespace yomida {
namespace {

std::string FolderText(const std::filesystem::path& file) {
    return Utf8ToCp932((file.parent_path() / "").string());
}

std::filesystem::path DownloadFileOf(const FetchContext& context) {
    return context.downloadFile.empty() ? context.dataFolder / DownloadManager::DownloadFileName()
                                        : context.downloadFile;
}

FetchResult StartResult(const FetchContext& context) {
    FetchResult result;
    result.stampPrefix = context.stampPrefix;
    return result;
}

// Every fetch and import clears the forced download, before anything else shows.
void ClearForcedDownload(const FetchContext& context, FetchResult& result) {
    result.forcedDownloadCleared = true;
    if (context.clearForcedDownload) {
        context.clearForcedDownload();
    }
}

}  // namespace

void FetchContext::UseSettings(const SettingsRecord& settings) {
    dataFolder = settings.dataFolder;
    siblingProgram = settings.siblingProgram;
    neoWingFolder = settings.neoWingFolder;
    htmlFolder = settings.htmlFolder;
    proxy = settings.proxy;
    proxyPort = settings.port;
}

bool FetchesDirectly(int category, const SettingsRecord& settings) {
    const CategoryInfo* c = FindCategory(category);
    return c != nullptr &&
           (c->acquisition == Acquisition::DirectFetch ||
            (c->acquisition == Acquisition::DirectOrBrowserPage && settings.directFetch));
}

std::string DownloadManager::ReadStoredStamp(const std::filesystem::path& dataFile) {
    if (!FileExists(dataFile)) {
        return {};
    }
    HourglassCursor hourglass(ui_);
    ScrambledReader in(dataFile);
    std::string line;
    if (!in.ReadLine(line)) {
        return {};
    }
    const std::vector<std::string> items = SplitCommaText(line);
    return items.empty() ? std::string() : items[0];
}

FetchResult DownloadManager::FetchSource(const FetchContext& context) {
    FetchResult result = StartResult(context);
    ClearForcedDownload(context, result);
    const CategoryInfo* category = FindCategory(context.category);
    // The plain-text marker sends every fetch to the import paths.
    if (context.directFetch && !ScramblingOffIn(context.dataFolder)) {
        if (category != nullptr && category->acquisition == Acquisition::DirectOrBrowserPage) {
            result.ranToEnd = DownloadOrImport(context, result);
        } else {
            result.ranToEnd = DownloadDirectly(context, result);
        }
    } else if (category != nullptr && category->acquisition == Acquisition::KosumiraCsv) {
        result.ranToEnd = ImportCsv(context, result);
    } else {
        result.ranToEnd = ImportHtml(context, result);
    }
    return result;
}

HttpResponse DownloadManager::Request(const FetchContext& context, HttpCommand command,
                                      const std::string& url, const std::filesystem::path& bodyFile,
                                      FetchResult& result) {
    HttpRequest request;
    request.command = command;
    request.url = url;
    request.proxy = context.proxy;
    request.proxyPort = context.proxyPort;
    request.bodyFile = bodyFile;
    request.replaceBodyFile = !bodyFile.empty();
    request.timeOutMs = context.timeOutMs;
    HttpResponse response = http_.Get(request, context.progress);
    result.requestError = response.error;
    result.requestOutcome = response.outcome;
    result.responseHeader = response.header;
    if (response.outcome == HttpOutcome::kHttpStatus && response.status > 399 &&
        !context.httpFailureText.empty()) {
        ui_.SetCursor(CursorShape::Default);
        ui_.ShowError(context.httpFailureText);
    }
    return response;
}

std::string DownloadManager::ParseUpdateStamp(std::string_view header,
                                              std::chrono::year_month_day today) {
    std::string stamp;
    const size_t at = header.find("Last-Modified:");
    if (at != std::string_view::npos) {
        const size_t start = at + 14;
        const size_t cr = header.find('\r', start);
        if (cr != std::string_view::npos) {
            stamp = header.substr(start, cr - start);
        }
    }
    if (stamp.empty()) {
        stamp = FormatSlashDate(today);
    }
    return CleanStamp(stamp);
}

std::string DownloadManager::CleanStamp(std::string_view stamp) {
    std::string kept;
    for (char c : stamp) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b != 0x7F) {
            kept += c;
        }
    }
    // A lead byte without its trail byte would take the closing quote of the stored field for
    // one, and the header line would no longer split as it was written.
    std::string clean;
    for (size_t i = 0; i < kept.size(); ++i) {
        const auto b = static_cast<unsigned char>(kept[i]);
        if (!IsLeadByte(b)) {
            clean += kept[i];
        } else if (i + 1 < kept.size() && IsTrailByte(static_cast<unsigned char>(kept[i + 1]))) {
            clean.append(kept, i, 2);
            ++i;
        }
    }
    return std::string(TrimControls(clean));
}

FetchResult DownloadManager::CheckForUpdate(const FetchContext& context) {
    FetchResult result = StartResult(context);
    const CategoryInfo* category = FindCategory(context.category);
    if (category == nullptr || !category->updateCheck) {
        return result;
    }
    std::string stored;
    HttpResponse response;
    {
        HourglassCursor hourglass(ui_);
        stored = ReadStoredStamp(context.dataFile);
        response = Request(context, HttpCommand::kHead, context.sourceUrl, DownloadFileOf(context),
                           result);
        if (!response.error.empty()) {
            ui_.SetCursor(CursorShape::Default);
            ui_.ShowError(MsgText(Msg::HeaderFetchError));
            return result;
        }
    }
    // A stamp stored before hostile bytes were dropped still matches the page it came from.
    result.ranToEnd = ParseUpdateStamp(response.header, clock_.Today()) != CleanStamp(stored);
    return result;
}

bool DownloadManager::DownloadOrImport(const FetchContext& context, FetchResult& result) {
    const Result<bool> downloaded = Download(context, result, true);
    if (downloaded) {
        return *downloaded;
    }
    result.directFailure = downloaded.ErrorText();
    if (!ui_.Confirm(MsgText(Msg::DirectFetchFailedAskImport) + "\n\r\n\r" +
                     downloaded.ErrorText())) {
        return true;  // the old list, if any, is shown as it was
    }
    // What comes now is the import's: the failed request stays only in directFailure, so the
    // source's health tells of the list the user brought.
    result.requestError.clear();
    result.requestOutcome = HttpOutcome::kOk;
    result.responseHeader.clear();
    return ImportHtml(context, result);
}

bool DownloadManager::DownloadDirectly(const FetchContext& context, FetchResult& result) {
    // Undescribed, every failure has been reported.
    return Download(context, result, false).ValueOr(false);
}

Result<bool> DownloadManager::Download(const FetchContext& context, FetchResult& result,
                                       bool describe) {
    const std::filesystem::path download = DownloadFileOf(context);
    HourglassCursor hourglass(ui_);
    context.setBusyDisplay(true);
    const ScopeExit busyOff([&context] { context.setBusyDisplay(false); });

    const HttpResponse response =
        Request(context, HttpCommand::kGet, context.sourceUrl, download, result);
    if (!response.error.empty()) {
        if (describe) {
            return Fail(response.error);
        }
        ui_.ShowError(MsgText(Msg::DataFetchError));
        return false;
    }
    // Only the page itself is a list: a redirect that led nowhere or a partial answer is not.
    if (!response.Ok() || (describe && response.status != 200)) {
        DeleteFile(download);  // an error page is no list
        if (describe) {
            return Fail("HTTP " + std::to_string(response.status));
        }
        return true;
    }
    result.stampPrefix = StampPrefix(ParseUpdateStamp(response.header, clock_.Today()));
    context.setStatusText(MsgText(Msg::Converting));
    bool noList = false;
    const bool converted = ConvertFile(context, download, result, describe ? &noList : nullptr);
    if (describe && noList) {
        return Fail(MsgText(Msg::NoReleasesOnPage));
    }
    return converted;
}

Result<std::string> DownloadManager::ProbeBookTownMonth(const FetchContext& context,
                                                        const std::string& host) {
    using namespace std::chrono;
    const CategoryInfo* row = FindCategory(context.category);
    if (row == nullptr || row->monthProbe.url == nullptr) {
        return std::string();  // the category's site has no month to ask for
    }
    UrlValues probe;
    probe.host = host;
    const year_month_day today = clock_.Today();
    const auto monthIndex = [](year_month_day d) {
        return static_cast<int>(d.year()) * 12 + static_cast<int>(static_cast<unsigned>(d.month()));
    };
    const int target = monthIndex(context.target);
    const int now = monthIndex(today);
    const std::string& outOfRange = MsgText(Msg::MonthOutOfRange);
    const auto refuse = [this](const std::string& text) {
        ui_.ShowError(text);
        return Fail(text);
    };
    if (target < now - 1 || target > now + 1) {
        return refuse(outOfRange);
    }

    HourglassCursor hourglass(ui_);
    context.setBusyDisplay(true);
    const ScopeExit busyOff([&context] { context.setBusyDisplay(false); });
    FetchResult ignored;
    const HttpResponse response = Request(
        context, HttpCommand::kGet, ExpandUrlTemplate(row->monthProbe.url, probe), {}, ignored);
    if (!response.error.empty()) {
        return refuse(MsgText(Msg::BadUrl));
    }
    if (!response.Ok()) {
        // The error status has been shown as the context asks, or not at all.
        return Fail("HTTP " + std::to_string(response.status));
    }
    int current = 0;
    for (int s = 1; s <= 12 && current == 0; ++s) {
        probe.target = context.target.year() / month{static_cast<unsigned>(s)} / 1;
        if (response.body.find(ExpandUrlTemplate(row->monthProbe.marker, probe)) !=
            std::string::npos) {
            current = s;
        }
    }
    if (current == 0) {
        return refuse(MsgText(Msg::BookTownFormatChanged));
    }
    const int month = static_cast<int>(static_cast<unsigned>(context.target.month()));
    if (month == current) {
        return std::string();
    }
    if (month == (current == 1 ? 12 : current - 1)) {
        return std::string("_old");
    }
    return refuse(outOfRange);
}

bool DownloadManager::ImportCsv(const FetchContext& context, FetchResult& result) {
    if (!ui_.Confirm(MsgText(Msg::NeedKosumiraCsv))) {
        return true;
    }
    if (FileExists(context.siblingProgram)) {
        ui_.StartProgram(context.siblingProgram, {});
    }
    return ChooseAndConvert(context, "CSVﾌｧｲﾙ|*.csv|すべてのﾌｧｲﾙ|*.*"_sj, context.neoWingFolder,
                            result.neoWingFolder, result);
}

bool DownloadManager::ImportHtml(const FetchContext& context, FetchResult& result) {
    if (!ui_.Confirm(MsgText(Msg::BrowserPageSteps))) {
        return true;
    }
    {
        HourglassCursor hourglass(ui_);
        ui_.ShellOpen(context.sourceUrl);
    }
    return ChooseAndConvert(context, "HTMLﾌｧｲﾙ|*.htm;*.html|すべてのﾌｧｲﾙ|*.*"_sj,
                            context.htmlFolder, result.htmlFolder, result);
}

bool DownloadManager::ChooseAndConvert(const FetchContext& context, const std::string& filter,
                                       const std::string& folder, std::string& rememberedFolder,
                                       FetchResult& result) {
    FileDialogRequest request;
    request.initialFolder = Cp932ToUtf8(folder);
    request.filter = filter;
    const std::optional<std::filesystem::path> chosen = ui_.OpenFileDialog(request);
    if (!chosen) {
        return true;  // cancelled: an older list, if any, is shown
    }
    rememberedFolder = FolderText(*chosen);
    return ConvertFile(context, *chosen, result);
}

FetchResult DownloadManager::ImportFile(const FetchContext& context,
                                        const std::filesystem::path& file) {
    FetchResult result = StartResult(context);
    ClearForcedDownload(context, result);
    const CategoryInfo* category = FindCategory(context.category);
    (category != nullptr && category->acquisition == Acquisition::KosumiraCsv ? result.neoWingFolder
                                                                              : result.htmlFolder) =
        FolderText(file);
    result.ranToEnd = ConvertFile(context, file, result);
    return result;
}

bool DownloadManager::ConvertFile(const FetchContext& context, const std::filesystem::path& input,
                                  FetchResult& result, bool* noList) {
    result.conversionStarted = true;
    ConvertRequest request;
    request.category = context.category;
    request.input = input;
    request.output = context.dataFile;
    request.stampPrefix = result.stampPrefix;
    request.target = context.target;
    const ConvertResult converted = [&] {
        HourglassCursor hourglass(ui_);
        return Convert(request);
    }();
    const bool empty = converted.outcome != ConvertOutcome::Converted && converted.records == 0;
    if (noList != nullptr) {
        *noList = empty;
    }
    if (converted.outcome == ConvertOutcome::NoReleases && noList != nullptr) {
        return true;  // the caller tells of it
    }
    if (!converted.message.empty()) {
        if (converted.RanToEnd()) {
            ui_.ShowWarning(converted.message);
        } else {
            ui_.ShowError(converted.message);
        }
    }
    return converted.RanToEnd();
}

}  // namespace yomida

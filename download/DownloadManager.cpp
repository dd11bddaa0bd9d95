#include "download/DownloadManager.h"

#include <cstdio>

#include "download/FailureReason.h"
#include "platform/Cp932.h"
#include "platform/FileReplacement.h"
#include "platform/FileSystem.h"
#include "platform/ScopeExit.h"
#include "sources/Catalogue.h"
#include "sources/Convert.h"
#include "sources/ResponseBundle.h"
#include "text/CommaText.h"
#include "text/DataFileRecords.h"
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

FetchOutcome OutcomeOf(HttpOutcome outcome) {
    switch (outcome) {
        case HttpOutcome::kOk:
            return FetchOutcome::Updated;
        case HttpOutcome::kHttpStatus:
            return FetchOutcome::HttpStatus;
        case HttpOutcome::kTransportError:
            return FetchOutcome::TransportError;
        case HttpOutcome::kCertificateError:
            return FetchOutcome::CertificateError;
        case HttpOutcome::kCancelled:
            return FetchOutcome::Cancelled;
    }
    return FetchOutcome::TransportError;
}

void Tell(FetchResult& result, Notice::Kind kind, std::string text) {
    result.notices.push_back({kind, std::move(text)});
}

// The status line of a response, for the record of an error status.
std::string StatusLine(const std::string& header) {
    return std::string(Trimmed(header.substr(0, header.find('\n'))));
}

FetchOutcome OutcomeOf(DefinedFetchOutcome outcome) {
    switch (outcome) {
        case DefinedFetchOutcome::Fetched:
            return FetchOutcome::Updated;
        case DefinedFetchOutcome::HttpStatus:
            return FetchOutcome::HttpStatus;
        case DefinedFetchOutcome::CertificateError:
            return FetchOutcome::CertificateError;
        case DefinedFetchOutcome::Cancelled:
            return FetchOutcome::Cancelled;
        // More than a month's worth of answers is a fault on the way, as one page too large is.
        case DefinedFetchOutcome::TransportError:
        case DefinedFetchOutcome::TooLarge:
            return FetchOutcome::TransportError;
        // The answers came but cannot be made into the month's list.
        case DefinedFetchOutcome::TooManyRequests:
        case DefinedFetchOutcome::UnreadableResponse:
        case DefinedFetchOutcome::NoDefinition:
            break;
    }
    return FetchOutcome::ConversionError;
}

// Why a defined source's month brought no list, in the user's words (CP932).
std::string DefinedFailureText(const DefinedFetchResult& fetched) {
    switch (fetched.outcome) {
        case DefinedFetchOutcome::TooManyRequests:
            return MsgText(Msg::ReasonTooManyRequests) + std::to_string(fetched.requests) +
                   MsgText(Msg::ReasonRequestsEnd);
        case DefinedFetchOutcome::UnreadableResponse:
            return MsgText(Msg::ReasonUnreadableResponse) + fetched.error;
        case DefinedFetchOutcome::TooLarge:
            return MsgText(Msg::ReasonResponsesTooLarge);
        case DefinedFetchOutcome::NoDefinition:
            return fetched.error;
        default:
            return FailureReason(OutcomeOf(fetched.outcome), fetched.httpStatus, fetched.error);
    }
}

// Whether a list that comes out as the stored one is left as it is, ticks and stamp and all. A
// source without an update check (まんがの森, a defined source, a page imported by hand) is
// fetched on every run, and its stamp tells nothing the records do not; a page with the check
// must store its new stamp, or every check after would find it newer again.
bool KeepsSameList(int category) {
    const CategoryInfo* c = FindCategory(category);
    return c != nullptr && !c->updateCheck;
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
    return c != nullptr && CanFetchDirectly(*c) &&
           (c->acquisition != Acquisition::DirectOrBrowserPage || settings.directFetch);
}

std::string DownloadManager::ReadStoredStamp(const std::filesystem::path& dataFile) {
    if (!FileExists(dataFile)) {
        return {};
    }
    ScrambledReader in(dataFile);
    std::string line;
    if (!in.ReadLine(line)) {
        return {};
    }
    const std::vector<std::string> items = SplitCommaText(line);
    return items.empty() ? std::string() : items[0];
}

FetchResult DownloadManager::FetchSource(const FetchContext& context, FetchPolicy& policy) {
    FetchResult result = StartResult(context);
    ClearForcedDownload(context, result);
    const CategoryInfo* category = FindCategory(context.category);
    // The plain-text marker sends every fetch to the import paths.
    if (context.directFetch && !ScramblingOffIn(context.dataFolder)) {
        if (category != nullptr && category->converter == ConverterKind::DefinedSource) {
            result.ranToEnd = DownloadDefined(context, policy, result);
        } else if (category != nullptr &&
                   category->acquisition == Acquisition::DirectOrBrowserPage) {
            result.ranToEnd = DownloadOrImport(context, policy, result);
        } else {
            result.ranToEnd = Download(context, policy, result, false).ValueOr(false);
        }
    } else if (category != nullptr && category->acquisition == Acquisition::KosumiraCsv) {
        result.ranToEnd = ImportCsv(context, policy, result);
    } else {
        result.ranToEnd = ImportHtml(context, policy, result, false);
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
    result.requested = true;
    result.httpStatus = response.status;
    result.outcome = OutcomeOf(response.outcome);
    if (!response.error.empty()) {
        result.detail = response.error;  // the client's own text, in the program's encoding
    } else if (response.outcome == HttpOutcome::kHttpStatus) {
        result.detail = StatusLine(response.header);
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

FetchResult DownloadManager::CheckForUpdate(const FetchContext& context, FetchPolicy& policy) {
    FetchResult result = StartResult(context);
    const CategoryInfo* category = FindCategory(context.category);
    if (category == nullptr || !category->updateCheck) {
        // Nothing was asked: only a download can tell whether the page changed.
        result.outcome = FetchOutcome::Unchanged;
        return result;
    }
    const WorkingScope working(policy);
    const std::string stored = ReadStoredStamp(context.dataFile);
    const HttpResponse response =
        Request(context, HttpCommand::kHead, context.sourceUrl, DownloadFileOf(context), result);
    if (!response.error.empty()) {
        Tell(result, Notice::Kind::Error, MsgText(Msg::HeaderFetchError));
        return result;
    }
    // A server that refuses the header request may still serve the page: the stamp it gives
    // then is today's, which tells that the page should be fetched.
    result.detail.clear();
    // A stamp stored before hostile bytes were dropped still matches the page it came from.
    result.ranToEnd = ParseUpdateStamp(response.header, clock_.Today()) != CleanStamp(stored);
    result.outcome = result.ranToEnd ? FetchOutcome::Updated : FetchOutcome::Unchanged;
    return result;
}

bool DownloadManager::DownloadOrImport(const FetchContext& context, FetchPolicy& policy,
                                       FetchResult& result) {
    const Result<bool> downloaded = Download(context, policy, result, true);
    if (downloaded) {
        return *downloaded;
    }
    // Stopping the download is no failure of the source: nothing more is offered.
    if (result.Cancelled()) {
        return false;
    }
    if (!policy.Ask(FetchQuestion::ImportAfterFailure,
                    MsgText(Msg::DirectFetchFailedAskImport) + "\n\r\n\r" + downloaded.ErrorText() +
                        "\n\r\n\r" + MsgText(Msg::BrowserPageSteps))) {
        return true;  // the old list, if any, is shown as it was
    }
    // What comes now is the import's; the failed download stays in the detail until the
    // import ends, so the source's health tells of the list the user brought.
    return ImportHtml(context, policy, result, true);
}

Result<bool> DownloadManager::Download(const FetchContext& context, FetchPolicy& policy,
                                       FetchResult& result, bool describe) {
    const std::filesystem::path download = DownloadFileOf(context);
    const WorkingScope working(policy);
    context.setBusyDisplay(true);
    const ScopeExit busyOff([&context] { context.setBusyDisplay(false); });

    const HttpResponse response =
        Request(context, HttpCommand::kGet, context.sourceUrl, download, result);
    if (!response.error.empty()) {
        if (describe) {
            return Fail(FailureReason(result.outcome, response.status, response.error));
        }
        Tell(result, Notice::Kind::Error, MsgText(Msg::DataFetchError));
        return false;
    }
    // Only the page itself is a list: a redirect that led nowhere or a partial answer is not.
    if (!response.Ok() || (describe && response.status != 200)) {
        DeleteFile(download);  // an error page is no list
        result.outcome = FetchOutcome::HttpStatus;
        result.detail = StatusLine(response.header);
        if (describe) {
            return Fail(FailureReason(result.outcome, response.status, {}));
        }
        if (response.status > 399 && !context.httpFailureText.empty()) {
            Tell(result, Notice::Kind::Error, context.httpFailureText);
        }
        return true;
    }
    result.stampPrefix = StampPrefix(ParseUpdateStamp(response.header, clock_.Today()));
    context.setStatusText(MsgText(Msg::Converting));
    const bool converted = ConvertFile(context, policy, download, result, describe);
    if (describe && result.records == 0) {
        return Fail(MsgText(Msg::NoReleasesOnPage));
    }
    return converted;
}

bool DownloadManager::DownloadDefined(const FetchContext& context, FetchPolicy& policy,
                                      FetchResult& result) {
    const WorkingScope working(policy);
    context.setBusyDisplay(true);
    const ScopeExit busyOff([&context] { context.setBusyDisplay(false); });

    DefinedFetchRequest request;
    request.category = context.category;
    request.target = context.target;
    request.hosts = context.hosts;
    request.sources = context.sources;
    request.proxy = context.proxy;
    request.proxyPort = context.proxyPort;
    request.timeOutMs = context.timeOutMs;
    request.userAgent = ProgramUserAgent();
    request.progress = context.progress;
    // A month is many small requests a second apart: the status bar counts the requests as
    // they go, where the bytes of each would only flash past.
    request.progress.onBytes = nullptr;
    request.pacer = &pacer_;
    request.onRequest = [&context](size_t n, const std::string&) {
        context.setStatusText(MsgText(Msg::FetchingRequest) + std::to_string(n));
    };
    const DefinedFetchResult fetched = FetchDefinedSource(http_, request);
    result.requested = fetched.requests > 0;
    result.httpStatus = fetched.httpStatus;
    if (!fetched.Ok()) {
        result.outcome = OutcomeOf(fetched.outcome);
        if (result.outcome == FetchOutcome::HttpStatus) {
            result.detail = fetched.error;  // the status line, as a page's error is recorded
            if (fetched.httpStatus > 399 && !context.httpFailureText.empty()) {
                Tell(result, Notice::Kind::Error, context.httpFailureText);
            }
            return true;  // the stored list, if any, is shown as it was
        }
        result.detail = result.Cancelled() ? fetched.error : DefinedFailureText(fetched);
        if (!result.Cancelled()) {
            Tell(result, Notice::Kind::Error,
                 MsgText(Msg::DataFetchError) + "\n\r\n\r" + result.detail);
        }
        return false;
    }
    const std::filesystem::path download = DownloadFileOf(context);
    {
        FileReplacement joined(download);
        joined.Writer().Write(JoinResponses(fetched.responses));
        joined.Commit();
    }
    result.stampPrefix = StampPrefix(ParseUpdateStamp(fetched.header, clock_.Today()));
    context.setStatusText(MsgText(Msg::Converting));
    return ConvertFile(context, policy, download, result, false);
}

namespace {

// The month, 1 to 12, whose marker the 本やタウン top page holds, or 0 when it holds none.
int BookTownCurrentMonth(const CategoryInfo& row, UrlValues probe, std::chrono::year year,
                         const std::string& page) {
    for (unsigned m = 1; m <= 12; ++m) {
        probe.target = year / std::chrono::month{m} / 1;
        if (page.find(ExpandUrlTemplate(row.monthProbe.marker, probe)) != std::string::npos) {
            return static_cast<int>(m);
        }
    }
    return 0;
}

}  // namespace

Result<std::string, ProbeRefusal> DownloadManager::ProbeBookTownMonth(const FetchContext& context,
                                                                      const std::string& host,
                                                                      FetchPolicy& policy) {
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
    const auto refuse = [](const std::string& text) {
        ProbeRefusal refusal;
        refusal.detail = text;
        refusal.notices.push_back({Notice::Kind::Error, text});
        return Failure<ProbeRefusal>{refusal, text};
    };
    if (target < now - 1 || target > now + 1) {
        return refuse(MsgText(Msg::MonthOutOfRange));
    }

    const WorkingScope working(policy);
    context.setBusyDisplay(true);
    const ScopeExit busyOff([&context] { context.setBusyDisplay(false); });
    FetchResult request;
    const HttpResponse response = Request(
        context, HttpCommand::kGet, ExpandUrlTemplate(row->monthProbe.url, probe), {}, request);
    if (!response.Ok()) {
        // The probe's request failed like any other of the source's: it is recorded as such.
        ProbeRefusal refusal;
        refusal.outcome = request.outcome;
        refusal.httpStatus = response.status;
        refusal.detail = request.detail;
        if (!response.error.empty() && !request.Cancelled()) {
            refusal.notices.push_back({Notice::Kind::Error, MsgText(Msg::BadUrl)});
        } else if (response.status > 399 && !context.httpFailureText.empty()) {
            refusal.notices.push_back({Notice::Kind::Error, context.httpFailureText});
        }
        return Failure<ProbeRefusal>{refusal, request.detail};
    }
    const int current = BookTownCurrentMonth(*row, probe, context.target.year(), response.body);
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
    return refuse(MsgText(Msg::MonthOutOfRange));
}

bool DownloadManager::ImportCsv(const FetchContext& context, FetchPolicy& policy,
                                FetchResult& result) {
    if (!policy.Ask(FetchQuestion::ImportKosumiraCsv, MsgText(Msg::NeedKosumiraCsv))) {
        result.outcome = FetchOutcome::Cancelled;
        return true;
    }
    if (FileExists(context.siblingProgram)) {
        policy.StartProgram(context.siblingProgram);
    }
    return ChooseAndConvert(context, policy, "CSVﾌｧｲﾙ|*.csv|すべてのﾌｧｲﾙ|*.*"_sj,
                            context.neoWingFolder, result.neoWingFolder, result);
}

bool DownloadManager::ImportHtml(const FetchContext& context, FetchPolicy& policy,
                                 FetchResult& result, bool asked) {
    if (!asked && !policy.Ask(FetchQuestion::ImportBrowserPage, MsgText(Msg::BrowserPageSteps))) {
        result.outcome = FetchOutcome::Cancelled;
        return true;
    }
    {
        const WorkingScope working(policy);
        policy.OpenPage(context.sourceUrl);
    }
    return ChooseAndConvert(context, policy, "HTMLﾌｧｲﾙ|*.htm;*.html|すべてのﾌｧｲﾙ|*.*"_sj,
                            context.htmlFolder, result.htmlFolder, result);
}

bool DownloadManager::ChooseAndConvert(const FetchContext& context, FetchPolicy& policy,
                                       const std::string& filter, const std::string& folder,
                                       std::string& rememberedFolder, FetchResult& result) {
    const std::optional<std::filesystem::path> chosen =
        policy.ChooseImportFile({filter, Cp932ToUtf8(folder)});
    if (!chosen) {
        result.outcome = FetchOutcome::Cancelled;  // an older list, if any, is shown
        return true;
    }
    rememberedFolder = FolderText(*chosen);
    // The import's own end is what the source's health tells, not the download before it.
    result.requested = false;
    result.httpStatus = 0;
    result.detail.clear();
    return ConvertFile(context, policy, *chosen, result, false);
}

FetchResult DownloadManager::ImportFile(const FetchContext& context,
                                        const std::filesystem::path& file, FetchPolicy& policy) {
    FetchResult result = StartResult(context);
    ClearForcedDownload(context, result);
    const CategoryInfo* category = FindCategory(context.category);
    (category != nullptr && category->acquisition == Acquisition::KosumiraCsv ? result.neoWingFolder
                                                                              : result.htmlFolder) =
        FolderText(file);
    result.ranToEnd = ConvertFile(context, policy, file, result, false);
    return result;
}

bool DownloadManager::ConvertFile(const FetchContext& context, FetchPolicy& policy,
                                  const std::filesystem::path& input, FetchResult& result,
                                  bool describe) {
    const WorkingScope working(policy);
    const std::optional<std::vector<std::string>> before = ReadRecordLines(context.dataFile);
    ConvertRequest request;
    request.category = context.category;
    request.input = input;
    request.output = context.dataFile;
    request.stampPrefix = result.stampPrefix;
    request.target = context.target;
    request.keepSameList = KeepsSameList(context.category);
    ConvertResult converted;
    try {
        converted = Convert(request);
    } catch (const std::exception& e) {
        result.outcome = FetchOutcome::ConversionError;
        result.detail = Utf8ToCp932(e.what());
        throw;
    }
    result.records = converted.records;
    if (!converted.RanToEnd()) {
        result.outcome = FetchOutcome::ConversionError;
        result.detail = converted.message;
        if (!converted.message.empty()) {
            Tell(result, Notice::Kind::Error, converted.message);
        }
        return false;
    }
    if (converted.outcome == ConvertOutcome::SameList) {
        // The stored file is the list already, its ticks included: nothing was replaced.
        result.outcome = FetchOutcome::Unchanged;
        result.detail.clear();
        return true;
    }
    if (converted.outcome == ConvertOutcome::NoReleases) {
        result.outcome = FetchOutcome::NoRecords;
        result.detail = MsgText(Msg::NoReleasesOnPage);
        if (!describe) {
            // Without a word the user would take the unchanged list for the new one.
            Tell(result, Notice::Kind::Warning, converted.message);
        }
        return true;
    }
    result.replaced = true;
    result.detail.clear();
    const std::optional<std::vector<std::string>> after = ReadRecordLines(context.dataFile);
    if (after) {
        result.records = static_cast<int>(after->size());
    }
    result.outcome = before && after == before ? FetchOutcome::Unchanged
                     : result.requested        ? FetchOutcome::Updated
                                               : FetchOutcome::Imported;
    return true;
}

}  // namespace yomida

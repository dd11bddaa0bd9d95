#include "engine/Update.h"

#include <unistd.h>

#include <system_error>

#include "download/DownloadManager.h"
#include "download/HttpClient.h"
#include "engine/HealthWatch.h"
#include "platform/FileSystem.h"
#include "platform/ScopeExit.h"
#include "sources/Catalogue.h"
#include "text/ScrambledFile.h"
#include "text/SjisLiteral.h"

namespace yomida {
namespace {

UpdateOutcome FromHealth(HealthOutcome outcome) {
    switch (outcome) {
        case HealthOutcome::Updated:
        case HealthOutcome::Imported:
            return UpdateOutcome::Updated;
        case HealthOutcome::Unchanged:
            return UpdateOutcome::Unchanged;
        case HealthOutcome::NoRecords:
            return UpdateOutcome::NoRecords;
        case HealthOutcome::HttpStatus:
            return UpdateOutcome::HttpStatus;
        case HealthOutcome::TransportError:
            return UpdateOutcome::TransportError;
        case HealthOutcome::CertificateError:
            return UpdateOutcome::CertificateError;
        case HealthOutcome::Cancelled:
            return UpdateOutcome::Cancelled;
        case HealthOutcome::ConversionError:
            return UpdateOutcome::ConversionError;
    }
    return UpdateOutcome::ConversionError;
}

// The stored list as it is after the update, whatever came of it.
void DescribeStoredList(UpdateResult& result, DownloadManager& downloads) {
    const std::optional<std::vector<std::string>> records =
        HealthWatch::ReadRecords(result.dataFile);
    result.records = records ? static_cast<int>(records->size()) : -1;
    try {
        result.stamp = DownloadManager::CleanStamp(downloads.ReadStoredStamp(result.dataFile));
    } catch (const std::exception&) {
        result.stamp.clear();
    }
}

// Runs a watched step; an exception (a list that could not be stored, a locked file that stayed
// locked) becomes the result's conversion error after the watch has recorded it.
bool RunWatched(HealthWatch& watch, const std::function<bool()>& step, UpdateResult& result) {
    try {
        const bool ranToEnd = watch.Run(step);
        result.healthError = watch.RecordError();
        return ranToEnd;
    } catch (const std::exception& e) {
        result.healthError = watch.RecordError();
        result.outcome = UpdateOutcome::ConversionError;
        result.detail = e.what();
        return false;
    }
}

}  // namespace

std::string_view UpdateOutcomeWord(UpdateOutcome outcome) {
    switch (outcome) {
        case UpdateOutcome::Updated:
            return "updated";
        case UpdateOutcome::Unchanged:
            return "unchanged";
        case UpdateOutcome::NoRecords:
            return "no-records";
        case UpdateOutcome::NotServed:
            return "not-served";
        case UpdateOutcome::HttpStatus:
            return "http-status";
        case UpdateOutcome::Cancelled:
            return "cancelled";
        case UpdateOutcome::TransportError:
            return "transport-error";
        case UpdateOutcome::CertificateError:
            return "certificate-error";
        case UpdateOutcome::ConversionError:
            return "conversion-error";
        case UpdateOutcome::NeedsManualImport:
            return "manual-import";
    }
    return "conversion-error";
}

int WeekNumberOf(std::chrono::year_month_day day, const SettingsRecord& settings) {
    using std::chrono::sys_days;
    const auto days = (sys_days{day} - sys_days{settings.weekBaseDate}).count();
    return settings.weekBaseNumber + static_cast<int>(days / 7);
}

std::chrono::year_month_day WeekFirstDay(int week, const SettingsRecord& settings) {
    using namespace std::chrono;
    return year_month_day{sys_days{settings.weekBaseDate} +
                          days{7 * (week - settings.weekBaseNumber)}};
}

UpdateResult Update(const UpdateRequest& request, Ui& ui, const Clock& clock,
                    TcpConnector& connector) {
    UpdateResult result;
    SettingsRecord settings = request.settings;
    const bool direct = request.direct.value_or(FetchesDirectly(request.category, settings));
    if (FindCategory(request.category) == nullptr || !direct ||
        ScramblingOffIn(settings.dataFolder)) {
        result.outcome = UpdateOutcome::NeedsManualImport;
        return result;
    }
    HostTable hosts;
    hosts.Override(settings.hosts);
    const SourceOverrides sources(settings.sources);

    DownloadManager downloads(ui, clock);
    HttpClient http(connector);
    http.Proxy = settings.proxy;
    http.ProxyPort = settings.port;
    http.TimeOut = request.timeOutMs;
    bool succeeded = false;
    http.OnSuccess = [&succeeded](int command) {
        if (command == HttpClient::kGet) {
            succeeded = true;
        }
    };
    http.OnFailure = [&ui](int) { ui.ShowError("取得に失敗しました"_sj); };
    bool cancelled = false;
    http.MessagePump = [&request, &cancelled, &http] {
        if (request.cancelled && request.cancelled()) {
            cancelled = true;
            http.Cancel();
        }
    };

    std::string stampPrefix;
    bool forced = request.force;
    FetchContext context;
    context.category = request.category;
    context.directFetch = true;
    context.target = request.target;
    context.settings = &settings;
    context.stampPrefix = &stampPrefix;
    context.forcedDownload = &forced;
    context.setBusyDisplay = [](bool) {};
    context.setStatusText = [&request](const std::string& text) {
        if (request.progress) {
            request.progress(text);
        }
    };
    context.http = &http;
    context.successFlag = &succeeded;
    // The window downloads into download.dat of the same folder; this process keeps apart.
    context.downloadFile =
        settings.dataFolder / ("download-" + std::to_string(::getpid()) + ".dat");
    const ScopeExit dropDownload([&context] {
        std::error_code ec;
        std::filesystem::remove(context.downloadFile, ec);
    });

    SourceQuery q;
    q.category = request.category;
    q.target = request.target;
    q.weekNumber = request.weekNumber.value_or(WeekNumberOf(request.target, settings));
    q.dataFolder = settings.dataFolder;
    q.listId = settings.listId;
    q.online = true;
    q.hosts = &hosts;
    q.sources = &sources;
    const BookTownProbe probe = [&]() {
        return downloads.ProbeBookTownMonth(context, hosts.Host(SourceSite::BookTown));
    };
    try {
        if (!ResolveCategorySource(q, probe, context.dataFile, context.sourceUrl) ||
            context.sourceUrl.empty()) {
            result.dataFile = context.dataFile;
            result.outcome = cancelled ? UpdateOutcome::Cancelled : UpdateOutcome::NotServed;
            return result;  // the probe has said why
        }
    } catch (const std::exception& e) {
        result.dataFile = context.dataFile;
        result.outcome = UpdateOutcome::NotServed;
        result.detail = e.what();
        return result;
    }
    result.dataFile = context.dataFile;
    result.hadList = FileExists(context.dataFile);

    bool fetch = !result.hadList || forced;
    if (!fetch) {
        // An existing list is downloaded again only when its page changed.
        HealthWatch check(context, HealthStep::UpdateCheck, clock, &cancelled);
        fetch = RunWatched(
            check, [&] { return downloads.CheckForUpdate(context); }, result);
        if (!result.detail.empty()) {
            DescribeStoredList(result, downloads);
            return result;
        }
        if (check.Recorded() && check.Recorded()->outcome != HealthOutcome::Unchanged) {
            result.outcome = FromHealth(check.Recorded()->outcome);
            result.httpStatus = check.Recorded()->httpStatus;
            result.detail = http.Error;
            DescribeStoredList(result, downloads);
            return result;
        }
    }
    if (!fetch) {
        result.outcome = UpdateOutcome::Unchanged;
        DescribeStoredList(result, downloads);
        return result;
    }

    result.downloaded = true;
    HealthWatch health(context, HealthStep::Fetch, clock, &cancelled);
    const bool ranToEnd = RunWatched(
        health, [&] { return downloads.FetchSource(context); }, result);
    if (!result.detail.empty()) {
        DescribeStoredList(result, downloads);
        return result;
    }
    result.outcome =
        health.Recorded() ? FromHealth(health.Recorded()->outcome) : UpdateOutcome::ConversionError;
    result.httpStatus = health.Recorded() ? health.Recorded()->httpStatus : 0;
    if (result.Succeeded() && (!ranToEnd || !succeeded || !FileExists(context.dataFile) ||
                               !context.directFailure.empty())) {
        result.outcome = UpdateOutcome::ConversionError;
    }
    if (cancelled) {
        result.outcome = UpdateOutcome::Cancelled;
    }
    if (!result.Succeeded()) {
        result.detail = !context.directFailure.empty() ? context.directFailure : http.Error;
        if (result.detail.empty() && result.outcome == UpdateOutcome::NoRecords) {
            result.detail = "ページに発売情報がありませんでした。"_sj;
        }
    }
    DescribeStoredList(result, downloads);
    return result;
}

std::function<void(const UpdateSummary&)>& OnUpdated() {
    static std::function<void(const UpdateSummary&)> hook;
    return hook;
}

void AnnounceUpdate(const UpdateSummary& summary) {
    if (const auto& hook = OnUpdated()) {
        hook(summary);
    }
}

}  // namespace yomida

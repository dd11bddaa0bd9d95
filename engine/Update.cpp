#include "engine/Update.h"

#include <unistd.h>

#include <system_error>

#include "download/DownloadManager.h"
#include "download/HttpClient.h"
#include "engine/HealthWatch.h"
#include "platform/FileSystem.h"
#include "sources/Catalogue.h"
#include "text/Dates.h"
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

// One update under way: the client, the fetch context and the result, with the steps the
// window takes one after another.
class UpdateRun {
public:
    UpdateRun(const UpdateRequest& request, Ui& ui, const Clock& clock, TcpConnector& connector)
        : request_(request),
          clock_(clock),
          settings_(request.settings),
          downloads_(ui, clock),
          http_(connector) {
        hosts_.Override(settings_.hosts);
        http_.Proxy = settings_.proxy;
        http_.ProxyPort = settings_.port;
        http_.TimeOut = request.timeOutMs;
        http_.OnSuccess = [this](HttpClient::Command command) {
            succeeded_ = succeeded_ || command == HttpClient::kGet;
        };
        http_.OnFailure = [&ui](HttpClient::Command) { ui.ShowError("取得に失敗しました"_sj); };
        http_.MessagePump = [this] {
            if (request_.cancelled && request_.cancelled()) {
                cancelled_ = true;
                http_.Cancel();
            }
        };
        forced_ = request.force;
        context_.category = request.category;
        context_.directFetch = true;
        context_.target = request.target;
        context_.settings = &settings_;
        context_.stampPrefix = &stampPrefix_;
        context_.forcedDownload = &forced_;
        context_.setBusyDisplay = [](bool) {};
        context_.setStatusText = [this](const std::string& text) {
            if (request_.progress) {
                request_.progress(text);
            }
        };
        context_.http = &http_;
        context_.successFlag = &succeeded_;
        // The window downloads into download.dat of the same folder; this process keeps apart.
        context_.downloadFile =
            settings_.dataFolder / ("download-" + std::to_string(::getpid()) + ".dat");
    }
    ~UpdateRun() {
        std::error_code ec;
        std::filesystem::remove(context_.downloadFile, ec);
    }
    UpdateRun(const UpdateRun&) = delete;
    UpdateRun& operator=(const UpdateRun&) = delete;

    UpdateResult Run() {
        if (!Resolve()) {
            return result_;
        }
        result_.hadList = FileExists(context_.dataFile);
        if (result_.hadList && !forced_ && !PageChanged()) {
            return Described();
        }
        Fetch();
        return Described();
    }

private:
    // The data file and the source URL; false, with the result set, when there is none.
    bool Resolve() {
        const SourceOverrides sources(settings_.sources);
        SourceQuery q;
        q.category = request_.category;
        q.target = request_.target;
        q.weekNumber = request_.weekNumber.value_or(WeekNumberOf(request_.target, settings_));
        q.dataFolder = settings_.dataFolder;
        q.listId = settings_.listId;
        q.online = true;
        q.hosts = &hosts_;
        q.sources = &sources;
        const BookTownProbe probe = [this]() {
            return downloads_.ProbeBookTownMonth(context_, hosts_.Host(SourceSite::BookTown));
        };
        result_.outcome = UpdateOutcome::NotServed;
        try {
            const bool resolved =
                ResolveCategorySource(q, probe, context_.dataFile, context_.sourceUrl);
            result_.dataFile = context_.dataFile;
            if (!resolved || context_.sourceUrl.empty()) {
                if (cancelled_) {
                    result_.outcome = UpdateOutcome::Cancelled;
                }
                return false;  // the probe has said why
            }
        } catch (const std::exception& e) {
            result_.dataFile = context_.dataFile;
            result_.detail = e.what();
            return false;
        }
        return true;
    }

    // The update check of a stored list: false when the page is unchanged or the check
    // failed, with the result set.
    bool PageChanged() {
        HealthWatch check(context_, HealthStep::UpdateCheck, clock_, &cancelled_);
        bool changed = false;
        if (!Watched(
                check, [this] { return downloads_.CheckForUpdate(context_); }, changed)) {
            return false;
        }
        if (check.Recorded() && check.Recorded()->outcome != HealthOutcome::Unchanged) {
            result_.outcome = FromHealth(check.Recorded()->outcome);
            result_.httpStatus = check.Recorded()->httpStatus;
            result_.detail = http_.Error;
            return false;
        }
        result_.outcome = UpdateOutcome::Unchanged;
        return changed;
    }

    void Fetch() {
        result_.downloaded = true;
        HealthWatch health(context_, HealthStep::Fetch, clock_, &cancelled_);
        bool ranToEnd = false;
        if (!Watched(
                health, [this] { return downloads_.FetchSource(context_); }, ranToEnd)) {
            return;
        }
        const std::optional<CategoryHealth>& row = health.Recorded();
        result_.outcome = row ? FromHealth(row->outcome) : UpdateOutcome::ConversionError;
        result_.httpStatus = row ? row->httpStatus : 0;
        if (result_.Succeeded() && (!ranToEnd || !succeeded_ || !FileExists(context_.dataFile) ||
                                    !context_.directFailure.empty())) {
            result_.outcome = UpdateOutcome::ConversionError;
        }
        if (cancelled_) {
            result_.outcome = UpdateOutcome::Cancelled;
        }
        if (!result_.Succeeded()) {
            result_.detail = !context_.directFailure.empty() ? context_.directFailure : http_.Error;
            if (result_.detail.empty() && result_.outcome == UpdateOutcome::NoRecords) {
                result_.detail = "ページに発売情報がありませんでした。"_sj;
            }
        }
    }

    // Runs a watched step into `value`; an exception (a list that could not be stored, a lock
    // that stayed taken) ends the update as a conversion error once the watch has recorded it.
    bool Watched(HealthWatch& watch, const std::function<bool()>& step, bool& value) {
        try {
            value = watch.Run(step);
            result_.healthError = watch.RecordError();
            return true;
        } catch (const std::exception& e) {
            result_.healthError = watch.RecordError();
            result_.outcome = UpdateOutcome::ConversionError;
            result_.detail = e.what();
            return false;
        }
    }

    // The result with the stored list as it is now, whatever came of the update.
    UpdateResult Described() {
        const std::optional<std::vector<std::string>> records =
            HealthWatch::ReadRecords(result_.dataFile);
        result_.records = records ? static_cast<int>(records->size()) : -1;
        try {
            result_.stamp =
                DownloadManager::CleanStamp(downloads_.ReadStoredStamp(result_.dataFile));
        } catch (const std::exception&) {
            result_.stamp.clear();
        }
        return result_;
    }

    const UpdateRequest& request_;
    const Clock& clock_;
    SettingsRecord settings_;
    HostTable hosts_;
    DownloadManager downloads_;
    HttpClient http_;
    bool succeeded_ = false;
    bool cancelled_ = false;
    bool forced_ = false;
    std::string stampPrefix_;
    FetchContext context_;
    UpdateResult result_;
};

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
    return settings.Weeks().WeekOf(day);
}

std::chrono::year_month_day WeekFirstDay(int week, const SettingsRecord& settings) {
    return settings.Weeks().EndDay(week);
}

UpdateResult Update(const UpdateRequest& request, Ui& ui, const Clock& clock,
                    TcpConnector& connector) {
    const bool direct =
        request.direct.value_or(FetchesDirectly(request.category, request.settings));
    if (FindCategory(request.category) == nullptr || !direct ||
        ScramblingOffIn(request.settings.dataFolder)) {
        UpdateResult result;
        result.outcome = UpdateOutcome::NeedsManualImport;
        return result;
    }
    UpdateRun run(request, ui, clock, connector);
    return run.Run();
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

#include "engine/Update.h"

#include <unistd.h>

#include <system_error>

#include "download/DownloadManager.h"
#include "download/HttpClient.h"
#include "engine/HealthWatch.h"
#include "engine/Updater.h"
#include "platform/Cp932.h"
#include "platform/FileSystem.h"
#include "platform/TerminationCleanup.h"
#include "sources/Catalogue.h"
#include "text/Dates.h"
#include "text/Messages.h"
#include "text/ScrambledFile.h"

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

// One update under way: the download manager, the fetch context and the result, with the
// updater's steps taken one after another without a question between them.
class UpdateRun {
public:
    UpdateRun(const UpdateRequest& request, Ui& ui, const Clock& clock, TcpConnector& connector)
        : request_(request),
          settings_(request.settings),
          downloads_(ui, clock, connector),
          updater_(downloads_, clock) {
        updater_.UseSettings(settings_);
        context_.UseSettings(settings_);
        context_.timeOutMs = request.timeOutMs;
        context_.httpFailureText = MsgText(Msg::FetchFailed);
        context_.progress.cancelled = [this] {
            cancelled_ = cancelled_ || (request_.cancelled && request_.cancelled());
            return cancelled_;
        };
        context_.category = request.category;
        context_.directFetch = true;
        context_.target = request.target;
        context_.setBusyDisplay = [](bool) {};
        context_.setStatusText = [this](const std::string& text) {
            if (request_.progress) {
                request_.progress(text);
            }
        };
        // The window downloads into download.dat of the same folder; this process keeps apart.
        context_.downloadFile =
            settings_.dataFolder / ("download-" + std::to_string(::getpid()) + ".dat");
        // A run that was killed outright left its download behind; a signal removes ours.
        RemoveLeftoversOfEndedProcesses(settings_.dataFolder, "download-", ".dat");
        downloadCleanup_.Cover(context_.downloadFile);
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
        if (result_.hadList && !request_.force && !PageChanged()) {
            return Described();
        }
        Fetch();
        return Described();
    }

private:
    // The data file and the source URL; false, with the result set, when there is none.
    bool Resolve() {
        SourceQuery q;
        q.category = request_.category;
        q.target = request_.target;
        q.weekNumber = request_.weekNumber.value_or(settings_.Weeks().WeekOf(request_.target));
        q.dataFolder = settings_.dataFolder;
        q.listId = settings_.listId;
        q.online = true;
        result_.outcome = UpdateOutcome::NotServed;
        SourceLocation location;
        try {
            const Result<void, ResolveFailure> resolved =
                updater_.ResolveSource(q, context_, location);
            result_.dataFile = context_.dataFile = location.dataFile;
            context_.sourceUrl = location.sourceUrl;
            if (!resolved || context_.sourceUrl.empty()) {
                if (cancelled_) {
                    result_.outcome = UpdateOutcome::Cancelled;
                }
                return false;  // the probe has said why
            }
        } catch (const std::exception& e) {
            result_.dataFile = location.dataFile;
            result_.detail = Utf8ToCp932(e.what());
            return false;
        }
        return true;
    }

    // The update check of a stored list: false when the page is unchanged or the check
    // failed, with the result set.
    bool PageChanged() {
        const std::optional<StepResult> check =
            Watched([this] { return updater_.CheckForUpdate(context_); });
        if (!check) {
            return false;
        }
        if (check->health && check->health->outcome != HealthOutcome::Unchanged) {
            result_.outcome = FromHealth(check->health->outcome);
            result_.httpStatus = check->health->httpStatus;
            result_.detail = check->fetch.requestError;
            return false;
        }
        result_.outcome = UpdateOutcome::Unchanged;
        return check->fetch.ranToEnd;
    }

    void Fetch() {
        result_.downloaded = true;
        const std::optional<StepResult> step =
            Watched([this] { return updater_.FetchAndConvert(context_); });
        if (!step) {
            return;
        }
        const FetchResult& fetch = step->fetch;
        const std::optional<CategoryHealth>& row = step->health;
        result_.outcome = row ? FromHealth(row->outcome) : UpdateOutcome::ConversionError;
        result_.httpStatus = row ? row->httpStatus : 0;
        // Only a page the server gave whole is a new list.
        const bool pageCame = fetch.conversionStarted && fetch.requestOutcome == HttpOutcome::kOk;
        if (result_.Succeeded() &&
            (!fetch.ranToEnd || !pageCame || !FileExists(context_.dataFile) ||
             !fetch.directFailure.empty())) {
            result_.outcome = UpdateOutcome::ConversionError;
        }
        if (cancelled_) {
            result_.outcome = UpdateOutcome::Cancelled;
        }
        if (!result_.Succeeded()) {
            result_.detail =
                !fetch.directFailure.empty() ? fetch.directFailure : fetch.requestError;
            if (result_.detail.empty() && result_.outcome == UpdateOutcome::NoRecords) {
                result_.detail = MsgText(Msg::NoReleasesOnPage);
            }
        }
    }

    // Runs a watched step; an exception (a list that could not be stored, a lock that stayed
    // taken) ends the update as a conversion error once the watch has recorded it.
    std::optional<StepResult> Watched(const std::function<StepResult()>& step) {
        try {
            StepResult result = step();
            result_.healthError = result.healthError;
            return result;
        } catch (const std::exception& e) {
            result_.healthError = updater_.LastHealthError();
            result_.outcome = UpdateOutcome::ConversionError;
            result_.detail = Utf8ToCp932(e.what());
            return std::nullopt;
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
    SettingsRecord settings_;
    DownloadManager downloads_;
    Updater updater_;
    bool cancelled_ = false;
    FetchContext context_;
    TerminationCleanup downloadCleanup_;
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

}  // namespace yomida

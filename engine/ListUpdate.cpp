#include "engine/ListUpdate.h"

#include <system_error>
#include <utility>

#include "download/DownloadManager.h"
#include "platform/Cp932.h"
#include "platform/FileSystem.h"
#include "platform/TerminationCleanup.h"
#include "text/DataFileRecords.h"
#include "text/Messages.h"
#include "text/ScrambledFile.h"

namespace yomida {

// One request on its way: the fetch context it makes, the policy that answers, and the result
// as the steps fill it.
class ListUpdate::Step {
public:
    Step(ListUpdate& owner, const ListUpdateRequest& request, FetchPolicy& policy)
        : owner_(owner), request_(request), policy_(policy) {
        context_.UseSettings(request.settings);
        context_.category = request.category;
        context_.directFetch = Direct(request);
        context_.target = request.target;
        context_.downloadFile = request.downloadFile;
        if (!request.downloadFile.empty()) {
            // A run that was killed outright left its download behind; a signal removes ours.
            RemoveLeftoversOfEndedProcesses(request.settings.dataFolder, "download-", ".dat");
            downloadCleanup_.Cover(request.downloadFile);
        }
        context_.timeOutMs = request.timeOutMs;
        context_.hosts = &owner.hosts_;
        context_.sources = &owner.sources_;
        context_.stampPrefix = request.stampPrefix;
        context_.clearForcedDownload = request.clearForcedDownload;
        context_.setBusyDisplay = request.setBusyDisplay ? request.setBusyDisplay : [](bool) {};
        context_.setStatusText =
            request.setStatusText ? request.setStatusText : [](const std::string&) {};
        context_.progress = request.progress;
        context_.httpFailureText = MsgText(Msg::FetchFailed);
        result_.stampPrefix = request.stampPrefix;
    }
    // A page downloaded into a file of the caller's own is not left behind.
    ~Step() {
        if (!request_.downloadFile.empty()) {
            std::error_code ec;
            std::filesystem::remove(request_.downloadFile, ec);
        }
    }
    Step(const Step&) = delete;
    Step& operator=(const Step&) = delete;

    ListUpdateResult Run() {
        if (!Resolve()) {
            return Finish();
        }
        if (context_.sourceUrl.empty()) {
            // No page serves this period: only a stored list can be shown.
            result_.outcome = FetchOutcome::NotServed;
            result_.showList = result_.hadList;
            return Finish();
        }
        if (!request_.online && request_.forced) {
            Tell(Notice::Kind::Warning, MsgText(Msg::OfflineNoForcedDownload));
            return Finish();
        }
        if (!result_.hadList) {
            if (!request_.online) {
                Tell(Notice::Kind::Error, MsgText(Msg::DataFileMissing));
                return Finish();
            }
            if (!Ask(FetchQuestion::Download, Msg::AskDownload) || !Fetch()) {
                return Finish();
            }
        } else if (request_.online) {
            if (request_.forced) {
                if (Ask(FetchQuestion::Download, Msg::AskDownload) && !Fetch()) {
                    return Finish();
                }
            } else if (request_.updateCheck && PageChanged() && !context_.sourceUrl.empty()) {
                if (Ask(FetchQuestion::DownloadAgain, Msg::DataUpdatedAskRedownload) && !Fetch()) {
                    return Finish();
                }
            }
        }
        result_.showList = FileExists(context_.dataFile);
        return Finish();
    }

    ListUpdateResult Import(const std::filesystem::path& file) {
        if (!Resolve()) {
            return Finish();
        }
        if (result_.hadList && !Ask(FetchQuestion::ReplaceWithDropped, Msg::AskReimport)) {
            return Finish();
        }
        Take(Watched(HealthStep::Import,
                     [&] { return owner_.fetcher_.ImportFile(context_, file, policy_); }));
        // On failure the conversion has kept the previous list, which is shown again.
        result_.showList = FileExists(context_.dataFile);
        return Finish();
    }

private:
    // The data file and the URL; false, with the result set, when the month probe refused.
    bool Resolve() {
        SourceQuery query = owner_.QueryOf(request_);
        query.online = request_.online;
        std::optional<ProbeRefusal> refusal;
        const BookTownProbe probe = [&]() -> std::optional<std::string> {
            Result<std::string, ProbeRefusal> infix = owner_.fetcher_.ProbeBookTownMonth(
                context_, owner_.hosts_.Host(SourceSite::BookTown), policy_);
            if (!infix) {
                refusal = infix.ErrorCode();
                return std::nullopt;
            }
            return std::move(infix).Value();
        };
        bool resolved = false;
        try {
            resolved = ResolveCategorySource(query, probe, context_.dataFile, context_.sourceUrl);
        } catch (const std::exception& e) {
            result_.location = {context_.dataFile, context_.sourceUrl};
            result_.detail = Utf8ToCp932(e.what());
            Tell(Notice::Kind::Error, result_.detail);
            return false;
        }
        result_.location = {context_.dataFile, context_.sourceUrl};
        result_.hadList = FileExists(context_.dataFile);
        if (request_.failureNamesPage) {
            context_.httpFailureText = context_.sourceUrl + "\r\n" + MsgText(Msg::FetchFailed);
        }
        if (refusal) {
            Refused(*refusal);
        }
        result_.resolved = resolved && !context_.sourceUrl.empty();
        return resolved;
    }

    // A month probe that refused: a request that failed is the source's failure and recorded as
    // such; a month the site does not show is no failure of the source.
    void Refused(const ProbeRefusal& refusal) {
        result_.outcome = refusal.outcome;
        result_.httpStatus = refusal.httpStatus;
        result_.detail = refusal.detail;
        result_.notices.insert(result_.notices.end(), refusal.notices.begin(),
                               refusal.notices.end());
        if (refusal.outcome != FetchOutcome::NotServed) {
            HealthWatch watch(context_, HealthStep::MonthProbe, owner_.clock_);
            watch.RecordFailure(refusal.outcome, refusal.httpStatus, refusal.detail);
            result_.healthError = watch.RecordError();
        }
    }

    bool Ask(FetchQuestion question, Msg text) {
        if (policy_.Ask(question, MsgText(text))) {
            return true;
        }
        result_.outcome = FetchOutcome::Cancelled;
        return false;
    }

    // Whether the page is newer than the stored list; a failed check leaves the stored list to
    // show, with the failure in the result.
    bool PageChanged() {
        const FetchResult check = Watched(HealthStep::UpdateCheck, [&] {
            return owner_.fetcher_.CheckForUpdate(context_, policy_);
        });
        Note(check);
        if (!check.requested) {
            // A page without the check can only be compared by downloading it.
            result_.outcome = FetchOutcome::Unchanged;
            return request_.fetchUnchecked;
        }
        if (!check.ranToEnd) {
            result_.outcome = check.outcome;
            return false;
        }
        return true;
    }

    // Downloads or imports the page; false stops the display.
    bool Fetch() {
        const FetchResult fetch = Watched(
            HealthStep::Fetch, [&] { return owner_.fetcher_.FetchSource(context_, policy_); });
        result_.downloaded = result_.downloaded || fetch.requested;
        Take(fetch);
        return fetch.ranToEnd;
    }

    // Runs a step inside its health watch.
    FetchResult Watched(HealthStep step, const std::function<FetchResult()>& work) {
        HealthWatch watch(context_, step, owner_.clock_);
        const ScopeExitHealth keep(watch, result_);
        return watch.Run(work);
    }

    // What a fetch or an import left for the face and the next fetch.
    void Take(const FetchResult& fetch) {
        Note(fetch);
        result_.outcome = fetch.outcome;
        result_.stampPrefix = fetch.stampPrefix;
        result_.forcedDownloadCleared =
            result_.forcedDownloadCleared || fetch.forcedDownloadCleared;
        if (!fetch.neoWingFolder.empty()) {
            result_.neoWingFolder = fetch.neoWingFolder;
        }
        if (!fetch.htmlFolder.empty()) {
            result_.htmlFolder = fetch.htmlFolder;
        }
        if (fetch.replaced && !request_.watchMemory.empty()) {
            LookAtNewList();
        }
    }

    // The status, the failure's text and the notices of a step.
    void Note(const FetchResult& step) {
        result_.httpStatus = step.httpStatus;
        result_.detail = step.detail;
        result_.notices.insert(result_.notices.end(), step.notices.begin(), step.notices.end());
    }

    // The watch only reports: a failure here never spoils the list just stored.
    void LookAtNewList() {
        try {
            result_.watch =
                LookAtWatchLists({WatchPlace::Of(request_.settings), request_.watchMemory,
                                  context_.dataFile, request_.feeds});
        } catch (const std::exception& e) {
            WatchLook look;
            look.error = e.what();
            result_.watch = look;
        }
    }

    void Tell(Notice::Kind kind, const std::string& text) {
        result_.notices.push_back({kind, text});
    }

    // The result with the stored list as it is now, whatever came of the update.
    ListUpdateResult Finish() {
        const std::optional<std::vector<std::string>> records = ReadRecordLines(context_.dataFile);
        result_.records = records ? static_cast<int>(records->size()) : -1;
        try {
            result_.stamp =
                DownloadManager::CleanStamp(DownloadManager::ReadStoredStamp(context_.dataFile));
        } catch (const std::exception&) {
            result_.stamp.clear();
        }
        return std::move(result_);
    }

    // Keeps why the health record could not be written, also when the step throws.
    class ScopeExitHealth {
    public:
        ScopeExitHealth(const HealthWatch& watch, ListUpdateResult& result)
            : watch_(watch), result_(result) {}
        ~ScopeExitHealth() {
            if (!watch_.RecordError().empty()) {
                result_.healthError = watch_.RecordError();
            }
        }
        ScopeExitHealth(const ScopeExitHealth&) = delete;
        ScopeExitHealth& operator=(const ScopeExitHealth&) = delete;

    private:
        const HealthWatch& watch_;
        ListUpdateResult& result_;
    };

    ListUpdate& owner_;
    const ListUpdateRequest& request_;
    FetchPolicy& policy_;
    FetchContext context_;
    TerminationCleanup downloadCleanup_;
    ListUpdateResult result_;
};

void ListUpdate::UseSettings(const SettingsRecord& settings) {
    hosts_.Override(settings.hosts);
    sources_ = SourceOverrides(settings.sources);
}

bool ListUpdate::Direct(const ListUpdateRequest& request) {
    return request.direct.value_or(FetchesDirectly(request.category, request.settings));
}

SourceQuery ListUpdate::QueryOf(const ListUpdateRequest& request) const {
    SourceQuery query;
    query.category = request.category;
    query.target = request.target;
    query.weekNumber = request.weekNumber.value_or(request.settings.Weeks().WeekOf(request.target));
    query.dataFolder = request.settings.dataFolder;
    query.listId = request.settings.listId;
    query.online = false;
    query.hosts = &hosts_;
    query.sources = &sources_;
    return query;
}

SourceLocation ListUpdate::Locate(const ListUpdateRequest& request) const {
    SourceLocation location;
    static_cast<void>(ResolveCategorySource(QueryOf(request), {}, location.dataFile,
                                            location.sourceUrl));  // offline: no probe to fail
    return location;
}

ListUpdateResult ListUpdate::Run(const ListUpdateRequest& request, FetchPolicy& policy) {
    return Step(*this, request, policy).Run();
}

ListUpdateResult ListUpdate::Import(const ListUpdateRequest& request,
                                    const std::filesystem::path& file, FetchPolicy& policy) {
    return Step(*this, request, policy).Import(file);
}

}  // namespace yomida

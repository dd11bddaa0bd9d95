#include "engine/UpdateRun.h"

#include <unistd.h>

#include <system_error>

#include "engine/Notifier.h"
#include "engine/WatchService.h"
#include "platform/Cp932.h"
#include "sources/Catalogue.h"
#include "text/Dates.h"
#include "text/Messages.h"
#include "text/ScrambledFile.h"

namespace yomida {
namespace {

// The watch matches of every stored list, those not reported by an earlier run marked new in
// the update's memory; the calendar and the feed to subscribe to follow them.
void LookForNews(const SettingsRecord& settings, const Clock& clock, UpdateSummary& summary) {
    const WatchPlace place = WatchPlace::Of(settings);
    if (place.Empty()) {
        return;
    }
    const WatchLook look =
        LookAtWatchLists({place,
                          settings.dataFolder / kUpdateMemoryFile,
                          {},
                          CurrentWatchFeedOptions(clock, settings.scheduleAlarm)});
    summary.newMatches = look.fresh;
    summary.newTitles = look.freshTitles;
    summary.changes = look.changes.value_or(0);
    summary.feedsFailed = !look.feedsWritten;
    if (!look.memoryError.empty()) {
        summary.watchErrors.push_back("the watch matches already reported cannot be remembered: " +
                                      look.memoryError);
    }
    if (!look.error.empty()) {
        summary.watchErrors.push_back(look.error);
    }
}

}  // namespace

ListUpdateRequest UnattendedRequest(const SettingsRecord& settings, int category, int timeOutMs) {
    ListUpdateRequest request;
    request.category = category;
    request.settings = settings;
    request.online = true;
    request.updateCheck = true;
    request.fetchUnchecked = true;
    request.timeOutMs = timeOutMs;
    // The window downloads into download.dat of the same folder; this process keeps apart.
    request.downloadFile =
        settings.dataFolder / ("download-" + std::to_string(::getpid()) + ".dat");
    return request;
}

bool Unattended(const ListUpdateRequest& request) {
    return FindCategory(request.category) != nullptr && ListUpdate::Direct(request) &&
           !ScramblingOffIn(request.settings.dataFolder);
}

std::vector<int> DirectCategories() {
    std::vector<int> categories;
    for (const CategoryInfo& c : Categories()) {
        if (CanFetchDirectly(c)) {
            categories.push_back(c.number);
        }
    }
    return categories;
}

std::string ForPeriod(ListUpdateRequest& request, std::chrono::year_month_day today, int ahead) {
    const CategoryInfo* category = FindCategory(request.category);
    if (category != nullptr && category->period == Period::Week) {
        const int week = request.settings.Weeks().WeekOf(today) + ahead;
        request.weekNumber = week;
        request.target = request.settings.Weeks().EndDay(week);
        return std::to_string(week);
    }
    request.target = (today.year() / today.month() + std::chrono::months{ahead}) / 1;
    return YearMonthText({request.target.year(), request.target.month()}, '-');
}

UpdateSummary RunUpdates(const UpdateRunRequest& run, SourceFetcher& fetcher, const Clock& clock) {
    UpdateSummary summary;
    ListUpdate lists(fetcher, clock);
    lists.UseSettings(run.settings);
    UnattendedPolicy policy;
    const std::vector<int> categories =
        run.categories.empty() ? DirectCategories() : run.categories;
    const std::chrono::year_month_day today = clock.Today();
    for (const int category : categories) {
        for (int i = 0; i < run.periods; ++i) {
            ListUpdateRequest request = UnattendedRequest(run.settings, category, run.timeOutMs);
            CategoryUpdate update;
            update.category = category;
            update.period = ForPeriod(request, today, i);
            if (!Unattended(request)) {
                update.result.outcome = FetchOutcome::ManualImport;
            } else {
                update.result = lists.Run(request, policy);
            }
            const FetchOutcome outcome = update.result.outcome;
            // A category imported by hand is skipped, not failed: nothing was asked of it.
            summary.failed = summary.failed ||
                             (!update.result.Succeeded() && outcome != FetchOutcome::ManualImport);
            if (run.onEach) {
                run.onEach(update);
            }
            summary.categories.push_back(std::move(update));
            if (outcome == FetchOutcome::ManualImport) {
                break;  // the same for every period
            }
        }
    }
    LookForNews(run.settings, clock, summary);
    // A run from a timer has nobody watching its output: the news goes to the desktop, and when
    // that cannot be, the summary says why.
    summary.notice = NotifyUpdate(summary.newMatches, summary.newTitles, summary.changes);
    return summary;
}

}  // namespace yomida

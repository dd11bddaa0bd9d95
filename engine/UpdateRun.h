#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "download/SourceFetcher.h"
#include "engine/ListUpdate.h"
#include "engine/Notifier.h"
#include "platform/Clock.h"
#include "settings/SettingsRecord.h"

namespace yomida {

// One category and period of a run of updates, with what came of it.
struct CategoryUpdate {
    int category = 0;
    std::string period;  // "2026-12", or the week number of the weekly list
    ListUpdateResult result;
};

// What a run of updates over the stored categories is asked.
struct UpdateRunRequest {
    // The data folder, [HOSTS], [SOURCES], LISTID, the week numbering, the proxy and the watch.
    SettingsRecord settings;
    // The categories to update, in this order; empty: every one the program downloads itself.
    std::vector<int> categories;
    int periods = 2;  // this month and the ones after it (weeks for the weekly list)
    int timeOutMs = 60000;
    // Told of each category and period as it ends, so a reader sees the run go on.
    std::function<void(const CategoryUpdate&)> onEach;
};

// What a run of updates found, for those who tell the user afterwards.
struct UpdateSummary {
    std::vector<CategoryUpdate> categories;
    bool failed = false;  // a category that is downloaded could not be brought up to date
    size_t newMatches = 0;
    std::vector<NewsTitle> newTitles;  // of the new watch matches, in watch order
    size_t changes = 0;                // watched titles postponed or withdrawn
    // Why the watch could not remember, find the changes or write the feeds (UTF-8), or empty.
    std::vector<std::string> watchErrors;
    bool feedsFailed = false;  // watch.ics or watch.atom could not be written
    // Why the desktop was not told (CP932), or empty.
    std::string notice;
};

// The unattended update the timer runs: every category the program downloads itself (or those
// asked for), for each period, one after another with the window's update check, stamps and
// rules and nobody to ask; then one look at every stored list for the watch's news, the calendar
// and feed to subscribe to, and a notification of what is new.
[[nodiscard]] UpdateSummary RunUpdates(const UpdateRunRequest& request, SourceFetcher& fetcher,
                                       const Clock& clock);

// The update's own memory of the watch matches it reported, apart from the window's and from
// `watch --new`'s, so that a timer running it eats neither's news.
inline constexpr const char* kUpdateMemoryFile = "watchseen-update.txt";

// The request of one category as the timer makes it: no question, every stored list checked, a
// page without the check downloaded, the page into a file of this process's own.
ListUpdateRequest UnattendedRequest(const SettingsRecord& settings, int category, int timeOutMs);
// Whether a request can be carried out without a person: the program downloads the page and no
// marker file sends it to the import by hand.
bool Unattended(const ListUpdateRequest& request);

// Every category the program can download itself, in the catalogue's order.
std::vector<int> DirectCategories();

// The `ahead`th period after today's: a month, or a week of the weekly list by the settings'
// numbering; the request gets its target day and week.
std::string ForPeriod(ListUpdateRequest& request, std::chrono::year_month_day today, int ahead);

}  // namespace yomida

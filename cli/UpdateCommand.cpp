#include "cli/UpdateCommand.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <ostream>

#include "cli/CliArgs.h"
#include "cli/ConsoleUi.h"
#include "cli/FetchCommand.h"
#include "engine/Notifier.h"
#include "engine/Update.h"
#include "engine/WatchFeeds.h"
#include "engine/WatchService.h"
#include "platform/Clock.h"
#include "platform/Cp932.h"
#include "platform/TcpSocket.h"
#include "sources/Catalogue.h"
#include "sources/RecordLayout.h"
#include "text/Dates.h"

namespace yomida::cli {
namespace {

// The update's own memory of the watch matches it reported, apart from the window's and from
// `watch --new`'s, so that a timer running it eats neither's news.
constexpr const char* kUpdateMemoryFile = "watchseen-update.txt";

constexpr int kMostPeriods = 24;

// The repeatable --category N, taken out of the arguments before the others are parsed.
std::vector<int> TakeCategories(std::vector<std::string>& args) {
    std::vector<int> categories;
    for (size_t i = 1; i < args.size();) {
        std::string value;
        if (args[i] == "--category") {
            if (i + 1 >= args.size()) {
                throw UsageError("--category needs a value");
            }
            value = args[i + 1];
            args.erase(args.begin() + static_cast<std::ptrdiff_t>(i),
                       args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
        } else if (args[i].starts_with("--category=")) {
            value = args[i].substr(11);
            args.erase(args.begin() + static_cast<std::ptrdiff_t>(i));
        } else {
            ++i;
            continue;
        }
        const int category = ParseInt(value, "--category");
        const CategoryInfo* info = FindCategory(category);
        if (info == nullptr) {
            throw UsageError(
                "--category takes the number of a category: 1 to 15, or one that a source "
                "definition declares");
        }
        // Until update pages through a defined source's month, it would store a part of it.
        if (info->converter == ConverterKind::DefinedSource) {
            throw UsageError("category " + std::to_string(category) +
                             " is defined as data: fetch it with yomida-cli fetch");
        }
        if (std::ranges::find(categories, category) == categories.end()) {
            categories.push_back(category);
        }
    }
    return categories;
}

// Every category the program can download itself, in the catalogue's order.
std::vector<int> DirectCategories() {
    std::vector<int> categories;
    for (int n = 1; n <= 15; ++n) {
        const CategoryInfo* c = FindCategory(n);
        if (c->acquisition == Acquisition::DirectFetch ||
            c->acquisition == Acquisition::DirectOrBrowserPage) {
            categories.push_back(n);
        }
    }
    return categories;
}

std::string MonthText(std::chrono::year_month_day day) {
    return YearMonthText({day.year(), day.month()}, '-');
}

// Sets the request's period to the `ahead`th after today's (months, or weeks for the weekly
// list) and names it as the output does.
CategoryUpdate ForPeriod(UpdateRequest& request, std::chrono::year_month_day today, int ahead) {
    CategoryUpdate update;
    update.category = request.category;
    if (FindCategory(request.category)->period == Period::Week) {
        const int week = request.settings.Weeks().WeekOf(today) + ahead;
        request.weekNumber = week;
        request.target = request.settings.Weeks().EndDay(week);
        update.period = std::to_string(week);
    } else {
        request.target = (today.year() / today.month() + std::chrono::months{ahead}) / 1;
        update.period = MonthText(request.target);
    }
    return update;
}

// The category's line: code, period, outcome and record count; the error on standard error.
void Report(const CategoryUpdate& update, std::ostream& out, std::ostream& err) {
    const UpdateResult& r = update.result;
    const char* code = FindCategory(update.category)->code;
    if (!r.healthError.empty()) {
        err << "yomida-cli: the source's health was not recorded: " << r.healthError << '\n';
    }
    if (!r.Succeeded() && !r.detail.empty()) {
        err << "yomida-cli: " << code << ' ' << update.period << ": " << Cp932ToUtf8(r.detail)
            << '\n';
    }
    std::string outcome(UpdateOutcomeWord(r.outcome));
    if (r.outcome == UpdateOutcome::HttpStatus && r.httpStatus != 0) {
        outcome += ' ' + std::to_string(r.httpStatus);
    }
    const std::string count = r.outcome == UpdateOutcome::NoRecords ? "0"
                              : r.Succeeded()                       ? std::to_string(r.records)
                                                                    : "-";
    // Line by line, so a reader of a long run sees each category as it ends.
    out << code << '\t' << update.period << '\t' << outcome << '\t' << count << '\n' << std::flush;
}

// The watch matches of every stored list, those not reported by an earlier run marked new in
// the update's memory; the calendar and the feed to subscribe to follow them.
UpdateSummary ScanNewMatches(std::vector<CategoryUpdate> updates, const SettingsRecord& settings,
                             std::ostream& err) {
    UpdateSummary summary;
    summary.categories = std::move(updates);
    const WatchPlace place = WatchPlace::Of(settings);
    if (place.words.Empty()) {
        return summary;
    }
    const WatchLook look =
        LookAtWatchLists({place,
                          settings.dataFolder / kUpdateMemoryFile,
                          {},
                          CurrentWatchFeedOptions(SystemClock(), settings.scheduleAlarm)});
    summary.newMatches = look.fresh;
    summary.newTitles = look.freshTitles;
    summary.changes = look.changes.value_or(0);
    if (!look.memoryError.empty()) {
        err << "yomida-cli: the watch matches already reported cannot be remembered: "
            << look.memoryError << '\n';
    }
    if (!look.error.empty()) {
        err << "yomida-cli: " << look.error << '\n';
    }
    return summary;
}

// Without --months the update covers the current period and the next (months, or weeks for the
// weekly list).
int MonthsOption(ParsedArgs& p) {
    if (!p.Has("months")) {
        return 2;
    }
    const int periods = ParseInt(p.values["months"], "--months");
    if (periods < 1 || periods > kMostPeriods) {
        throw UsageError("--months takes N from 1 to " + std::to_string(kMostPeriods));
    }
    return periods;
}

void TellNews(const UpdateSummary& summary, std::ostream& err) {
    // A run from a timer has nobody watching its output: the news goes to the desktop, and when
    // that cannot be, one line says why.
    const std::string notice = NotifyUpdate(summary.newMatches, summary.newTitles, summary.changes);
    if (!notice.empty()) {
        err << "yomida-cli: " << Cp932ToUtf8(notice) << '\n';
    }
}

}  // namespace

int UpdateCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    std::vector<std::string> args = arguments;
    std::vector<int> categories = TakeCategories(args);
    ParsedArgs p = ParseArgs(args, 1, {"data", "settings", "months", "timeout"}, {});
    if (!p.positional.empty()) {
        throw UsageError("update takes no arguments but its options");
    }
    const int periods = MonthsOption(p);
    const int timeOutMs = TimeOutOption(p);
    std::optional<SettingsRecord> settings = CommandSettings(p, err);
    if (!settings) {
        return kExitFailure;
    }
    if (categories.empty()) {
        categories = DirectCategories();
    }

    ConsoleUi ui(err);
    SystemClock clock;
    PosixTcpConnector connector;
    const std::chrono::year_month_day today = clock.Today();
    std::vector<CategoryUpdate> updates;
    bool failed = false;
    for (const int category : categories) {
        for (int i = 0; i < periods; ++i) {
            UpdateRequest request;
            request.category = category;
            request.settings = *settings;
            request.timeOutMs = timeOutMs;
            CategoryUpdate update = ForPeriod(request, today, i);
            update.result = Update(request, ui, clock, connector);
            Report(update, out, err);
            const UpdateOutcome outcome = update.result.outcome;
            // A category imported by hand is skipped, not failed: nothing was asked of it.
            failed = failed ||
                     (!update.result.Succeeded() && outcome != UpdateOutcome::NeedsManualImport);
            updates.push_back(std::move(update));
            if (outcome == UpdateOutcome::NeedsManualImport) {
                break;  // the same for every period
            }
        }
    }

    const UpdateSummary summary = ScanNewMatches(std::move(updates), *settings, err);
    out << "new watch matches\t" << summary.newMatches << '\n';
    TellNews(summary, err);
    return failed ? kExitFailure : kExitOk;
}

}  // namespace yomida::cli

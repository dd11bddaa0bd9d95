#include "cli/UpdateCommand.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <ostream>

#include "cli/CliArgs.h"
#include "cli/ConsoleText.h"
#include "cli/FetchCommand.h"
#include "download/DownloadManager.h"
#include "engine/UpdateRun.h"
#include "platform/Clock.h"
#include "platform/Cp932.h"
#include "platform/TcpSocket.h"
#include "sources/Catalogue.h"
#include "sources/RecordLayout.h"
#include "text/Dates.h"

namespace yomida::cli {
namespace {

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
        if (std::ranges::find(categories, category) == categories.end()) {
            categories.push_back(category);
        }
    }
    return categories;
}

// The category's line: code, period, outcome and record count; the error on standard error.
void Report(const CategoryUpdate& update, std::ostream& out, std::ostream& err) {
    const ListUpdateResult& r = update.result;
    const char* code = FindCategory(update.category)->code;
    PrintNotices(r.notices, err);
    if (!r.healthError.empty()) {
        err << "yomida-cli: the source's health was not recorded: " << r.healthError << '\n';
    }
    if (!r.Succeeded() && !r.detail.empty()) {
        err << "yomida-cli: " << code << ' ' << update.period << ": " << Cp932ToUtf8(r.detail)
            << '\n';
    }
    std::string outcome(FetchOutcomeWord(r.outcome));
    if (r.outcome == FetchOutcome::HttpStatus && r.httpStatus != 0) {
        outcome += ' ' + std::to_string(r.httpStatus);
    }
    const std::string count = r.outcome == FetchOutcome::NoRecords ? "0"
                              : r.Succeeded()                      ? std::to_string(r.records)
                                                                   : "-";
    // Line by line, so a reader of a long run sees each category as it ends.
    out << code << '\t' << update.period << '\t' << outcome << '\t' << count << '\n' << std::flush;
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

    UpdateRunRequest run;
    run.settings = std::move(*settings);
    run.categories = std::move(categories);
    run.periods = periods;
    run.timeOutMs = timeOutMs;
    run.onEach = [&out, &err](const CategoryUpdate& update) { Report(update, out, err); };
    SystemClock clock;
    PosixTcpConnector connector;
    DownloadManager downloads(clock, connector);
    const UpdateSummary summary = RunUpdates(run, downloads, clock);
    for (const std::string& error : summary.watchErrors) {
        err << "yomida-cli: " << error << '\n';
    }
    out << "new watch matches\t" << summary.newMatches << '\n';
    if (!summary.notice.empty()) {
        err << "yomida-cli: " << Cp932ToUtf8(summary.notice) << '\n';
    }
    // News the feed could not take is a failure too: the next run tells it again.
    return summary.failed || summary.feedsFailed ? kExitFailure : kExitOk;
}

}  // namespace yomida::cli

#include "cli/FetchCommand.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <ostream>
#include <system_error>
#include <utility>

#include "cli/CliArgs.h"
#include "cli/ConsoleText.h"
#include "download/DownloadManager.h"
#include "engine/ListUpdate.h"
#include "engine/UpdateRun.h"
#include "engine/WatchFeeds.h"
#include "platform/Cp932.h"
#include "platform/FileSystem.h"
#include "platform/TcpSocket.h"
#include "settings/ProgramPaths.h"
#include "settings/SettingsFile.h"
#include "sources/Catalogue.h"
#include "text/Messages.h"

namespace yomida::cli {

int TimeOutOption(const ParsedArgs& p) {
    constexpr int kDefaultSeconds = 60;
    constexpr int kMostSeconds = 86400;
    const auto value = p.values.find("timeout");
    if (value == p.values.end()) {
        return kDefaultSeconds * 1000;
    }
    const int seconds = ParseInt(value->second, "--timeout");
    if (seconds < 0 || seconds > kMostSeconds) {
        throw UsageError("--timeout takes SECONDS from 0 (no time-out) to " +
                         std::to_string(kMostSeconds));
    }
    return seconds * 1000;
}

std::optional<SettingsRecord> CommandSettings(ParsedArgs& p, std::ostream& err) {
    SettingsRecord paths;
    paths.SetPaths(ResolveWindowProgramPaths(ExecutablePath(), PathEnvironment::Current()));
    // `--hosts` is the older name of `--settings` for fetch.
    std::optional<SettingsRecord> read = SettingsOption(p, err, paths, {"settings", "hosts"});
    if (!read) {
        return std::nullopt;
    }
    SettingsRecord& settings = *read;
    if (p.Has("data")) {
        settings.dataFolder = p.values["data"];
    }
    if (!CreateDirectories(settings.dataFolder)) {
        err << "yomida-cli: " << (settings.dataFolder / "").string()
            << MsgUtf8(Msg::FolderNotCreated) << '\n';
        return std::nullopt;
    }
    HostTable hosts;
    hosts.Override(settings.hosts);
    for (const HostTable::Refusal& r : hosts.Refused()) {
        err << "yomida-cli: " << Cp932ToUtf8(r.message) << '\n';
    }
    const SourceOverrides sources(settings.sources);
    for (const SourceOverrides::Refusal& r : sources.Refused()) {
        err << "yomida-cli: " << Cp932ToUtf8(r.message) << '\n';
    }
    return read;
}

std::optional<std::pair<std::string, int>> ProxyOption(const ParsedArgs& p) {
    const auto value = p.values.find("proxy");
    if (value == p.values.end()) {
        return std::nullopt;
    }
    const std::string& text = value->second;
    const size_t colon = text.rfind(':');
    // Without a host the request would go straight to the server, past the proxy asked for.
    if (colon == std::string::npos || colon == 0) {
        throw UsageError("--proxy takes HOST:PORT");
    }
    const int port = ParseInt(text.substr(colon + 1), "--proxy port");
    if (port < 1 || port > 65535) {
        throw UsageError("--proxy port is not from 1 to 65535: " + text.substr(colon + 1));
    }
    return std::make_pair(text.substr(0, colon), port);
}

namespace {

int ReportFetchResult(const ListUpdateResult& result, bool progress, std::ostream& out,
                      std::ostream& err) {
    PrintNotices(result.notices, err);
    if (!result.healthError.empty()) {
        err << "yomida-cli: the source's health was not recorded: " << result.healthError << '\n';
    }
    if (result.outcome == FetchOutcome::NotServed) {
        return kExitFailure;  // the probe has said why
    }
    if (!result.Succeeded()) {
        if (!result.detail.empty()) {
            err << "yomida-cli: " << Cp932ToUtf8(result.detail) << '\n';
        }
        if (!result.downloaded) {
            return kExitFailure;  // the update check failed: nothing was downloaded
        }
        err << "yomida-cli: no list was fetched"
            << (result.hadList ? "; the previous data file is unchanged" : "") << '\n';
        return kExitFailure;
    }
    if (!result.downloaded && progress) {
        err << "yomida-cli: the page has not changed; use --force to download it anyway\n";
    }
    out << result.location.dataFile.string() << '\n' << std::max(result.records, 0) << '\n';
    return kExitOk;
}

}  // namespace

namespace {

// What a fetch of one category named on the command line adds to the unattended request:
// progress on a terminal, and the calendar and feed refreshed by a new list.
void AskedByName(ListUpdateRequest& request, const Clock& clock, bool progress, std::ostream& err) {
    request.direct = true;
    request.setStatusText = [&err, progress](const std::string& text) {
        if (progress) {
            err << Cp932ToUtf8(text) << '\n';
        }
    };
    // Its news is counted against the update's memory and left for the next update to tell.
    request.watchMemory = request.settings.dataFolder / kUpdateMemoryFile;
    request.feeds = CurrentWatchFeedOptions(clock, request.settings.scheduleAlarm);
}

}  // namespace

int FetchCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    ParsedArgs p = ParseArgs(
        args, 1, {"category", "month", "week", "data", "settings", "hosts", "proxy", "timeout"},
        {"force"});
    if (!p.positional.empty() || !p.Has("category") || !p.Has("month")) {
        throw UsageError("fetch takes --category N and --month YYYY-MM");
    }
    const int category = ParseInt(p.values["category"], "--category");
    const CategoryInfo* info = FindCategory(category);
    if (info == nullptr) {
        throw UsageError(
            "--category takes the number of a category: 1 to 15, or one that a source definition "
            "declares");
    }
    if (!CanFetchDirectly(*info)) {
        err << "yomida-cli: category " << category
            << " is imported by hand: save its page in a browser and use yomida-cli convert\n";
        return kExitUsage;
    }
    const std::chrono::year_month_day target = ParseMonth(p.values["month"]);
    std::optional<int> week;
    if (p.Has("week")) {
        week = ParseInt(p.values["week"], "--week");
    }
    const std::optional<std::pair<std::string, int>> proxy = ProxyOption(p);
    // Unattended, nobody is there to cancel a server that stops sending.
    const int timeOutMs = TimeOutOption(p);
    std::optional<SettingsRecord> settings = CommandSettings(p, err);
    if (!settings) {
        return kExitFailure;
    }
    if (proxy) {
        settings->proxy = proxy->first;
        settings->port = proxy->second;
    }
    ListUpdateRequest request = UnattendedRequest(*settings, category, timeOutMs);
    request.target = target;
    request.weekNumber = week;
    request.forced = p.flags["force"];
    const bool progress = ::isatty(STDERR_FILENO) == 1;
    SystemClock clock;
    AskedByName(request, clock, progress, err);

    PosixTcpConnector connector;
    DownloadManager downloads(clock, connector);
    ListUpdate lists(downloads, clock);
    lists.UseSettings(request.settings);
    UnattendedPolicy policy;
    const ListUpdateResult result = lists.Run(request, policy);
    if (result.watch && !result.watch->error.empty()) {
        err << "yomida-cli: " << result.watch->error << '\n';
    }
    return ReportFetchResult(result, progress, out, err);
}

}  // namespace yomida::cli

#include "cli/FetchCommand.h"

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <ostream>

#include "cli/CliArgs.h"
#include "cli/ConsoleUi.h"
#include "download/DownloadManager.h"
#include "download/HttpClient.h"
#include "engine/HealthWatch.h"
#include "platform/Cp932.h"
#include "platform/FileSystem.h"
#include "platform/TcpSocket.h"
#include "settings/ProgramPaths.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsRecord.h"
#include "sources/Catalogue.h"
#include "text/ScrambledFile.h"
#include "text/SjisLiteral.h"

namespace yomida::cli {
namespace {

// The records of a data file: its lines after the header line.
int CountRecords(const std::filesystem::path& dataFile) {
    ScrambledReader in(dataFile);
    std::string line;
    int lines = 0;
    while (in.ReadLine(line)) {
        ++lines;
    }
    return lines > 0 ? lines - 1 : 0;
}

void WarnUnrecorded(const HealthWatch& health, std::ostream& err) {
    if (!health.RecordError().empty()) {
        err << "yomida-cli: the source's health was not recorded: " << health.RecordError() << '\n';
    }
}

}  // namespace

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

int FetchCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    ParsedArgs p = ParseArgs(
        args, 1, {"category", "month", "week", "data", "hosts", "proxy", "timeout"}, {"force"});
    if (!p.positional.empty() || !p.Has("category") || !p.Has("month")) {
        throw UsageError("fetch takes --category N and --month YYYY-MM");
    }
    const int category = ParseInt(p.values["category"], "--category");
    const CategoryInfo* info = FindCategory(category);
    if (info == nullptr) {
        throw UsageError("--category takes a number from 1 to 15");
    }
    if (info->acquisition != Acquisition::DirectFetch &&
        info->acquisition != Acquisition::DirectOrBrowserPage) {
        err << "yomida-cli: category " << category
            << " is imported by hand: save its page in a browser and use yomida-cli convert\n";
        return kExitUsage;
    }
    const std::chrono::year_month_day target = ParseMonth(p.values["month"]);
    std::string proxyHost;
    int proxyPort = 0;
    if (p.Has("proxy")) {
        const std::string& proxy = p.values["proxy"];
        const size_t colon = proxy.rfind(':');
        if (colon == std::string::npos) {
            throw UsageError("--proxy takes HOST:PORT");
        }
        proxyHost = proxy.substr(0, colon);
        proxyPort = ParseInt(proxy.substr(colon + 1), "--proxy port");
    }

    // The window's folders and settings, unless the command line names others.
    SettingsRecord settings;
    settings.SetPaths(ResolveWindowProgramPaths(ExecutablePath(), PathEnvironment::Current()));
    const std::filesystem::path hostsFile =
        p.Has("hosts") ? std::filesystem::path(p.values["hosts"]) : settings.settingsFile;
    if (p.Has("hosts") && !FileExists(hostsFile)) {
        err << "yomida-cli: " << hostsFile.string() << " が見つかりません\n";
        return kExitFailure;
    }
    if (FileExists(hostsFile)) {
        ReadSettingsFile(hostsFile, settings);
    }
    if (p.Has("data")) {
        settings.dataFolder = p.values["data"];
    }
    if (!CreateDirectories(settings.dataFolder)) {
        err << "yomida-cli: " << (settings.dataFolder / "").string()
            << "フォルダが作成できません\n";
        return kExitFailure;
    }
    HostTable hosts;
    hosts.Override(settings.hosts);
    const SourceOverrides sources(settings.sources);
    for (const SourceOverrides::Refusal& r : sources.Refused()) {
        err << "yomida-cli: " << Cp932ToUtf8(r.message) << '\n';
    }

    ConsoleUi ui(err);
    SystemClock clock;
    DownloadManager downloads(ui, clock);
    PosixTcpConnector connector;
    HttpClient http(connector);
    http.Proxy = proxyHost;
    http.ProxyPort = proxyPort;
    // Unattended, nobody is there to cancel a server that stops sending.
    http.TimeOut = TimeOutOption(p);
    bool succeeded = false;
    http.OnSuccess = [&succeeded](int command) {
        if (command == HttpClient::kGet) {
            succeeded = true;
        }
    };
    http.OnFailure = [&ui](int) { ui.ShowError("取得に失敗しました"_sj); };

    const bool progress = ::isatty(STDERR_FILENO) == 1;
    std::string stampPrefix;
    bool forced = p.flags["force"];
    FetchContext context;
    context.category = category;
    context.directFetch = true;
    context.target = target;
    context.settings = &settings;
    context.stampPrefix = &stampPrefix;
    context.forcedDownload = &forced;
    context.setBusyDisplay = [](bool) {};
    context.setStatusText = [&err, progress](const std::string& text) {
        if (progress) {
            err << Cp932ToUtf8(text) << '\n';
        }
    };
    context.http = &http;
    context.successFlag = &succeeded;

    SourceQuery q;
    q.category = category;
    q.target = target;
    if (p.Has("week")) {
        q.weekNumber = ParseInt(p.values["week"], "--week");
    } else {
        const auto days =
            (std::chrono::sys_days{target} - std::chrono::sys_days{settings.weekBaseDate}).count();
        q.weekNumber = settings.weekBaseNumber + static_cast<int>(days / 7);
    }
    q.dataFolder = settings.dataFolder;
    q.listId = settings.listId;
    q.online = true;
    q.hosts = &hosts;
    q.sources = &sources;
    const BookTownProbe probe = [&]() {
        return downloads.ProbeBookTownMonth(context, hosts.Host(SourceSite::BookTown));
    };
    if (!ResolveCategorySource(q, probe, context.dataFile, context.sourceUrl) ||
        context.sourceUrl.empty()) {
        return kExitFailure;  // the probe has said why
    }

    const bool had = FileExists(context.dataFile);
    bool fetch = !had || forced;
    if (!fetch) {
        // As the window does: an existing list is downloaded again only when its page changed.
        HealthWatch check(context, HealthStep::UpdateCheck, clock);
        fetch = check.Run([&] { return downloads.CheckForUpdate(context); });
        WarnUnrecorded(check, err);
        if (ui.ErrorsShown() > 0) {
            if (!http.Error.empty()) {
                err << "yomida-cli: " << Cp932ToUtf8(http.Error) << '\n';
            }
            return kExitFailure;
        }
    }
    if (fetch) {
        HealthWatch health(context, HealthStep::Fetch, clock);
        const bool ranToEnd = health.Run([&] { return downloads.FetchSource(context); });
        WarnUnrecorded(health, err);
        if (!ranToEnd || !succeeded || ui.ErrorsShown() > 0 || !FileExists(context.dataFile) ||
            !context.directFailure.empty()) {
            if (!context.directFailure.empty()) {
                err << "yomida-cli: " << Cp932ToUtf8(context.directFailure) << '\n';
            } else if (!http.Error.empty()) {
                err << "yomida-cli: " << Cp932ToUtf8(http.Error) << '\n';
            }
            err << "yomida-cli: no list was fetched"
                << (had ? "; the previous data file is unchanged" : "") << '\n';
            return kExitFailure;
        }
    } else if (progress) {
        err << "yomida-cli: the page has not changed; use --force to download it anyway\n";
    }
    out << context.dataFile.string() << '\n' << CountRecords(context.dataFile) << '\n';
    return kExitOk;
}

}  // namespace yomida::cli

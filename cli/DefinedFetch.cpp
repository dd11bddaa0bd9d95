#include "cli/DefinedFetch.h"

#include <unistd.h>

#include <ostream>

#include "cli/CliArgs.h"
#include "cli/ConsoleUi.h"
#include "cli/FetchCommand.h"
#include "download/DefinedSourceFetch.h"
#include "download/DownloadManager.h"
#include "platform/Clock.h"
#include "platform/Cp932.h"
#include "platform/TemporaryFile.h"
#include "settings/VersionInfo.h"
#include "sources/Convert.h"
#include "sources/DataFileName.h"
#include "sources/ResponseBundle.h"
#include "text/CommaText.h"

namespace yomida::cli {

int FetchDefinedCategory(const CategoryInfo& category, ParsedArgs& p, std::ostream& out,
                         std::ostream& err) {
    const std::chrono::year_month_day target = ParseMonth(p.values["month"]);
    const std::optional<std::pair<std::string, int>> proxy = ProxyOption(p);
    const int timeOutMs = TimeOutOption(p);
    const std::optional<SettingsRecord> settings = CommandSettings(p, err);
    if (!settings) {
        return kExitFailure;
    }
    HostTable hosts;
    hosts.Override(settings->hosts);
    const SourceOverrides sources(settings->sources);

    DefinedFetchRequest request;
    request.category = category.number;
    request.target = target;
    request.hosts = &hosts;
    request.sources = &sources;
    request.proxy = proxy ? proxy->first : settings->proxy;
    request.proxyPort = proxy ? proxy->second : settings->port;
    request.timeOutMs = timeOutMs;
    request.userAgent = std::string("YOMIDA/") + VersionInfo::kVersion + " (+https://yomida.jp/)";
    const bool progress = ::isatty(STDERR_FILENO) == 1;
    request.onRequest = [&err, progress](size_t n, const std::string& url) {
        if (progress) {
            err << n << ": " << Cp932ToUtf8(url) << '\n';
        }
    };
    PosixTcpConnector connector;
    HttpClient http(connector);
    const DefinedFetchResult fetched = FetchDefinedSource(http, request);
    if (!fetched.Ok()) {
        err << "yomida-cli: " << Cp932ToUtf8(fetched.error)
            << (fetched.url.empty() ? "" : " (" + Cp932ToUtf8(fetched.url) + ")") << '\n'
            << "yomida-cli: no list was fetched; the previous data file is unchanged\n";
        return kExitFailure;
    }

    const std::filesystem::path dataFile =
        settings->dataFolder / DataFileName::For(category, target, 0).Text();
    // The joined responses go beside the list they become, and are gone once it is written.
    TemporaryFile download(dataFile);
    {
        TextFileWriter writer = download.Writer();
        writer.Write(JoinResponses(fetched.responses));
        writer.Close();
    }
    const SystemClock clock;
    ConvertRequest convert;
    convert.category = category.number;
    convert.input = download.Path();
    convert.output = dataFile;
    convert.target = target;
    convert.stampPrefix =
        StampPrefix(DownloadManager::ParseUpdateStamp(fetched.header, clock.Today()));
    const ConvertResult converted = Convert(convert);
    if (!converted.RanToEnd()) {
        ConsoleUi(err).ShowError(converted.message);
        return kExitFailure;
    }
    if (converted.outcome == ConvertOutcome::NoReleases) {
        err << "yomida-cli: the responses hold no records; the previous data file is unchanged\n";
        return kExitFailure;
    }
    const int records = converted.records;
    out << dataFile.string() << '\n' << records << '\n';
    return kExitOk;
}

}  // namespace yomida::cli

#include "cli/Cli.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>
#include <filesystem>
#include <iostream>
#include <iterator>

#include "cli/CliArgs.h"
#include "cli/Command.h"
#include "cli/ConsoleText.h"
#include "cli/FetchCommand.h"
#include "cli/ListCommands.h"
#include "cli/ScheduleCommand.h"
#include "cli/SeriesCommand.h"
#include "cli/SourcesCommand.h"
#include "cli/StatusCommand.h"
#include "cli/UpdateCommand.h"
#include "cli/WatchCommands.h"
#include "download/HttpClient.h"
#include "platform/Cp932.h"
#include "platform/FileSystem.h"
#include "platform/TemporaryFile.h"
#include "platform/TextFile.h"
#include "settings/ProgramPaths.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsRecord.h"
#include "settings/VersionInfo.h"
#include "sources/Catalogue.h"
#include "sources/Convert.h"
#include "sources/ResponseBundle.h"
#include "text/CommaText.h"
#include "text/NormaliseWidth.h"
#include "text/Scrambler.h"

namespace yomida {
namespace {

using namespace cli;

const std::vector<Command>& Commands();

std::string Usage() {
    return ProgramUsage(Commands());
}

bool AsksForHelp(const std::vector<std::string>& args) {
    return std::find(args.begin() + 1, args.end(), "--help") != args.end();
}

// A missing folder of the output is made, one level and private as the data folder is, so a
// list can be converted into a folder of lists that is not there yet.
void MakeMissingFolder(const std::filesystem::path& output) {
    const std::filesystem::path folder = output.parent_path();
    const std::filesystem::path above = folder.parent_path();
    if (folder.empty() || DirectoryExists(folder) || (!above.empty() && !DirectoryExists(above))) {
        return;
    }
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        throw std::runtime_error("cannot make the folder " + folder.string() + ": " +
                                 std::strerror(errno));
    }
}

std::string ReadAll(std::istream& in) {
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int Normalise(std::istream& in, std::ostream& out) {
    out << NormaliseWidth(ReadAll(in));
    return kExitOk;
}

int Scramble(std::istream& in, std::ostream& out) {
    const std::string input = ReadAll(in);
    Scrambler scrambler;
    size_t start = 0;
    while (start < input.size()) {
        size_t lf = input.find('\n', start);
        size_t end = lf == std::string::npos ? input.size() : lf;
        size_t lineEnd = end;
        if (lineEnd > start && input[lineEnd - 1] == '\r') {
            --lineEnd;
        }
        out << scrambler.ScrambleLine(std::string_view(input).substr(start, lineEnd - start))
            << "\r\n";
        start = end + 1;
    }
    return kExitOk;
}

// The category convert is asked for: --category N, or --source ID of a source definition.
const CategoryInfo& ConvertCategory(ParsedArgs& p) {
    if (p.Has("source")) {
        const std::shared_ptr<const DefinitionSet> set = InstalledDefinitions();
        const SourceDefinition* d = set ? set->FindById(p.values["source"]) : nullptr;
        if (d == nullptr) {
            throw UsageError("--source names no source definition: " + p.values["source"] +
                             " (yomida-cli sources lists them)");
        }
        return *FindCategory(d->number);
    }
    const CategoryInfo* c = FindCategory(ParseInt(p.values["category"], "--category"));
    if (c == nullptr) {
        throw UsageError(
            "--category takes the number of a category: 1 to 15, or one that a source definition "
            "declares");
    }
    return *c;
}

int ConvertCommand(const std::vector<std::string>& args, std::ostream& err) {
    ParsedArgs p = ParseArgs(args, 1, {"category", "source", "month", "week", "stamp"}, {});
    if (p.positional.size() < 2 || p.Has("category") == p.Has("source") || !p.Has("month")) {
        throw UsageError(
            "convert takes --category N (or --source ID) --month YYYY-MM INPUT OUTPUT");
    }
    const CategoryInfo& category = ConvertCategory(p);
    const bool defined = category.converter == ConverterKind::DefinedSource;
    if (p.positional.size() > 2 && !defined) {
        throw UsageError("convert takes one INPUT but for a source defined as data");
    }
    ConvertRequest request;
    request.category = category.number;
    request.target = ParseMonth(p.values["month"]);
    request.input = p.positional[0];
    request.output = p.positional.back();
    if (p.Has("stamp")) {
        request.stampPrefix = StampPrefix(Utf8ToCp932(p.values["stamp"]));
    }
    MakeMissingFolder(request.output);
    // Several saved responses are joined as a fetch joins its pages, beside the output and only
    // for as long as the conversion reads them.
    std::optional<TemporaryFile> joined;
    if (p.positional.size() > 2) {
        std::vector<std::string> responses;
        for (size_t i = 0; i + 1 < p.positional.size(); ++i) {
            responses.push_back(ReadWholeFile(p.positional[i]));
        }
        joined.emplace(request.output);
        TextFileWriter writer = joined->Writer();
        writer.Write(JoinResponses(responses));
        writer.Close();
        request.input = joined->Path();
    }
    const ConvertResult result = Convert(request);
    if (!result.message.empty()) {
        PrintNotices(
            {{result.RanToEnd() ? Notice::Kind::Warning : Notice::Kind::Error, result.message}},
            err);
    }
    return result.RanToEnd() ? kExitOk : kExitFailure;
}

int Http(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    ParsedArgs p = ParseArgs(args, 1, {"proxy", "out", "timeout"}, {});
    if (p.positional.size() != 2 || (p.positional[0] != "get" && p.positional[0] != "head")) {
        throw UsageError("http takes get or head and one URL");
    }
    HttpRequest request;
    request.command = p.positional[0] == "get" ? HttpCommand::kGet : HttpCommand::kHead;
    request.url = p.positional[1];
    request.timeOutMs = TimeOutOption(p);
    if (const auto proxy = ProxyOption(p)) {
        request.proxy = proxy->first;
        request.proxyPort = proxy->second;
    }
    if (p.Has("out")) {
        request.bodyFile = p.values["out"];
    }
    PosixTcpConnector connector;
    HttpClient http(connector);
    const HttpResponse response = http.Get(request, {});
    err << response.header;
    if (!response.error.empty()) {
        err << "yomida-cli: " << Cp932ToUtf8(response.error) << '\n';
        return kExitFailure;
    }
    if (request.bodyFile.empty()) {
        out << response.body;
    }
    return response.Ok() ? kExitOk : kExitFailure;
}

int Url(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    ParsedArgs p = ParseArgs(args, 1, {"category", "month", "week", "settings"}, {});
    if (!p.positional.empty() || !p.Has("category") || !p.Has("month")) {
        throw UsageError("url takes --category N and --month YYYY-MM");
    }
    const int category = ParseInt(p.values["category"], "--category");
    if (FindCategory(category) == nullptr) {
        throw UsageError(
            "--category takes the number of a category: 1 to 15, or one that a source definition "
            "declares");
    }
    // The hosts, URL templates, list id and week numbering the window would use, unless the
    // command line names another settings file.
    const std::optional<SettingsRecord> read = SettingsOption(p, err);
    if (!read) {
        return kExitFailure;
    }
    const SettingsRecord& settings = *read;
    HostTable hosts;
    hosts.Override(settings.hosts);
    const SourceOverrides sources(settings.sources);

    SourceQuery q;
    q.category = category;
    q.target = ParseMonth(p.values["month"]);
    if (p.Has("week")) {
        q.weekNumber = ParseInt(p.values["week"], "--week");
    } else {
        q.weekNumber = settings.Weeks().WeekOf(q.target);
    }
    q.listId = settings.listId;
    q.online = false;  // no month probe: nothing here goes to the network
    q.hosts = &hosts;
    q.sources = &sources;
    std::filesystem::path file;
    std::string url;
    static_cast<void>(ResolveCategorySource(q, {}, file, url));  // offline: no probe to fail
    for (const HostTable::Refusal& r : hosts.Refused()) {
        err << "yomida-cli: " << Cp932ToUtf8(r.message) << '\n';
    }
    for (const SourceOverrides::Refusal& r : sources.Refused()) {
        err << "yomida-cli: " << Cp932ToUtf8(r.message) << '\n';
    }
    err << "source: " << sources.Origin(category) << '\n';
    out << file.filename().string() << '\n' << url << '\n';
    return kExitOk;
}

// --version, or --paths: the files of the window program installed beside this one, since
// that is whose settings and data a user looks for.
int ProgramOption(const std::vector<std::string>& args, std::istream&, std::ostream& out,
                  std::ostream&) {
    if (args.size() != 1) {
        throw UsageError(args[0] + " takes no arguments");
    }
    if (args[0] == "--version") {
        out << "yomida-cli " << VersionInfo::kVersion << '\n';
        return kExitOk;
    }
    const ProgramPaths paths =
        ResolveWindowProgramPaths(ExecutablePath(), PathEnvironment::Current());
    out << paths.settingsFile.string() << '\n' << paths.dataFolder.string() << '\n';
    return kExitOk;
}

// The commands whose work lives elsewhere, in the shape every command is run in.
using Args = std::vector<std::string>;

int RunNormalise(const Args&, std::istream& in, std::ostream& out, std::ostream&) {
    return Normalise(in, out);
}
int RunScramble(const Args&, std::istream& in, std::ostream& out, std::ostream&) {
    return Scramble(in, out);
}
int RunShow(const Args& args, std::istream&, std::ostream& out, std::ostream& err) {
    return Show(args, out, err);
}
int RunTick(const Args& args, std::istream&, std::ostream&, std::ostream& err) {
    return Tick(args, err);
}
int RunExport(const Args& args, std::istream&, std::ostream&, std::ostream& err) {
    return Export(args, err);
}
int RunIcal(const Args& args, std::istream&, std::ostream& out, std::ostream& err) {
    return Ical(args, out, err);
}
int RunWatch(const Args& args, std::istream&, std::ostream& out, std::ostream& err) {
    return Watch(args, out, err);
}
int RunStatus(const Args& args, std::istream&, std::ostream& out, std::ostream& err) {
    return StatusCommand(args, out, err);
}
int RunSchedule(const Args& args, std::istream&, std::ostream& out, std::ostream& err) {
    return ScheduleCommand(args, out, err);
}
int RunConvert(const Args& args, std::istream&, std::ostream&, std::ostream& err) {
    return ConvertCommand(args, err);
}
int RunFetch(const Args& args, std::istream&, std::ostream& out, std::ostream& err) {
    return FetchCommand(args, out, err);
}
int RunUpdate(const Args& args, std::istream&, std::ostream& out, std::ostream& err) {
    return UpdateCommand(args, out, err);
}
int RunHttp(const Args& args, std::istream&, std::ostream& out, std::ostream& err) {
    return Http(args, out, err);
}
int RunUrl(const Args& args, std::istream&, std::ostream& out, std::ostream& err) {
    return Url(args, out, err);
}
int RunSources(const Args& args, std::istream&, std::ostream& out, std::ostream& err) {
    return SourcesCommand(args, out, err);
}

// The options that stand in for a command.
std::vector<Command> ProgramOptions() {
    return {
        {"--version", "", "print the program's version\n", ProgramOption},
        {"--paths", "",
         "print the settings file and the data folder the window program uses,\n"
         "one per line\n",
         ProgramOption},
    };
}

// The filters from standard input to standard output.
std::vector<Command> StreamCommands() {
    return {
        {"normalise", "",
         "standard input (CP932) through the width normaliser to standard output\n", RunNormalise},
        {"scramble", "",
         "each line of standard input scrambled (or unscrambled), written with CR LF\n",
         RunScramble},
    };
}

// The commands that read, tick and export one data file.
std::vector<Command> ListCommands() {
    return {
        {"show",
         " DATAFILE [--publisher TEXT] [--title TEXT] [--author TEXT]\n"
         "              [--days FIRST-LAST] [--marks MARKS] [--checked]\n"
         "              [--order date|publisher|title|price]",
         "print the rows of the result grid (UTF-8, cells separated by tabs)\n"
         "and the record count on standard error\n",
         RunShow},
        {"tick", " DATAFILE NUMBER... [the filter and --order options of show]",
         "click the check column of every shown row with one of the record\n"
         "NUMBERs (ticking or unticking it), then save the ticks into DATAFILE;\n"
         "a NUMBER that no shown row has saves nothing and exits 1\n",
         RunTick},
        {"export", " DATAFILE --month YYYY-MM OUTPUT [the filter and --order options of show]",
         "write the first 30 rows of the grid to OUTPUT as the window's CSV export\n", RunExport},
        {"ical",
         " DATAFILE [--month YYYY-MM] OUTPUT [--settings INIFILE]\n"
         "              [the filter and --order options of show]",
         "write the ticked rows of the grid (every row when none is ticked) to\n"
         "OUTPUT (- for standard output) as an iCalendar file, one all-day event\n"
         "per dated row, in the month of DATAFILE's name (--month must name that\n"
         "month, else exit 2; a weekly list's week follows the settings file's\n"
         "numbering); exit 1 and nothing written when no row is dated\n",
         RunIcal},
    };
}

// The commands over the whole data folder: the watch words, the series, the sources' health.
std::vector<Command> FolderCommands() {
    return {
        {"watch",
         " DATAFOLDER [--publisher TEXT] [--title TEXT] [--author TEXT] [--new]\n"
         "              [--next] [--changes] [--settings INIFILE]",
         "print every record of the folder's data files that the watch words\n"
         "(the options, else the settings file's) match: date, category, data\n"
         "file and the row's cells, separated by tabs; with --next instead the\n"
         "next volumes (次巻) of the series followed in series.txt, the same\n"
         "way; with --new only those not printed by an earlier --new run (the\n"
         "first run prints none); exit 0 when a line was printed, 1 when none;\n"
         "with --changes instead the matches that moved since their list's\n"
         "previous version: 延期 or 取り消し?, the period left, the later one,\n"
         "category, publisher, title and author, separated by tabs; exit 0 when\n"
         "a change was printed\n",
         RunWatch},
        {"series",
         " parse | follow [--data DIR] TITLE... | unfollow [--data DIR] KEY...\n"
         "              | list [--data DIR] [--json]",
         "parse: print for each title of standard input (UTF-8, one a line) its\n"
         "series key, volume and edition, tabs between (empty when none);\n"
         "follow: follow each TITLE's series in DIR/series.txt (DIR: the data\n"
         "folder --paths names) from its volume, or from the highest volume of\n"
         "the series in DIR's lists when higher, and print followed, raised or\n"
         "unchanged, key, volume, its date and category; unfollow: stop\n"
         "following each KEY (or the series of a title); list: print every\n"
         "followed series: key, title, highest volume, its date, next volume,\n"
         "its date and category, tabs between (--json: one JSON document); exit\n"
         "1 when a TITLE names no series or a KEY is not followed (the others\n"
         "are still done)\n",
         SeriesCommand},
        {"status", " [--data DIR] [--json]",
         "print how each category's last fetch or import went, as recorded in\n"
         "DIR/health.txt (DIR: the data folder --paths names), one line per\n"
         "category with tabs between: code, number, name, data file, last attempt,\n"
         "last success, outcome, HTTP status, record count, the previous period's\n"
         "count, marks (failed, suspicious) and the error (only the first three\n"
         "for a category never fetched); --json: the same as one JSON document\n",
         RunStatus},
    };
}

// The commands that bring lists in, by hand, by download or on a timer.
std::vector<Command> FetchCommands() {
    return {
        {"schedule", " on|off|status [--hour H] [--settings INIFILE]",
         "switch the daily update (yomida-cli update) of the systemd user timer\n"
         "on at hour H (0-23; default: the settings file's, else 7) or off, as\n"
         "the setup page does, and record it in INIFILE (default: the window\n"
         "program's settings); status prints schedule, hour and the timer's next\n"
         "run, tab-separated; exit 1 with the reason, nothing changed, when\n"
         "systemd's user manager cannot be reached\n",
         RunSchedule},
        {"convert",
         " --category N|--source ID --month YYYY-MM [--week W] [--stamp TEXT]\n"
         "              INPUT... OUTPUT",
         "convert a saved page or CSV file into the data file OUTPUT as the window\n"
         "does; INPUT is only read. --stamp puts \"TEXT\", in front of the header\n"
         "line, as a direct download does. A missing folder of OUTPUT is made\n"
         "(one level). A source defined as data (--source ID, or its number)\n"
         "takes one or more saved responses, read in order as a fetch reads its\n"
         "pages\n",
         RunConvert},
        {"fetch",
         " --category N --month YYYY-MM [--week W] [--data DIR] [--settings INIFILE]\n"
         "              [--proxy HOST:PORT] [--timeout SECONDS] [--force]",
         "download a directly fetched category (1, 2, 4-7, 12-15, or one defined\n"
         "as data: every request of its month, a second apart) into its data file\n"
         "in DIR as the window does, then print the file and its record count;\n"
         "an existing list is fetched again only when its page changed, or with\n"
         "--force (a source without an update check is fetched every time and\n"
         "its list, ticks and all, kept when the records are the same); a page\n"
         "without records exits 1 and keeps the list; hosts, URL templates and\n"
         "the proxy come from the [HOSTS], [SOURCES] and [INTERNET] sections of\n"
         "INIFILE (--hosts INIFILE is the same; --proxy overrides);\n"
         "a server that sends nothing (or under 1 KB) for SECONDS is an error\n"
         "(default 60, 0 waits for ever)\n",
         RunFetch},
        {"update",
         " [--data DIR] [--settings INIFILE] [--category N]... [--months N]\n"
         "              [--timeout SECONDS]",
         "update every directly fetched category, those defined as data included\n"
         "(or each --category N), for this month and the next (N months; the\n"
         "weekly list: this week and the next) one after another as fetch does\n"
         "(a source without an update check is fetched on every run and its list\n"
         "replaced only when the records differ), then scan the watch words over\n"
         "the lists; print one line per category and period with tabs between: code,\n"
         "period, outcome, record count; then \"new watch matches\" and their\n"
         "number. A category imported by hand is reported as manual-import and\n"
         "skipped. Exit 0 when every category was updated or unchanged, 1 when\n"
         "any failed (the others still run) or watch.ics or watch.atom could not\n"
         "be written\n",
         RunUpdate},
    };
}

// The tools for looking at a source: one request, a period's URL, the definitions.
std::vector<Command> SourceCommands() {
    return {
        {"http", " get|head URL [--proxy HOST:PORT] [--out FILE] [--timeout SECONDS]",
         "one request with the program's HTTP client: the response header on\n"
         "standard error, the body to FILE (or standard output); exit 0 after a\n"
         "success event, 1 after a failure event or an error, 2 for a malformed\n"
         "command line such as a --proxy without its host or port (--timeout as\n"
         "for fetch)\n",
         RunHttp},
        {"url", " --category N --month YYYY-MM [--week W] [--settings INIFILE]",
         "print the data file name and the source URL of a category and period\n"
         "(category 2 is weekly: W defaults to the week of the month's first day),\n"
         "and on standard error where the URL's form came from: built-in, or\n"
         "[SOURCES] CODE, and every refused host or template; hosts, URL\n"
         "templates, the list id and the week numbering come from the [HOSTS],\n"
         "[SOURCES], [SERCH] and [SYOSEKI_SERCH] sections of INIFILE (default:\n"
         "the window program's settings); for a source defined as data, the URL\n"
         "of its month's first request\n",
         RunUrl},
        {"sources", " [--json]",
         "print the source definitions, built-in and the user's own, one line\n"
         "each with tabs between: number, id, name, data-file code, where it\n"
         "comes from (built-in, or the user's file) and \"error: \" with the file,\n"
         "line and reason for one that cannot be used; --json prints the same as\n"
         "one JSON document; exit 1 when a sources folder cannot be read\n",
         RunSources},
    };
}

// In the order the usage lists them.
const std::vector<Command>& Commands() {
    static const std::vector<Command> commands = [] {
        std::vector<Command> all;
        for (const std::vector<Command>& group :
             {ProgramOptions(), StreamCommands(), ListCommands(), FolderCommands(), FetchCommands(),
              SourceCommands()}) {
            all.insert(all.end(), group.begin(), group.end());
        }
        return all;
    }();
    return commands;
}

// Whether a command looks at the categories, and so needs the source definitions' ones too.
bool UsesCatalogue(const std::string& command) {
    return command != "--version" && command != "--paths" && command != "normalise" &&
           command != "scramble" && command != "http" && command != "schedule";
}

// The commands that work on one category name the definitions they cannot use; `sources`
// lists them in its own lines.
bool WarnsOfDefinitions(const std::string& command) {
    return command == "convert" || command == "fetch" || command == "update" || command == "url";
}

int RunCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
               std::ostream& err) {
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        (args.empty() ? err : out) << Usage();
        return args.empty() ? kExitUsage : kExitOk;
    }
    const Command* command = FindCommand(Commands(), args[0]);
    if (command != nullptr && AsksForHelp(args)) {
        out << command->Help();
        return kExitOk;
    }
    try {
        if (command == nullptr) {
            throw UsageError("unknown command " + args[0]);
        }
        if (UsesCatalogue(args[0])) {
            const std::shared_ptr<const DefinitionSet> definitions = UseProgramDefinitions();
            if (WarnsOfDefinitions(args[0])) {
                WarnOfDefinitionProblems(*definitions, err);
            }
        }
        return command->run(args, in, out, err);
    } catch (const UsageError& e) {
        // A known command shows its own synopsis: the whole usage would bury the reason.
        err << "yomida-cli: " << e.what() << '\n' << (command ? command->Usage() : Usage());
        return kExitUsage;
    } catch (const std::exception& e) {
        err << "yomida-cli: " << e.what() << '\n';
        return kExitFailure;
    }
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
           std::ostream& err) {
    const int status = RunCommand(args, in, out, err);
    // Output that never arrived (a full disk, a reader that went away) is a failure, whatever
    // the command made of its work.
    errno = 0;
    out.flush();
    if (!out) {
        const int error = errno;
        err << "yomida-cli: cannot write to standard output"
            << (error != 0 ? std::string(": ") + std::strerror(error) : std::string()) << '\n';
        return status == kExitOk ? kExitFailure : status;
    }
    return status;
}

}  // namespace yomida

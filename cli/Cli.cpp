#include "cli/Cli.h"

#include <charconv>
#include <exception>
#include <filesystem>
#include <iostream>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <sstream>

#include "app/UFRMmain.h"
#include "cli/ConsoleUi.h"
#include "download/TNMHTTP.h"
#include "platform/Clock.h"
#include "platform/Cp932.h"
#include "platform/FileSystem.h"
#include "settings/SettingsRecord.h"
#include "sources/Catalogue.h"
#include "sources/Convert.h"
#include "text/NormaliseWidth.h"
#include "text/Numbers.h"
#include "text/Scrambler.h"

namespace yomida {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

constexpr const char* kUsage =
    "usage: yomida-cli COMMAND ...\n"
    "\n"
    "  normalise   standard input (CP932) through the width normaliser to standard output\n"
    "  scramble    each line of standard input scrambled (or unscrambled), written with CR LF\n"
    "  show DATAFILE [--publisher TEXT] [--title TEXT] [--author TEXT]\n"
    "              [--days FIRST-LAST] [--marks MARKS] [--checked]\n"
    "              [--order date|publisher|title|price]\n"
    "              print the rows of the result grid (UTF-8, cells separated by tabs)\n"
    "              and the record count on standard error\n"
    "  tick DATAFILE NUMBER... [the filter and --order options of show]\n"
    "              click the check column of every shown row with one of the record\n"
    "              NUMBERs (ticking or unticking it), then save the ticks into DATAFILE\n"
    "  export DATAFILE --month YYYY-MM OUTPUT [the filter and --order options of show]\n"
    "              write the first 30 rows of the grid to OUTPUT as the window's CSV export\n"
    "  convert --category N --month YYYY-MM [--week W] [--stamp TEXT] INPUT OUTPUT\n"
    "              convert a saved page or CSV file into the data file OUTPUT as the window\n"
    "              does; INPUT is rewritten in place by the page converters, so give it a\n"
    "              copy when the original must survive. --stamp puts \"TEXT\", in front of\n"
    "              the header line, as a direct download does\n"
    "  http get|head URL [--proxy HOST:PORT] [--out FILE]\n"
    "              one request with the program's HTTP client: the response header on\n"
    "              standard error, the body to FILE (or standard output); exit 0 after a\n"
    "              success event, 1 after a failure event or an error\n"
    "  url --category N --month YYYY-MM [--week W]\n"
    "              print the data file name and the source URL of a category and period\n"
    "              (category 2 is weekly: W defaults to the week of the month's first day)\n";

class UsageError : public std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Options of the form --name VALUE (or --name=VALUE) and flags of the form --name; everything
// else is positional.
struct ParsedArgs {
    std::vector<std::string> positional;
    std::map<std::string, std::string> values;
    std::map<std::string, bool> flags;
};

ParsedArgs ParseArgs(const std::vector<std::string>& args, size_t first,
                     const std::vector<std::string>& valueOptions,
                     const std::vector<std::string>& flagOptions) {
    ParsedArgs parsed;
    for (size_t i = first; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.rfind("--", 0) != 0 || a == "--") {
            parsed.positional.push_back(a);
            continue;
        }
        std::string name = a.substr(2);
        std::optional<std::string> inlineValue;
        if (size_t eq = name.find('='); eq != std::string::npos) {
            inlineValue = name.substr(eq + 1);
            name.resize(eq);
        }
        if (std::find(valueOptions.begin(), valueOptions.end(), name) != valueOptions.end()) {
            if (inlineValue) {
                parsed.values[name] = *inlineValue;
            } else if (i + 1 < args.size()) {
                parsed.values[name] = args[++i];
            } else {
                throw UsageError("--" + name + " needs a value");
            }
        } else if (std::find(flagOptions.begin(), flagOptions.end(), name) != flagOptions.end() &&
                   !inlineValue) {
            parsed.flags[name] = true;
        } else {
            throw UsageError("unknown option " + a);
        }
    }
    return parsed;
}

int ParseInt(const std::string& text, const char* what) {
    const std::optional<int> value = TryStrToInt(text);
    if (!value) {
        throw UsageError(std::string(what) + " is not a number: " + text);
    }
    return *value;
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
    Scrambler scrambler;  // no data folder: the plain-text marker never applies here
    scrambler.ResetScramble();
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

void ApplyMarks(TFRMmain& form, const std::string& marks) {
    form.Cb1.checked = form.Cb2.checked = form.Cb3.checked = false;
    std::string_view rest = marks;
    while (!rest.empty()) {
        if (rest.rfind("上", 0) == 0) {
            form.Cb1.checked = true;
        } else if (rest.rfind("中", 0) == 0) {
            form.Cb2.checked = true;
        } else if (rest.rfind("下", 0) == 0) {
            form.Cb3.checked = true;
        } else {
            throw UsageError("--marks takes the markers 上, 中 and 下: " + marks);
        }
        rest.remove_prefix(std::string_view("上").size());
    }
}

void ApplyDays(TFRMmain& form, const std::string& days) {
    size_t dash = days.find('-');
    if (dash == std::string::npos) {
        throw UsageError("--days takes FIRST-LAST: " + days);
    }
    int first = ParseInt(days.substr(0, dash), "--days FIRST");
    int last = ParseInt(days.substr(dash + 1), "--days LAST");
    if (first < form.SEdtF.minValue || first > form.SEdtF.maxValue || last < form.SEdtT.minValue ||
        last > form.SEdtT.maxValue) {
        throw UsageError("--days takes FIRST from 1 to 31 and LAST from 0 to 31: " + days);
    }
    form.CbDate.checked = true;
    form.CbDateClick();
    form.SEdtF.SetValue(first);
    form.SEdtT.SetValue(last);
}

std::chrono::year_month_day ParseMonth(const std::string& text) {
    if (text.size() != 7 || text[4] != '-') {
        throw UsageError("--month takes YYYY-MM: " + text);
    }
    const int y = ParseInt(text.substr(0, 4), "--month year");
    const int m = ParseInt(text.substr(5, 2), "--month month");
    if (m < 1 || m > 12) {
        throw UsageError("--month takes YYYY-MM: " + text);
    }
    return {std::chrono::year{y}, std::chrono::month{static_cast<unsigned>(m)},
            std::chrono::day{1}};
}

const std::vector<std::string> kFilterOptions = {"publisher", "title", "author",
                                                 "days",      "marks", "order"};

int ParseOrder(const std::string& order) {
    const char* names[] = {"date", "publisher", "title", "price"};
    for (int i = 0; i < 4; ++i) {
        if (order == names[i]) {
            return i;
        }
    }
    throw UsageError("--order takes date, publisher, title or price: " + order);
}

// The main window's logic over one data file, its folder taken as the data folder, with the
// filter controls set from the command line.
struct Session {
    ConsoleUi ui;
    SystemClock clock;
    Scrambler scrambler;
    TFRMmain form;

    Session(const std::filesystem::path& dataFile, ParsedArgs& p, std::ostream& err)
        : ui(err), scrambler(FolderOf(dataFile)), form(ui, scrambler, clock) {
        form.DataFilePath = dataFile;
        form.Settings.dataFolder = FolderOf(dataFile);
        form.CmbSrch1.text = Utf8ToCp932(p.values["publisher"]);
        form.CmbSrch2.text = Utf8ToCp932(p.values["title"]);
        form.CmbSrch3.text = Utf8ToCp932(p.values["author"]);
        if (p.values.count("days")) {
            ApplyDays(form, p.values["days"]);
        }
        if (p.values.count("marks")) {
            ApplyMarks(form, p.values["marks"]);
        }
        if (p.values.count("order")) {
            form.CmbSort.itemIndex = ParseOrder(p.values["order"]);
        }
        form.SelCheck.checked = p.flags["checked"];
    }

    // Loads the data file as the window's display does; false when it is missing.
    bool Load(std::ostream& err) {
        if (!FileExists(form.DataFilePath)) {
            err << "yomida-cli: データファイルがありません: " << form.DataFilePath.string() << '\n';
            return false;
        }
        form.LoadReleaseList();
        return true;
    }
};

int Show(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    ParsedArgs p = ParseArgs(args, 1, kFilterOptions, {"checked"});
    if (p.positional.size() != 1) {
        throw UsageError("show takes one DATAFILE");
    }
    Session session(p.positional[0], p, err);
    if (!session.Load(err)) {
        return kExitFailure;
    }
    const ComboGrid& grid = session.form.ComboGrid1;
    std::string row;
    for (int r = 0; r < grid.RowCount(); ++r) {
        row.clear();
        for (int c = 0; c < grid.ColCount(); ++c) {
            if (c > 0) {
                row += '\t';
            }
            row += grid.Cell(c, r);
        }
        out << Cp932ToUtf8(row) << '\n';
    }
    err << Cp932ToUtf8(session.form.StBar.panels[1].text) << '\n';
    return kExitOk;
}

int Tick(const std::vector<std::string>& args, std::ostream& err) {
    ParsedArgs p = ParseArgs(args, 1, kFilterOptions, {"checked"});
    if (p.positional.size() < 2) {
        throw UsageError("tick takes DATAFILE and at least one record NUMBER");
    }
    const std::set<std::string> numbers(p.positional.begin() + 1, p.positional.end());
    Session session(p.positional[0], p, err);
    if (!session.Load(err)) {
        return kExitFailure;
    }
    TFRMmain& form = session.form;
    for (int r = ComboGrid::kFixedRows; r < form.ComboGrid1.RowCount(); ++r) {
        if (numbers.count(std::string(form.ComboGrid1.Cell(0, r))) != 0) {
            form.ComboGrid1.SetCurrentCell(1, r);
            form.ComboGrid1Click();
        }
    }
    form.CheckSaveExecute();
    return kExitOk;
}

int Export(const std::vector<std::string>& args, std::ostream& err) {
    ParsedArgs p = ParseArgs(args, 1,
                             [] {
                                 std::vector<std::string> options = kFilterOptions;
                                 options.push_back("month");
                                 return options;
                             }(),
                             {"checked"});
    if (p.positional.size() != 2 || !p.values.count("month")) {
        throw UsageError("export takes DATAFILE --month YYYY-MM OUTPUT");
    }
    Session session(p.positional[0], p, err);
    session.form.TargetDate = ParseMonth(p.values["month"]);
    if (!session.Load(err)) {
        return kExitFailure;
    }
    session.ui.saveAnswer = std::filesystem::path(p.positional[1]);
    session.form.SaveCSVExecute();
    return kExitOk;
}

int ConvertCommand(const std::vector<std::string>& args, std::ostream& err) {
    ParsedArgs p = ParseArgs(args, 1, {"category", "month", "week", "stamp"}, {});
    if (p.positional.size() != 2 || !p.values.count("category") || !p.values.count("month")) {
        throw UsageError("convert takes --category N --month YYYY-MM INPUT OUTPUT");
    }
    ConvertRequest request;
    request.category = ParseInt(p.values["category"], "--category");
    if (FindCategory(request.category) == nullptr) {
        throw UsageError("--category takes a number from 1 to 15");
    }
    request.target = ParseMonth(p.values["month"]);
    request.input = p.positional[0];
    request.output = p.positional[1];
    if (p.values.count("stamp")) {
        request.stampPrefix = "\"" + Utf8ToCp932(p.values["stamp"]) + "\",";
    }
    ConsoleUi ui(err);
    Scrambler scrambler(FolderOf(request.output));
    if (!Convert(request, scrambler, ui)) {
        return kExitFailure;
    }
    return kExitOk;
}

int Http(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    ParsedArgs p = ParseArgs(args, 1, {"proxy", "out"}, {});
    if (p.positional.size() != 2 || (p.positional[0] != "get" && p.positional[0] != "head")) {
        throw UsageError("http takes get or head and one URL");
    }
    PosixTcpConnector connector;
    TNMHTTP http(connector);
    if (p.values.count("proxy")) {
        const std::string& proxy = p.values["proxy"];
        const size_t colon = proxy.rfind(':');
        if (colon == std::string::npos) {
            throw UsageError("--proxy takes HOST:PORT");
        }
        http.Proxy = proxy.substr(0, colon);
        http.ProxyPort = ParseInt(proxy.substr(colon + 1), "--proxy port");
    }
    bool succeeded = false;
    http.OnSuccess = [&](int) { succeeded = true; };
    http.OnFailure = [&](int) { succeeded = false; };
    const bool toFile = p.values.count("out") != 0;
    http.InputFileMode = toFile;
    if (toFile) {
        http.BodyFile = p.values["out"];
    }
    try {
        if (p.positional[0] == "get") {
            http.Get(p.positional[1]);
        } else {
            http.Head(p.positional[1]);
        }
    } catch (const HttpError& e) {
        err << http.Header << "yomida-cli: " << e.what() << '\n';
        return kExitFailure;
    }
    err << http.Header;
    if (!toFile) {
        out << http.Body;
    }
    return succeeded ? kExitOk : kExitFailure;
}

int Url(const std::vector<std::string>& args, std::ostream& out) {
    ParsedArgs p = ParseArgs(args, 1, {"category", "month", "week"}, {});
    if (!p.positional.empty() || !p.values.count("category") || !p.values.count("month")) {
        throw UsageError("url takes --category N and --month YYYY-MM");
    }
    const int category = ParseInt(p.values["category"], "--category");
    if (FindCategory(category) == nullptr) {
        throw UsageError("--category takes a number from 1 to 15");
    }
    const SettingsRecord defaults;
    SourceQuery q;
    q.category = category;
    q.target = ParseMonth(p.values["month"]);
    if (p.values.count("week")) {
        q.weekNumber = ParseInt(p.values["week"], "--week");
    } else {
        const auto days =
            (std::chrono::sys_days{q.target} - std::chrono::sys_days{defaults.weekBaseDate})
                .count();
        q.weekNumber = defaults.weekBaseNumber + static_cast<int>(days / 7);
    }
    q.listId = defaults.listId;
    q.onOffLine = "OFF";  // no month probe: nothing here goes to the network
    const HostTable hosts;
    q.hosts = &hosts;
    std::filesystem::path file;
    std::string url;
    ResolveCategorySource(q, {}, file, url);
    out << file.filename().string() << '\n' << url << '\n';
    return kExitOk;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
           std::ostream& err) {
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        (args.empty() ? err : out) << kUsage;
        return args.empty() ? kExitUsage : kExitOk;
    }
    const std::string& command = args[0];
    try {
        if (command == "normalise") {
            return Normalise(in, out);
        }
        if (command == "scramble") {
            return Scramble(in, out);
        }
        if (command == "show") {
            return Show(args, out, err);
        }
        if (command == "convert") {
            return ConvertCommand(args, err);
        }
        if (command == "http") {
            return Http(args, out, err);
        }
        if (command == "url") {
            return Url(args, out);
        }
        if (command == "tick") {
            return Tick(args, err);
        }
        if (command == "export") {
            return Export(args, err);
        }
        throw UsageError("unknown command " + command);
    } catch (const UsageError& e) {
        err << "yomida-cli: " << e.what() << '\n' << kUsage;
        return kExitUsage;
    } catch (const std::exception& e) {
        err << "yomida-cli: " << e.what() << '\n';
        return kExitFailure;
    }
}

}  // namespace yomida

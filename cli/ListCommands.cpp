#include "cli/ListCommands.h"

#include <chrono>
#include <filesystem>
#include <ostream>
#include <set>

#include "cli/CliArgs.h"
#include "engine/CalendarExport.h"
#include "engine/CsvExport.h"
#include "engine/Release.h"
#include "engine/ReleaseListFile.h"
#include "engine/WatchScan.h"
#include "platform/Clock.h"
#include "platform/Cp932.h"
#include "platform/FileSystem.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsRecord.h"
#include "sources/RecordLayout.h"
#include "text/Dates.h"
#include "text/Messages.h"

namespace yomida::cli {
namespace {

const std::vector<std::string> kFilterOptions = {"publisher", "title", "author",
                                                 "days",      "marks", "order"};

DayMarks ParseMarks(const std::string& marks) {
    DayMarks allowed{false, false, false};
    std::string_view rest = marks;
    while (!rest.empty()) {
        if (rest.rfind("上", 0) == 0) {
            allowed.early = true;
        } else if (rest.rfind("中", 0) == 0) {
            allowed.middle = true;
        } else if (rest.rfind("下", 0) == 0) {
            allowed.late = true;
        } else {
            throw UsageError("--marks takes the markers 上, 中 and 下: " + marks);
        }
        rest.remove_prefix(std::string_view("上").size());
    }
    return allowed;
}

// The day span of --days, bounded as the window's day controls are.
void ApplyDays(SearchQuery& query, const std::string& days) {
    size_t dash = days.find('-');
    if (dash == std::string::npos) {
        throw UsageError("--days takes FIRST-LAST: " + days);
    }
    int first = ParseInt(days.substr(0, dash), "--days FIRST");
    int last = ParseInt(days.substr(dash + 1), "--days LAST");
    if (first < 1 || first > 31 || last < 0 || last > 31) {
        throw UsageError("--days takes FIRST from 1 to 31 and LAST from 0 to 31: " + days);
    }
    query.dateRange = true;
    query.firstDay = first;
    query.lastDay = last;
}

int ParseOrder(const std::string& order) {
    const char* names[] = {"date", "publisher", "title", "price"};
    for (int i = 0; i < 4; ++i) {
        if (order == names[i]) {
            return i;
        }
    }
    throw UsageError("--order takes date, publisher, title or price: " + order);
}

// One data file's release list with the query and the order given on the command line.
struct ListSession {
    SystemClock clock;
    ReleaseTable table;
    ReleaseListFile list{table};
    std::filesystem::path dataFile;
    SearchQuery query;
    int order = -1;  // file order unless --order says otherwise

    ListSession(const std::filesystem::path& file, ParsedArgs& p)
        : dataFile(file),
          query(SearchQuery::FromTypedTexts(Utf8ToCp932(p.values["publisher"]),
                                            Utf8ToCp932(p.values["title"]),
                                            Utf8ToCp932(p.values["author"]))) {
        if (p.Has("days")) {
            ApplyDays(query, p.values["days"]);
        }
        if (p.Has("marks")) {
            query.marks = ParseMarks(p.values["marks"]);
        }
        if (p.Has("order")) {
            order = ParseOrder(p.values["order"]);
        }
        query.checkedOnly = p.flags["checked"];
    }

    // Loads the data file as the window's display does; nothing when it is missing.
    std::optional<int> Load(std::ostream& err) {
        if (!FileExists(dataFile)) {
            err << "yomida-cli: " << MsgUtf8(Msg::NoDataFile) << dataFile.string() << '\n';
            return std::nullopt;
        }
        return list.Load(dataFile, query, order);
    }
};

}  // namespace

int Show(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    ParsedArgs p = ParseArgs(args, 1, kFilterOptions, {"checked"});
    if (p.positional.size() != 1) {
        throw UsageError("show takes one DATAFILE");
    }
    ListSession session(p.positional[0], p);
    const std::optional<int> count = session.Load(err);
    if (!count) {
        return kExitFailure;
    }
    const ReleaseTable& table = session.table;
    // The columns of the widest line, as the window's grid shows them.
    const int columns = table.columns > 0 ? table.columns : kRecordColumns;
    std::string row;
    const auto print = [&](const Release& release) {
        row.clear();
        for (int c = 0; c < columns; ++c) {
            if (c > 0) {
                row += '\t';
            }
            row += ShownField(release, c);
        }
        out << Cp932ToUtf8(row) << '\n';
    };
    print(table.header);
    for (const Release& release : table.rows) {
        print(release);
    }
    err << *count << MsgUtf8(Msg::Items) << '\n';
    return kExitOk;
}

int Tick(const std::vector<std::string>& args, std::ostream& err) {
    ParsedArgs p = ParseArgs(args, 1, kFilterOptions, {"checked"});
    if (p.positional.size() < 2) {
        throw UsageError("tick takes DATAFILE and at least one record NUMBER");
    }
    const std::set<std::string> numbers(p.positional.begin() + 1, p.positional.end());
    ListSession session(p.positional[0], p);
    if (!session.Load(err)) {
        return kExitFailure;
    }
    std::vector<Release*> rows;
    std::set<std::string> found;
    for (Release& release : session.table.rows) {
        const std::string number(release.Number());
        if (numbers.count(number) != 0) {
            rows.push_back(&release);
            found.insert(number);
        }
    }
    // A click toggles, so ticking only the numbers found would leave a run that is repeated
    // after the mistake is corrected unticking them again: nothing is saved instead.
    bool missing = false;
    for (const std::string& number : numbers) {
        if (found.count(number) == 0) {
            err << "yomida-cli: no shown record has the number " << number << " in "
                << session.dataFile.string() << '\n';
            missing = true;
        }
    }
    if (missing) {
        err << "yomida-cli: nothing was ticked\n";
        return kExitFailure;
    }
    for (Release* release : rows) {
        release->SetTicked(!release->Ticked());
    }
    const TickSave saved = session.list.SaveTicks(session.dataFile);
    for (const std::string& title : saved.unplaced) {
        err << "yomida-cli: the list changed meanwhile; not ticked: " << Cp932ToUtf8(title) << '\n';
    }
    return saved.unplaced.empty() ? kExitOk : kExitFailure;
}

int Export(const std::vector<std::string>& args, std::ostream& err) {
    std::vector<std::string> options = kFilterOptions;
    options.push_back("month");
    ParsedArgs p = ParseArgs(args, 1, options, {"checked"});
    if (p.positional.size() != 2 || !p.Has("month")) {
        throw UsageError("export takes DATAFILE --month YYYY-MM OUTPUT");
    }
    ListSession session(p.positional[0], p);
    const std::chrono::year_month_day month = ParseMonth(p.values["month"]);
    if (!session.Load(err)) {
        return kExitFailure;
    }
    ExportCsv(session.table.rows, p.positional[1], {month.year(), month.month()});
    return kExitOk;
}

int Ical(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::vector<std::string> options = kFilterOptions;
    options.push_back("month");
    options.push_back("settings");
    ParsedArgs p = ParseArgs(args, 1, options, {"checked"});
    if (p.positional.size() != 2) {
        throw UsageError("ical takes DATAFILE [--month YYYY-MM] OUTPUT");
    }
    // A weekly list's days follow the week numbering of the settings, as in the window.
    const std::optional<SettingsRecord> settings = SettingsOption(p, err);
    if (!settings) {
        return kExitFailure;
    }
    const std::optional<CalendarSource> source =
        CalendarSourceOf(p.positional[0], settings->Weeks());
    if (!source) {
        throw UsageError("ical takes a data file named as the program names them: " +
                         p.positional[0]);
    }
    // The days of a list belong to the period its name gives; any other month would put every
    // event on the wrong day.
    if (p.Has("month")) {
        const std::chrono::year_month_day month = ParseMonth(p.values["month"]);
        if (std::chrono::year_month{month.year(), month.month()} != source->month) {
            throw UsageError("--month " + p.values["month"] + " is not the month of " +
                             p.positional[0] + ", which is " + YearMonthText(source->month, '-'));
        }
    }
    ListSession session(p.positional[0], p);
    if (!session.Load(err)) {
        return kExitFailure;
    }
    const CalendarText cal = ListCalendar(session.table, *source, session.clock.Today());
    if (cal.events > 0) {
        if (p.positional[1] == "-") {
            out << cal.text;
        } else {
            WriteCalendar(cal, p.positional[1]);
        }
    }
    err << cal.events << MsgUtf8(Msg::Items) << '\n';
    if (cal.leftOut > 0) {
        err << MsgUtf8(Msg::UndatedRows) << cal.leftOut << MsgUtf8(Msg::Items) << '\n';
    }
    if (cal.events == 0) {
        // An iCalendar file needs at least one event; an empty one is refused by its readers.
        err << "yomida-cli: " << MsgUtf8(Msg::NoDatedRowsFor) << p.positional[1]
            << MsgUtf8(Msg::NothingWritten) << '\n';
    }
    return cal.events > 0 ? kExitOk : kExitFailure;
}

}  // namespace yomida::cli

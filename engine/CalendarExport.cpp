#include "engine/CalendarExport.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <tuple>

#include "engine/WatchScan.h"
#include "platform/Cp932.h"
#include "platform/FileReplacement.h"
#include "sources/RecordLayout.h"
#include "text/Dates.h"
#include "text/Numbers.h"
#include "text/SjisLiteral.h"

namespace yomida {
namespace {

using namespace std::chrono;

constexpr size_t kMaxLineOctets = 75;

uint64_t Fnv1a(std::string_view bytes, uint64_t hash) {
    for (unsigned char c : bytes) {
        hash ^= c;
        hash *= 1099511628211ULL;
    }
    return hash;
}

std::string Caption(const ReleaseTable& table, int col, const char* fallbackUtf8) {
    const std::string_view caption = table.header.Field(col);
    return caption.empty() ? std::string(fallbackUtf8) : Cp932ToUtf8(caption);
}

// The columns the list shows: as many as its widest line has.
int ColumnsOf(const ReleaseTable& table) {
    return table.columns > 0 ? table.columns : kRecordColumns;
}

std::string_view CellOf(const ReleaseTable& table, int col, size_t row) {
    return col < ColumnsOf(table) ? table.rows[row].Field(col) : std::string_view();
}

// For each release with a day, its rank among the releases with the same publisher, title and
// author, taken by day and then by the rest of the release, so neither the list's order nor the
// ticks change it.
std::vector<int> Occurrences(const ReleaseTable& table, year_month month) {
    struct Dated {
        std::string identity;
        EventSpan span;
        std::string rest;
        size_t row;
    };
    std::vector<Dated> dated;
    for (size_t r = 0; r < table.rows.size(); ++r) {
        const std::optional<EventSpan> span = SpanOfDay(month, CellOf(table, kDateCol, r));
        if (!span) {
            continue;
        }
        Dated d{{}, *span, {}, r};
        for (int col : {kPublisherCol, kTitleCol, kAuthorCol}) {
            d.identity.append(CellOf(table, col, r)).push_back('\t');
        }
        for (int col = 0; col < ColumnsOf(table); ++col) {
            if (col != kNumberCol && col != kCheckCol) {
                d.rest.append(CellOf(table, col, r)).push_back('\t');
            }
        }
        dated.push_back(std::move(d));
    }
    std::sort(dated.begin(), dated.end(), [](const Dated& a, const Dated& b) {
        return std::tie(a.identity, a.span.first, a.span.end, a.rest, a.row) <
               std::tie(b.identity, b.span.first, b.span.end, b.rest, b.row);
    });
    std::vector<int> occurrence(table.rows.size(), 0);
    for (size_t i = 1; i < dated.size(); ++i) {
        if (dated[i].identity == dated[i - 1].identity) {
            occurrence[dated[i].row] = occurrence[dated[i - 1].row] + 1;
        }
    }
    return occurrence;
}

}  // namespace

std::optional<EventSpan> SpanOfDay(year_month month, std::string_view day) {
    const year_month_day last{month / std::chrono::last};
    const auto on = [month](unsigned d) { return year_month_day{month / std::chrono::day{d}}; };
    const auto after = [](year_month_day d) { return year_month_day{sys_days{d} + days{1}}; };
    if (day == "上"_sj) {
        return EventSpan{on(1), on(11)};
    }
    if (day == "中"_sj) {
        return EventSpan{on(11), on(21)};
    }
    if (day == "下"_sj) {
        return EventSpan{on(21), after(last)};
    }
    if (day.size() > 2 && day.ends_with("日"_sj)) {
        day.remove_suffix(std::string_view("日"_sj).size());
    }
    const std::optional<int> number = AllDigits(day) ? TryStrToInt(day) : std::nullopt;
    if (!number || *number < 1 || static_cast<unsigned>(*number) > unsigned(last.day())) {
        return std::nullopt;
    }
    const year_month_day first = on(static_cast<unsigned>(*number));
    return EventSpan{first, after(first)};
}

std::string EscapeCalendarText(std::string_view utf8) {
    std::string out;
    for (size_t i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        switch (c) {
            case '\\':
            case ';':
            case ',':
                out += '\\';
                out += c;
                break;
            case '\r':
                if (i + 1 < utf8.size() && utf8[i + 1] == '\n') {
                    ++i;  // CR LF is one line break
                }
                out += "\\n";
                break;
            case '\n':
                out += "\\n";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string FoldCalendarLine(std::string_view line) {
    std::string out;
    size_t room = kMaxLineOctets;
    while (line.size() > room) {
        size_t cut = room;
        // Step back over continuation bytes so a character stays whole.
        while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) {
            --cut;
        }
        out.append(line.substr(0, cut));
        out += "\r\n ";
        line.remove_prefix(cut);
        room = kMaxLineOctets - 1;  // the leading space counts
    }
    out.append(line);
    out += "\r\n";
    return out;
}

void AddCalendarLine(std::string& text, std::string_view name, std::string_view value) {
    std::string line(name);
    line += ':';
    line += value;
    text += FoldCalendarLine(line);
}

std::string CalendarUid(int category, std::string_view periodKey, std::string_view publisher,
                        std::string_view title, std::string_view author, int occurrence) {
    std::string identity = std::to_string(category);
    for (std::string_view part : {periodKey, publisher, title, author}) {
        identity += '\t';
        identity += part;
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "%016llx%016llx",
                  static_cast<unsigned long long>(Fnv1a(identity, 14695981039346656037ULL)),
                  static_cast<unsigned long long>(Fnv1a(identity, 0x9E3779B97F4A7C15ULL)));
    std::string uid = std::string("yomida-") + std::to_string(category) + "-" +
                      std::string(periodKey) + "-" + buf;
    if (occurrence > 0) {
        uid += "-" + std::to_string(occurrence + 1);
    }
    return uid + "@yomida";
}

std::vector<size_t> CalendarRows(const ReleaseTable& table) {
    std::vector<size_t> ticked;
    std::vector<size_t> shown;
    for (size_t r = 0; r < table.rows.size(); ++r) {
        const Release& release = table.rows[r];
        if (release.Number().empty() && release.Title().empty()) {
            continue;  // the empty row of a list with no record
        }
        shown.push_back(r);
        if (release.Ticked()) {
            ticked.push_back(r);
        }
    }
    return ticked.empty() ? shown : ticked;
}

CalendarText MakeCalendar(const ReleaseTable& table, const std::vector<size_t>& rows,
                          const CalendarSource& source, year_month_day stamp) {
    CalendarText cal;
    std::string& text = cal.text;
    AddCalendarLine(text, "BEGIN", "VCALENDAR");
    AddCalendarLine(text, "VERSION", "2.0");
    AddCalendarLine(text, "PRODID", "-//YOMIDA for Linux//YOMIDA//JA");
    AddCalendarLine(text, "CALSCALE", "GREGORIAN");
    const std::string publisherCaption = Caption(table, kPublisherCol, "出版社");
    const std::string authorCaption = Caption(table, kAuthorCol, "作者");
    const std::string priceCaption = Caption(table, kPriceCol, "価格");
    const std::string codeCaption = Caption(table, kCodeCol, "ISBN");
    const std::vector<int> occurrence = Occurrences(table, source.month);
    for (const size_t r : rows) {
        const std::optional<EventSpan> span = SpanOfDay(source.month, table.rows[r].Day());
        if (!span) {
            ++cal.leftOut;
            continue;
        }
        const auto cell = [&table, r](int col) { return CellOf(table, col, r); };
        std::string description = publisherCaption + ": " + Cp932ToUtf8(cell(kPublisherCol)) +
                                  "\n" + authorCaption + ": " + Cp932ToUtf8(cell(kAuthorCol)) +
                                  "\n" + priceCaption + ": " + Cp932ToUtf8(cell(kPriceCol));
        if (!cell(kCodeCol).empty()) {
            description += "\n" + codeCaption + ": " + Cp932ToUtf8(cell(kCodeCol));
        }
        AddCalendarLine(text, "BEGIN", "VEVENT");
        AddCalendarLine(text, "UID",
                        CalendarUid(source.category, source.periodKey, cell(kPublisherCol),
                                    cell(kTitleCol), cell(kAuthorCol), occurrence[r]));
        AddCalendarLine(text, "DTSTAMP", CompactDate(stamp) + "T000000Z");
        AddCalendarLine(text, "DTSTART;VALUE=DATE", CompactDate(span->first));
        AddCalendarLine(text, "DTEND;VALUE=DATE", CompactDate(span->end));
        AddCalendarLine(text, "SUMMARY", EscapeCalendarText(Cp932ToUtf8(cell(kTitleCol))));
        AddCalendarLine(text, "DESCRIPTION", EscapeCalendarText(description));
        AddCalendarLine(text, "TRANSP", "TRANSPARENT");
        AddCalendarLine(text, "END", "VEVENT");
        ++cal.events;
    }
    AddCalendarLine(text, "END", "VCALENDAR");
    return cal;
}

CalendarText ListCalendar(const ReleaseTable& table, const CalendarSource& source,
                          year_month_day stamp) {
    return MakeCalendar(table, CalendarRows(table), source, stamp);
}

bool WriteCalendar(const CalendarText& cal, const std::filesystem::path& file) {
    if (cal.events == 0) {
        return false;
    }
    FileReplacement out(file);
    out.Writer().Write(cal.text);
    out.Commit();
    return true;
}

std::optional<CalendarSource> CalendarSourceOf(const std::filesystem::path& dataFile,
                                               const WeekNumbering& weeks) {
    const std::optional<WatchFile> named = ParseWatchFileName(dataFile, weeks);
    if (!named) {
        return std::nullopt;
    }
    return CalendarSource{named->category->number, named->periodKey, named->month};
}

}  // namespace yomida

#include "engine/WatchFeeds.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <unordered_set>

#include "engine/CalendarExport.h"
#include "platform/Cp932.h"
#include "platform/FileReplacement.h"
#include "platform/FileSystem.h"
#include "platform/TextFile.h"
#include "sources/Catalogue.h"
#include "sources/RecordLayout.h"
#include "text/Dates.h"
#include "text/Markup.h"
#include "text/Numbers.h"

namespace yomida {
namespace {

using namespace std::chrono;

constexpr std::string_view kCalendarStateHeader = "YOMIDA watch.ics state 1";
constexpr std::string_view kFeedStateHeader = "YOMIDA watch.atom state 1";
// An event gone from the calendar is remembered this long, so that if it comes back its
// sequence goes on rising and a subscriber takes the new dates.
constexpr days kForgetGoneEvents{366};

std::optional<year_month_day> ParseDateValue(std::string_view s) {
    if (s.size() != 8 || !AllDigits(s)) {
        return std::nullopt;
    }
    const year_month_day d{year{*TryStrToInt(s.substr(0, 4))},
                           month{static_cast<unsigned>(*TryStrToInt(s.substr(4, 2)))},
                           day{static_cast<unsigned>(*TryStrToInt(s.substr(6, 2)))}};
    return d.ok() ? std::optional(d) : std::nullopt;
}

// 20261208T091500Z, as iCalendar writes a UTC time.
std::string UtcValue(sys_seconds t) {
    const sys_days day = floor<days>(t);
    const hh_mm_ss<seconds> time{t - day};
    char buf[16];
    std::snprintf(buf, sizeof buf, "T%02d%02d%02dZ", static_cast<int>(time.hours().count()),
                  static_cast<int>(time.minutes().count()),
                  static_cast<int>(time.seconds().count()));
    return CompactDate(year_month_day{day}) + buf;
}

std::optional<sys_seconds> ParseUtcValue(std::string_view s) {
    if (s.size() != 16 || s[8] != 'T' || s[15] != 'Z' || !AllDigits(s.substr(9, 6))) {
        return std::nullopt;
    }
    const std::optional<year_month_day> d = ParseDateValue(s.substr(0, 8));
    const int h = *TryStrToInt(s.substr(9, 2));
    const int m = *TryStrToInt(s.substr(11, 2));
    const int sec = *TryStrToInt(s.substr(13, 2));
    if (!d || h > 23 || m > 59 || sec > 60) {
        return std::nullopt;
    }
    return sys_days{*d} + hours{h} + minutes{m} + seconds{sec};
}

// 2026-12-08T09:15:00Z, as Atom writes a time.
std::string AtomTime(sys_seconds t) {
    const std::string v = UtcValue(t);
    return v.substr(0, 4) + "-" + v.substr(4, 2) + "-" + v.substr(6, 2) + "T" + v.substr(9, 2) +
           ":" + v.substr(11, 2) + ":" + v.substr(13, 2) + "Z";
}

std::vector<std::string_view> SplitTabs(std::string_view line) {
    std::vector<std::string_view> fields;
    for (;;) {
        const size_t tab = line.find('\t');
        fields.push_back(line.substr(0, tab));
        if (tab == line.npos) {
            return fields;
        }
        line.remove_prefix(tab + 1);
    }
}

// The lines of a state file after its header, or nothing when the file is missing; a file with
// another header is damaged.
std::optional<std::vector<std::string>> StateLines(const std::filesystem::path& file,
                                                   std::string_view header, bool& damaged) {
    if (!FileExists(file)) {
        return std::nullopt;
    }
    std::vector<std::string> lines;
    TextFileReader reader(file);
    std::string line;
    if (!reader.ReadLine(line) || line != header) {
        damaged = true;
        return std::nullopt;
    }
    while (reader.ReadLine(line)) {
        lines.push_back(line);
    }
    reader.Close();
    return lines;
}

// A state field holds no tab or line break.
std::string StateField(std::string_view utf8) {
    std::string out(utf8);
    std::replace_if(
        out.begin(), out.end(), [](char c) { return c == '\t' || c == '\r' || c == '\n'; }, ' ');
    return out;
}

std::string CategoryName(int category) {
    const CategoryInfo* info = FindCategory(category);
    return info ? info->displayName : std::to_string(category);
}

// The day part of a match's date text (yyyy/mm/ and the day as the list writes it).
std::string_view DayOf(const WatchMatch& m) {
    const std::string_view text = m.dateText;
    const size_t slash = text.rfind('/');
    return slash == text.npos ? text : text.substr(slash + 1);
}

// The hexadecimal identity hash of the calendar export's UIDs.
std::string IdentityHash(int category, std::string_view periodKey, std::string_view publisher,
                         std::string_view title, std::string_view author) {
    const std::string uid = CalendarUid(category, periodKey, publisher, title, author);
    const size_t at = uid.rfind('@');
    return uid.substr(at - 32, 32);
}

std::string UuidUrn(const std::string& hex) {
    return "urn:uuid:" + hex.substr(0, 8) + "-" + hex.substr(8, 4) + "-" + hex.substr(12, 4) + "-" +
           hex.substr(16, 4) + "-" + hex.substr(20, 12);
}

// ---- the calendar

struct EventState {
    int sequence = 0;
    year_month_day first{};
    year_month_day end{};
    sys_seconds lastModified{};
};

std::map<std::string, EventState> ReadCalendarState(const std::filesystem::path& file,
                                                    bool& damaged) {
    std::map<std::string, EventState> state;
    const std::optional<std::vector<std::string>> lines =
        StateLines(file, kCalendarStateHeader, damaged);
    if (!lines) {
        return state;
    }
    for (const std::string& line : *lines) {
        const std::vector<std::string_view> f = SplitTabs(line);
        const std::optional<int> sequence = f.size() == 5 ? TryStrToInt(f[1]) : std::nullopt;
        const std::optional<year_month_day> first =
            f.size() == 5 ? ParseDateValue(f[2]) : std::nullopt;
        const std::optional<year_month_day> end =
            f.size() == 5 ? ParseDateValue(f[3]) : std::nullopt;
        const std::optional<sys_seconds> modified =
            f.size() == 5 ? ParseUtcValue(f[4]) : std::nullopt;
        if (f[0].empty() || !sequence || *sequence < 0 || !first || !end || !modified ||
            !state.emplace(std::string(f[0]), EventState{*sequence, *first, *end, *modified})
                 .second) {
            damaged = true;
            return {};
        }
    }
    return state;
}

struct Event {
    std::string uid;
    EventSpan span;
    const WatchMatch* match;
};

// The events of the matches from `from` on. Rows alike in category, publisher, title and author
// are numbered by their dates, as the export numbers them, so a title listed twice keeps two
// events and a title that moves stays one.
std::vector<Event> CalendarEvents(const std::vector<WatchMatch>& matches, year_month_day from) {
    struct Dated {
        std::string identity;
        EventSpan span;
        std::string rest;
        size_t index;
    };
    std::vector<Dated> dated;
    for (size_t i = 0; i < matches.size(); ++i) {
        const WatchMatch& m = matches[i];
        const std::optional<EventSpan> span = SpanOfDay(m.month, DayOf(m));
        if (!span || span->first < from) {
            continue;
        }
        Dated d{std::to_string(m.category), *span, {}, i};
        for (size_t col : {kPublisherCol, kTitleCol, kAuthorCol}) {
            d.identity.append("\t").append(m.Cell(col));
        }
        for (size_t col = 0; col < m.cells.size(); ++col) {
            if (col != kNumberCol && col != kCheckCol) {
                d.rest.append(m.cells[col]).push_back('\t');
            }
        }
        d.rest += m.periodKey;
        dated.push_back(std::move(d));
    }
    std::sort(dated.begin(), dated.end(), [](const Dated& a, const Dated& b) {
        return std::tie(a.identity, a.span.first, a.span.end, a.rest, a.index) <
               std::tie(b.identity, b.span.first, b.span.end, b.rest, b.index);
    });
    std::vector<Event> events;
    int occurrence = 0;
    for (size_t i = 0; i < dated.size(); ++i) {
        occurrence = i > 0 && dated[i].identity == dated[i - 1].identity ? occurrence + 1 : 0;
        const WatchMatch& m = matches[dated[i].index];
        // The period stays out of the UID, so a postponed title is the same event moved.
        events.push_back({CalendarUid(m.category, "watch", m.Cell(kPublisherCol), m.Cell(kTitleCol),
                                      m.Cell(kAuthorCol), occurrence),
                          dated[i].span, &m});
    }
    std::sort(events.begin(), events.end(), [](const Event& a, const Event& b) {
        return std::tie(a.span.first, a.uid) < std::tie(b.span.first, b.uid);
    });
    return events;
}

std::string EventDescription(const WatchMatch& m) {
    std::string d =
        "分類: " + CategoryName(m.category) + "\n出版社: " + Cp932ToUtf8(m.Cell(kPublisherCol)) +
        "\n作者: " + Cp932ToUtf8(m.Cell(kAuthorCol)) + "\n価格: " + Cp932ToUtf8(m.Cell(kPriceCol));
    if (!m.Cell(kCodeCol).empty()) {
        d += "\nISBN: " + Cp932ToUtf8(m.Cell(kCodeCol));
    }
    return d;
}

// An event whose dates moved gets a higher sequence and a new modification time, so that a
// subscriber takes the new dates instead of keeping its copy.
EventState StateOfEvent(const Event& e, const std::map<std::string, EventState>& state,
                        sys_seconds now) {
    const auto old = state.find(e.uid);
    if (old == state.end()) {
        return {0, e.span.first, e.span.end, now};
    }
    EventState s = old->second;
    if (s.first != e.span.first || s.end != e.span.end) {
        ++s.sequence;
        s.first = e.span.first;
        s.end = e.span.end;
        s.lastModified = now;
    }
    return s;
}

void AddCalendarHeader(std::string& text) {
    AddCalendarLine(text, "BEGIN", "VCALENDAR");
    AddCalendarLine(text, "VERSION", "2.0");
    AddCalendarLine(text, "PRODID", "-//YOMIDA for Linux//YOMIDA//JA");
    AddCalendarLine(text, "CALSCALE", "GREGORIAN");
    AddCalendarLine(text, "X-WR-CALNAME", EscapeCalendarText("YOMIDA ウォッチ"));
}

void AddEvent(std::string& text, const Event& e, const EventState& s, bool alarm) {
    const WatchMatch& m = *e.match;
    const std::string title = EscapeCalendarText(Cp932ToUtf8(m.Cell(kTitleCol)));
    AddCalendarLine(text, "BEGIN", "VEVENT");
    AddCalendarLine(text, "UID", e.uid);
    AddCalendarLine(text, "DTSTAMP", UtcValue(s.lastModified));
    AddCalendarLine(text, "LAST-MODIFIED", UtcValue(s.lastModified));
    AddCalendarLine(text, "SEQUENCE", std::to_string(s.sequence));
    AddCalendarLine(text, "DTSTART;VALUE=DATE", CompactDate(e.span.first));
    AddCalendarLine(text, "DTEND;VALUE=DATE", CompactDate(e.span.end));
    AddCalendarLine(text, "SUMMARY", title);
    AddCalendarLine(text, "DESCRIPTION", EscapeCalendarText(EventDescription(m)));
    AddCalendarLine(text, "TRANSP", "TRANSPARENT");
    if (alarm) {
        // The event starts at midnight of its first day: 15 hours before is 09:00 the day
        // before.
        AddCalendarLine(text, "BEGIN", "VALARM");
        AddCalendarLine(text, "ACTION", "DISPLAY");
        AddCalendarLine(text, "DESCRIPTION", title);
        AddCalendarLine(text, "TRIGGER", "-PT15H");
        AddCalendarLine(text, "END", "VALARM");
    }
    AddCalendarLine(text, "END", "VEVENT");
}

void KeepRecentlyGoneEvents(std::map<std::string, EventState>& kept,
                            const std::map<std::string, EventState>& state, year_month_day from) {
    for (const auto& [uid, s] : state) {
        if (!kept.contains(uid) && sys_days{s.end} + kForgetGoneEvents >= sys_days{from}) {
            kept.emplace(uid, s);
        }
    }
}

void WriteWholeFile(const std::filesystem::path& file, const std::string& text) {
    FileReplacement out(file);
    out.Writer().Write(text);
    out.Commit();
}

void WriteCalendarState(FileReplacement& stateOut, const std::map<std::string, EventState>& kept) {
    stateOut.Writer().WriteLine(kCalendarStateHeader);
    for (const auto& [uid, s] : kept) {
        stateOut.Writer().WriteLine(uid + "\t" + std::to_string(s.sequence) + "\t" +
                                    CompactDate(s.first) + "\t" + CompactDate(s.end) + "\t" +
                                    UtcValue(s.lastModified));
    }
    stateOut.Commit();
}

size_t WriteCalendarFeed(const std::filesystem::path& folder,
                         const std::vector<WatchMatch>& matches, const WatchFeedOptions& options,
                         bool& damaged) {
    const year_month thisMonth{options.today.year(), options.today.month()};
    const year_month_day from{(thisMonth - months{1}) / 1};
    const std::vector<Event> events = CalendarEvents(matches, from);

    FileReplacement stateOut(folder / kWatchCalendarState);
    const std::map<std::string, EventState> state =
        ReadCalendarState(folder / kWatchCalendarState, damaged);

    std::string text;
    AddCalendarHeader(text);
    std::map<std::string, EventState> kept;
    for (const Event& e : events) {
        const EventState now = StateOfEvent(e, state, options.now);
        kept[e.uid] = now;
        AddEvent(text, e, now, options.alarm);
    }
    AddCalendarLine(text, "END", "VCALENDAR");

    KeepRecentlyGoneEvents(kept, state, from);
    WriteWholeFile(folder / kWatchCalendarFile, text);
    WriteCalendarState(stateOut, kept);
    return events.size();
}

// ---- the feed

struct Entry {
    std::string id;
    sys_seconds updated{};
    std::string category;  // the rest UTF-8
    std::string date;
    std::string publisher;
    std::string title;
    std::string author;
};

std::vector<Entry> ReadFeedState(const std::filesystem::path& file, bool& damaged) {
    std::vector<Entry> entries;
    const std::optional<std::vector<std::string>> lines =
        StateLines(file, kFeedStateHeader, damaged);
    if (!lines) {
        return entries;
    }
    for (const std::string& line : *lines) {
        const std::vector<std::string_view> f = SplitTabs(line);
        const std::optional<sys_seconds> updated =
            f.size() == 7 ? ParseUtcValue(f[1]) : std::nullopt;
        if (!updated || !f[0].starts_with("urn:uuid:")) {
            damaged = true;
            return {};
        }
        entries.push_back({std::string(f[0]), *updated, std::string(f[2]), std::string(f[3]),
                           std::string(f[4]), std::string(f[5]), std::string(f[6])});
    }
    return entries;
}

// The new matches not in the feed yet, each dated now.
std::vector<Entry> FreshEntries(const std::vector<WatchMatch>& matches,
                                const std::vector<Entry>& entries, sys_seconds now) {
    std::vector<Entry> fresh;
    std::unordered_set<std::string> known;
    for (const Entry& e : entries) {
        known.insert(e.id);
    }
    for (const WatchMatch& m : matches) {
        if (!m.isNew) {
            continue;
        }
        // The same identity as the memory of seen matches: the period belongs to it.
        std::string id = UuidUrn(IdentityHash(m.category, m.periodKey, m.Cell(kPublisherCol),
                                              m.Cell(kTitleCol), m.Cell(kAuthorCol)));
        if (!known.insert(id).second) {
            continue;
        }
        fresh.push_back({std::move(id), now, StateField(CategoryName(m.category)),
                         StateField(Cp932ToUtf8(m.dateText)),
                         StateField(Cp932ToUtf8(m.Cell(kPublisherCol))),
                         StateField(Cp932ToUtf8(m.Cell(kTitleCol))),
                         StateField(Cp932ToUtf8(m.Cell(kAuthorCol)))});
    }
    return fresh;
}

// Newest first, the fresh ones ahead of older entries of the same second, and only as many as
// the feed holds.
void AddNewestEntries(std::vector<Entry>& entries, const std::vector<Entry>& fresh) {
    entries.insert(entries.begin(), fresh.begin(), fresh.end());
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return a.updated > b.updated; });
    if (entries.size() > kWatchFeedMaxEntries) {
        entries.resize(kWatchFeedMaxEntries);
    }
}

void AddFeedEntry(std::string& xml, const Entry& e) {
    xml += "  <entry>\n";
    xml += "    <id>" + e.id + "</id>\n";
    xml += "    <title>" + EscapeMarkup(e.title) + "</title>\n";
    xml += "    <updated>" + AtomTime(e.updated) + "</updated>\n";
    xml += "    <category term=\"" + EscapeMarkup(e.category) + "\"/>\n";
    xml += "    <content type=\"text\">" +
           EscapeMarkup("分類: " + e.category + "\n発売日: " + e.date + "\n出版社: " + e.publisher +
                        "\n作者: " + e.author) +
           "</content>\n";
    xml += "  </entry>\n";
}

std::string FeedXml(const std::filesystem::path& folder, const std::vector<Entry>& entries,
                    sys_seconds now) {
    const std::string folderName = std::filesystem::absolute(folder).lexically_normal().string();
    const sys_seconds updated = entries.empty() ? now : entries.front().updated;
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
        "<feed xmlns=\"http://www.w3.org/2005/Atom\" xml:lang=\"ja\">\n";
    xml += "  <id>" + UuidUrn(IdentityHash(0, "feed", folderName, "", "")) + "</id>\n";
    xml += "  <title>YOMIDA ウォッチ新着</title>\n";
    xml += "  <updated>" + AtomTime(updated) + "</updated>\n";
    xml += "  <author><name>YOMIDA</name></author>\n";
    xml += "  <generator>YOMIDA for Linux</generator>\n";
    for (const Entry& e : entries) {
        AddFeedEntry(xml, e);
    }
    xml += "</feed>\n";
    return xml;
}

void WriteFeedState(FileReplacement& stateOut, const std::vector<Entry>& entries) {
    stateOut.Writer().WriteLine(kFeedStateHeader);
    for (const Entry& e : entries) {
        stateOut.Writer().WriteLine(e.id + "\t" + UtcValue(e.updated) + "\t" + e.category + "\t" +
                                    e.date + "\t" + e.publisher + "\t" + e.title + "\t" + e.author);
    }
    stateOut.Commit();
}

size_t WriteNewsFeed(const std::filesystem::path& folder, const std::vector<WatchMatch>& matches,
                     const WatchFeedOptions& options, bool& damaged) {
    FileReplacement stateOut(folder / kWatchFeedState);
    std::vector<Entry> entries = ReadFeedState(folder / kWatchFeedState, damaged);
    AddNewestEntries(entries, FreshEntries(matches, entries, options.now));
    WriteWholeFile(folder / kWatchFeedFile, FeedXml(folder, entries, options.now));
    WriteFeedState(stateOut, entries);
    return entries.size();
}

}  // namespace

WatchFeedOptions CurrentWatchFeedOptions(const Clock& clock, bool alarm) {
    return {alarm, clock.Today(), floor<seconds>(system_clock::now())};
}

WatchFeedsResult WriteWatchFeeds(const std::filesystem::path& dataFolder,
                                 const std::vector<WatchMatch>& matches,
                                 const WatchFeedOptions& options) {
    WatchFeedsResult result;
    result.events = WriteCalendarFeed(dataFolder, matches, options, result.stateDamaged);
    result.entries = WriteNewsFeed(dataFolder, matches, options, result.stateDamaged);
    return result;
}

}  // namespace yomida

#include "engine/WatchCalendar.h"

#include <algorithm>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>

#include "engine/CalendarWriter.h"
#include "engine/FeedState.h"
#include "engine/ReleaseEvent.h"
#include "platform/Cp932.h"
#include "platform/FileReplacement.h"
#include "sources/Catalogue.h"
#include "sources/RecordLayout.h"
#include "text/Dates.h"
#include "text/Numbers.h"

namespace yomida {

using namespace std::chrono;

namespace {

constexpr std::string_view kCalendarStateHeader = "YOMIDA watch.ics state 1";
// An event gone from the calendar is remembered this long, so that if it comes back its
// sequence goes on rising and a subscriber takes the new dates.
constexpr days kForgetGoneEvents{366};

// A watch match as its event is made of it, texts CP932.
struct WatchRelease {
    int category = 0;
    std::string periodKey;
    year_month month;  // the month the day falls in
    std::string day;   // the day in that month, as SpanOfDay reads it
    std::string listedDay;
    std::string publisher;
    std::string title;
    std::string author;
    std::string price;
    std::string code;
    int nextVolume = 0;  // the volume, when a next volume of a followed series
};

WatchRelease WatchReleaseOf(const WatchMatch& m) {
    // The day part of the match's date text (yyyy/mm/ and the day as the list writes it), which
    // holds the week's day for a weekly list without days.
    const std::string_view date = m.dateText;
    const size_t slash = date.rfind('/');
    return {m.category,
            m.periodKey,
            m.month,
            std::string(slash == date.npos ? date : date.substr(slash + 1)),
            m.Cell(kDateCol),
            m.Cell(kPublisherCol),
            m.Cell(kTitleCol),
            m.Cell(kAuthorCol),
            m.Cell(kPriceCol),
            m.Cell(kCodeCol),
            m.isNext ? m.volume : 0};
}

std::string WatchCategoryName(int category) {
    const CategoryInfo* info = FindCategory(category);
    return info ? info->displayName : std::to_string(category);
}

struct WatchEventState {
    int sequence = 0;
    year_month_day first{};
    year_month_day end{};
    sys_seconds lastModified{};
};

std::map<std::string, WatchEventState> ReadCalendarState(const std::filesystem::path& file,
                                                         bool& damaged) {
    std::map<std::string, WatchEventState> state;
    const std::optional<StateFileText> text = ReadStateFile(file);
    if (!text) {
        return state;
    }
    if (text->header != kCalendarStateHeader) {
        damaged = true;
        return state;
    }
    for (const std::string& line : text->lines) {
        const std::vector<std::string_view> f = SplitStateLine(line);
        const bool five = f.size() == 5;
        const std::optional<int> sequence = five ? TryStrToInt(f[1]) : std::nullopt;
        const std::optional<year_month_day> first = five ? ParseStateDate(f[2]) : std::nullopt;
        const std::optional<year_month_day> end = five ? ParseStateDate(f[3]) : std::nullopt;
        const std::optional<sys_seconds> modified = five ? ParseStateTime(f[4]) : std::nullopt;
        if (f[0].empty() || !sequence || *sequence < 0 || !first || !end || !modified ||
            !state.emplace(std::string(f[0]), WatchEventState{*sequence, *first, *end, *modified})
                 .second) {
            damaged = true;
            return {};
        }
    }
    return state;
}

struct WatchEvent {
    std::string uid;
    EventSpan span;
    WatchRelease release;
};

// The events of the matches from `from` on. Releases alike in category, publisher, title and
// author are numbered by their dates, as the export numbers them, so a title listed twice keeps
// two events and a title that moves stays one.
std::vector<WatchEvent> WatchEvents(const std::vector<WatchMatch>& matches, year_month_day from) {
    std::vector<WatchEvent> events;
    std::vector<AlikeRelease> alike;
    for (const WatchMatch& m : matches) {
        WatchRelease r = WatchReleaseOf(m);
        const std::optional<EventSpan> span = SpanOfDay(r.month, r.day);
        if (!span || span->first < from) {
            continue;
        }
        AlikeRelease a{std::to_string(r.category), *span, {}};
        for (const std::string* part : {&r.publisher, &r.title, &r.author}) {
            a.identity.append("\t").append(*part);
        }
        for (const std::string* part :
             {&r.publisher, &r.listedDay, &r.title, &r.author, &r.price, &r.code}) {
            a.rest.append(*part).push_back('\t');
        }
        a.rest += r.periodKey;
        alike.push_back(std::move(a));
        events.push_back({{}, *span, std::move(r)});
    }
    const std::vector<int> occurrence = OccurrencesAmongAlike(alike);
    for (size_t i = 0; i < events.size(); ++i) {
        const WatchRelease& r = events[i].release;
        // The period stays out of the UID, so a postponed title is the same event moved.
        events[i].uid =
            CalendarUid(r.category, "watch", r.publisher, r.title, r.author, occurrence[i]);
    }
    std::sort(events.begin(), events.end(), [](const WatchEvent& a, const WatchEvent& b) {
        return std::tie(a.span.first, a.uid) < std::tie(b.span.first, b.uid);
    });
    return events;
}

std::string WatchEventDescription(const WatchRelease& r) {
    std::string d = "分類: " + WatchCategoryName(r.category) +
                    "\n出版社: " + Cp932ToUtf8(r.publisher) + "\n作者: " + Cp932ToUtf8(r.author) +
                    "\n価格: " + Cp932ToUtf8(r.price);
    if (!r.code.empty()) {
        d += "\nISBN: " + Cp932ToUtf8(r.code);
    }
    if (r.nextVolume > 0) {
        d += "\n次巻: " + std::to_string(r.nextVolume) + "巻";
    }
    return d;
}

// A next volume's event says so in its summary, which is what a calendar shows.
std::string WatchEventSummary(const WatchRelease& r) {
    return (r.nextVolume > 0 ? "次巻: " : "") + Cp932ToUtf8(r.title);
}

// An event whose dates moved gets a higher sequence and a new modification time, so that a
// subscriber takes the new dates instead of keeping its copy. A sequence at the top of its
// range stays there: a calendar holds no higher one.
WatchEventState StateOfEvent(const WatchEvent& e,
                             const std::map<std::string, WatchEventState>& state, sys_seconds now) {
    const auto old = state.find(e.uid);
    if (old == state.end()) {
        return {0, e.span.first, e.span.end, now};
    }
    WatchEventState s = old->second;
    if (s.first != e.span.first || s.end != e.span.end) {
        if (s.sequence < std::numeric_limits<int>::max()) {
            ++s.sequence;
        }
        s.first = e.span.first;
        s.end = e.span.end;
        s.lastModified = now;
    }
    return s;
}

void KeepRecentlyGoneEvents(std::map<std::string, WatchEventState>& kept,
                            const std::map<std::string, WatchEventState>& state,
                            year_month_day from) {
    for (const auto& [uid, s] : state) {
        if (!kept.contains(uid) && sys_days{s.end} + kForgetGoneEvents >= sys_days{from}) {
            kept.emplace(uid, s);
        }
    }
}

void WriteCalendarState(FileReplacement& stateOut,
                        const std::map<std::string, WatchEventState>& kept) {
    stateOut.Writer().WriteLine(kCalendarStateHeader);
    for (const auto& [uid, s] : kept) {
        stateOut.Writer().WriteLine(uid + "\t" + std::to_string(s.sequence) + "\t" +
                                    CompactDate(s.first) + "\t" + CompactDate(s.end) + "\t" +
                                    CalendarUtcTime(s.lastModified));
    }
    stateOut.Commit();
}

}  // namespace

WatchCalendarResult WriteWatchCalendar(const std::filesystem::path& dataFolder,
                                       const std::vector<WatchMatch>& matches, year_month_day today,
                                       sys_seconds now, bool alarm) {
    const year_month thisMonth{today.year(), today.month()};
    const year_month_day from{(thisMonth - months{1}) / 1};
    const std::vector<WatchEvent> events = WatchEvents(matches, from);

    WatchCalendarResult result;
    FileReplacement stateOut(dataFolder / kWatchCalendarState);
    const std::map<std::string, WatchEventState> state =
        ReadCalendarState(dataFolder / kWatchCalendarState, result.stateDamaged);

    CalendarWriter calendar("YOMIDA ウォッチ");
    std::map<std::string, WatchEventState> kept;
    for (const WatchEvent& e : events) {
        const WatchEventState s = StateOfEvent(e, state, now);
        kept[e.uid] = s;
        calendar.Add({e.uid, e.span, WatchEventSummary(e.release), WatchEventDescription(e.release),
                      s.lastModified, s.sequence, alarm});
    }
    KeepRecentlyGoneEvents(kept, state, from);

    FileReplacement out(dataFolder / kWatchCalendarFile);
    out.Writer().Write(calendar.Finish());
    out.Commit();
    WriteCalendarState(stateOut, kept);
    result.events = events.size();
    return result;
}

}  // namespace yomida

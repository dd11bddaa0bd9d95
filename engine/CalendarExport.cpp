#include "engine/CalendarExport.h"

#include "engine/WatchScan.h"
#include "platform/Cp932.h"
#include "platform/FileReplacement.h"
#include "sources/RecordLayout.h"

namespace yomida {

using namespace std::chrono;

namespace {

// Each release's place among the releases alike in identity, counted over the whole list; a
// release without a day makes no event and keeps 0.
std::vector<int> ExportOccurrences(const std::vector<CalendarRelease>& releases, year_month month) {
    std::vector<AlikeRelease> dated;
    std::vector<size_t> datedAt;
    for (size_t i = 0; i < releases.size(); ++i) {
        const CalendarRelease& r = releases[i];
        const std::optional<EventSpan> span = SpanOfDay(month, r.day);
        if (!span) {
            continue;
        }
        AlikeRelease alike{{}, *span, {}};
        for (const std::string* part : {&r.publisher, &r.title, &r.author}) {
            alike.identity.append(*part).push_back('\t');
        }
        for (const std::string* part :
             {&r.publisher, &r.day, &r.title, &r.author, &r.price, &r.code}) {
            alike.rest.append(*part).push_back('\t');
        }
        datedAt.push_back(i);
        dated.push_back(std::move(alike));
    }
    const std::vector<int> ranks = OccurrencesAmongAlike(dated);
    std::vector<int> occurrence(releases.size(), 0);
    for (size_t k = 0; k < dated.size(); ++k) {
        occurrence[datedAt[k]] = ranks[k];
    }
    return occurrence;
}

std::string ExportDescription(const CalendarRelease& r, const CalendarCaptions& captions) {
    std::string description = captions.publisher + ": " + Cp932ToUtf8(r.publisher) + "\n" +
                              captions.author + ": " + Cp932ToUtf8(r.author) + "\n" +
                              captions.price + ": " + Cp932ToUtf8(r.price);
    if (!r.code.empty()) {
        description += "\n" + captions.code + ": " + Cp932ToUtf8(r.code);
    }
    return description;
}

}  // namespace

CalendarList CalendarListOf(const ReleaseTable& table) {
    // The columns the list shows: as many as its widest line has.
    const int columns = table.columns > 0 ? table.columns : kRecordColumns;
    const auto field = [columns](const Release& release, int col) {
        return std::string(col < columns ? release.Field(col) : std::string_view());
    };
    const auto caption = [&table](int col, std::string& text) {
        const std::string_view cp932 = table.header.Field(col);
        if (!cp932.empty()) {
            text = Cp932ToUtf8(cp932);
        }
    };
    CalendarList list;
    caption(kPublisherCol, list.captions.publisher);
    caption(kAuthorCol, list.captions.author);
    caption(kPriceCol, list.captions.price);
    caption(kCodeCol, list.captions.code);
    for (const Release& r : table.rows) {
        list.releases.push_back({field(r, kPublisherCol), field(r, kDateCol), field(r, kTitleCol),
                                 field(r, kAuthorCol), field(r, kPriceCol), field(r, kCodeCol)});
    }
    return list;
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

CalendarText MakeCalendar(const CalendarList& list, const std::vector<size_t>& chosen,
                          const CalendarSource& source, year_month_day stamp) {
    CalendarText cal;
    CalendarWriter writer;
    const std::vector<int> occurrence = ExportOccurrences(list.releases, source.month);
    for (size_t i : chosen) {
        const CalendarRelease& r = list.releases.at(i);
        const std::optional<EventSpan> span = SpanOfDay(source.month, r.day);
        if (!span) {
            ++cal.leftOut;
            continue;
        }
        CalendarEvent event;
        event.uid = CalendarUid(source.category, source.periodKey, r.publisher, r.title, r.author,
                                occurrence[i]);
        event.span = *span;
        event.summary = Cp932ToUtf8(r.title);
        event.description = ExportDescription(r, list.captions);
        event.stamp = sys_days{stamp};
        writer.Add(event);
        ++cal.events;
    }
    cal.text = writer.Finish();
    return cal;
}

CalendarText ListCalendar(const ReleaseTable& table, const CalendarSource& source,
                          year_month_day stamp) {
    return MakeCalendar(CalendarListOf(table), CalendarRows(table), source, stamp);
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

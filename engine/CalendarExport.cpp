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

CalendarList CalendarListOf(const ComboGrid& grid) {
    const auto cell = [&grid](int col, int row) {
        return std::string(col < grid.ColCount() ? grid.Cell(col, row) : std::string_view());
    };
    const auto caption = [&grid](int col, std::string& text) {
        const std::string_view cp932 = grid.Cell(col, 0);
        if (!cp932.empty()) {
            text = Cp932ToUtf8(cp932);
        }
    };
    CalendarList list;
    caption(kPublisherCol, list.captions.publisher);
    caption(kAuthorCol, list.captions.author);
    caption(kPriceCol, list.captions.price);
    caption(kCodeCol, list.captions.code);
    for (int r = ComboGrid::kFirstRecordRow; r < grid.RowCount(); ++r) {
        list.releases.push_back({cell(kPublisherCol, r), cell(kDateCol, r), cell(kTitleCol, r),
                                 cell(kAuthorCol, r), cell(kPriceCol, r), cell(kCodeCol, r)});
    }
    return list;
}

std::vector<int> CalendarRows(const ComboGrid& grid) {
    std::vector<int> ticked;
    std::vector<int> shown;
    for (int r = ComboGrid::kFirstRecordRow; r < grid.RowCount(); ++r) {
        if (grid.Cell(kNumberCol, r).empty() && grid.Cell(kTitleCol, r).empty()) {
            continue;  // the empty row of a list with no record
        }
        shown.push_back(r);
        if (grid.Ticked(r)) {
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

CalendarText MakeCalendar(const ComboGrid& grid, const std::vector<int>& rows,
                          const CalendarSource& source, year_month_day stamp) {
    std::vector<size_t> chosen;
    for (int r : rows) {
        chosen.push_back(static_cast<size_t>(r - ComboGrid::kFirstRecordRow));
    }
    return MakeCalendar(CalendarListOf(grid), chosen, source, stamp);
}

CalendarText GridCalendar(const ComboGrid& grid, const CalendarSource& source,
                          year_month_day stamp) {
    return MakeCalendar(grid, CalendarRows(grid), source, stamp);
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

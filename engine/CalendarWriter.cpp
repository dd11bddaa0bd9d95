#include "engine/CalendarWriter.h"

#include <cstdio>

#include "engine/FeedText.h"
#include "text/Dates.h"

namespace yomida {

using namespace std::chrono;

namespace {

constexpr size_t kMaxLineOctets = 75;

}  // namespace

CalendarWriter::CalendarWriter(std::string_view name) {
    Line("BEGIN", "VCALENDAR");
    Line("VERSION", "2.0");
    Line("PRODID", "-//YOMIDA for Linux//YOMIDA//JA");
    Line("CALSCALE", "GREGORIAN");
    if (!name.empty()) {
        Line("X-WR-CALNAME", EscapeCalendarText(name));
    }
}

void CalendarWriter::Add(const CalendarEvent& event) {
    const std::string summary = EscapeCalendarText(event.summary);
    Line("BEGIN", "VEVENT");
    Line("UID", PrintableUtf8(event.uid));
    Line("DTSTAMP", CalendarUtcTime(event.stamp));
    if (event.sequence) {
        Line("LAST-MODIFIED", CalendarUtcTime(event.stamp));
        Line("SEQUENCE", std::to_string(*event.sequence));
    }
    Line("DTSTART;VALUE=DATE", CompactDate(event.span.first));
    Line("DTEND;VALUE=DATE", CompactDate(event.span.end));
    Line("SUMMARY", summary);
    Line("DESCRIPTION", EscapeCalendarText(event.description));
    Line("TRANSP", "TRANSPARENT");
    if (event.alarm) {
        // The event starts at midnight of its first day: 15 hours before is 09:00 the day
        // before.
        Line("BEGIN", "VALARM");
        Line("ACTION", "DISPLAY");
        Line("DESCRIPTION", summary);
        Line("TRIGGER", "-PT15H");
        Line("END", "VALARM");
    }
    Line("END", "VEVENT");
}

std::string CalendarWriter::Finish() {
    Line("END", "VCALENDAR");
    return std::move(text_);
}

void CalendarWriter::Line(std::string_view name, std::string_view value) {
    std::string line(name);
    line += ':';
    line += value;
    text_ += FoldCalendarLine(line);
}

std::string EscapeCalendarText(std::string_view utf8) {
    const std::string text = PrintableUtf8(utf8);
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        switch (c) {
            case '\\':
            case ';':
            case ',':
                out += '\\';
                out += c;
                break;
            case '\r':
                if (i + 1 < text.size() && text[i + 1] == '\n') {
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
        if (cut == 0) {
            cut = room;  // no character starts here: malformed text is cut where it must be
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

std::string CalendarUtcTime(sys_seconds time) {
    const sys_days day = floor<days>(time);
    const hh_mm_ss<seconds> clock{time - day};
    char buf[16];
    std::snprintf(buf, sizeof buf, "T%02d%02d%02dZ", static_cast<int>(clock.hours().count()),
                  static_cast<int>(clock.minutes().count()),
                  static_cast<int>(clock.seconds().count()));
    return CompactDate(year_month_day{day}) + buf;
}

}  // namespace yomida

#pragma once

#include <libical/ical.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace yomida::test {

// One VEVENT of a calendar file, as a real iCalendar parser reads it.
struct CalendarEvent {
    std::string uid;
    std::string summary;
    std::string description;
    std::string start;  // YYYY-MM-DD, with T and the time after it for a date-time
    std::string end;
    bool allDay = false;  // both ends are dates
    int sequence = -1;
    std::string lastModified;
    int alarmSeconds = 0;  // the trigger's offset, 0 without an alarm
};

// The control characters of a calendar or feed text, as hexadecimal codes, other than the tab and
// the line ends the formats allow; empty when it has none.
inline std::string StrayControls(const std::string& text) {
    std::string found;
    char buf[8];
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const unsigned char next =
            i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
        if ((c < 0x20 && c != '\t' && c != '\r' && c != '\n') || c == 0x7F) {
            std::snprintf(buf, sizeof buf, "%02x ", c);
            found += buf;
        } else if (c == 0xC2 && next >= 0x80 && next <= 0x9F) {
            std::snprintf(buf, sizeof buf, "u+%04x ", next);
            found += buf;
        }
    }
    return found;
}

inline std::string CalendarDate(icaltimetype t) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", t.year, t.month, t.day);
    return t.is_date ? buf
                     : std::string(buf) + "T" +
                           std::to_string(t.hour * 10000 + t.minute * 100 + t.second);
}

// The events of an iCalendar text in their order; fails the test on any parse error.
inline std::vector<CalendarEvent> ParseCalendarEvents(const std::string& text) {
    std::unique_ptr<icalcomponent, void (*)(icalcomponent*)> cal(
        icalparser_parse_string(text.c_str()), icalcomponent_free);
    EXPECT_NE(cal, nullptr);
    if (!cal) {
        return {};
    }
    EXPECT_EQ(icalcomponent_isa(cal.get()), ICAL_VCALENDAR_COMPONENT);
    EXPECT_EQ(icalcomponent_count_errors(cal.get()), 0) << text;
    std::vector<CalendarEvent> events;
    for (icalcomponent* e = icalcomponent_get_first_component(cal.get(), ICAL_VEVENT_COMPONENT);
         e != nullptr; e = icalcomponent_get_next_component(cal.get(), ICAL_VEVENT_COMPONENT)) {
        const icaltimetype start = icalcomponent_get_dtstart(e);
        const icaltimetype end = icalcomponent_get_dtend(e);
        CalendarEvent ev;
        ev.uid = icalcomponent_get_uid(e);
        ev.summary = icalcomponent_get_summary(e);
        const char* description = icalcomponent_get_description(e);
        ev.description = description != nullptr ? description : "";
        ev.start = CalendarDate(start);
        ev.end = CalendarDate(end);
        ev.allDay = start.is_date && end.is_date;
        ev.sequence = icalcomponent_get_sequence(e);
        if (icalproperty* p = icalcomponent_get_first_property(e, ICAL_LASTMODIFIED_PROPERTY)) {
            ev.lastModified = icaltime_as_ical_string(icalproperty_get_lastmodified(p));
        }
        if (icalcomponent* a = icalcomponent_get_first_component(e, ICAL_VALARM_COMPONENT)) {
            icalproperty* trigger = icalcomponent_get_first_property(a, ICAL_TRIGGER_PROPERTY);
            EXPECT_NE(trigger, nullptr);
            if (trigger != nullptr) {
                ev.alarmSeconds =
                    icaldurationtype_as_int(icalproperty_get_trigger(trigger).duration);
            }
        }
        events.push_back(ev);
    }
    return events;
}

}  // namespace yomida::test

#include "engine/CalendarWriter.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/FeedText.h"
#include "support/CalendarEvents.h"

namespace yomida {
namespace {

using namespace std::chrono;

TEST(CalendarWriter, WritesTheExportsAndTheWatchCalendarsLinesInTheirOrder) {
    const EventSpan day{2026y / December / 12, 2026y / December / 13};
    CalendarWriter writer("YOMIDA ウォッチ");
    writer.Add({"a@yomida", day, "題", "出版社: 社\n作者: 甲", sys_days{2026y / December / 1}, {}});
    writer.Add(
        {"b@yomida", day, "題, 二", "価格: 420", sys_days{2026y / December / 8} + 5h, 3, true});
    const std::string text = writer.Finish();
    EXPECT_EQ(text,
              "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//YOMIDA for Linux//YOMIDA//JA\r\n"
              "CALSCALE:GREGORIAN\r\nX-WR-CALNAME:YOMIDA ウォッチ\r\n"
              "BEGIN:VEVENT\r\nUID:a@yomida\r\nDTSTAMP:20261201T000000Z\r\n"
              "DTSTART;VALUE=DATE:20261212\r\nDTEND;VALUE=DATE:20261213\r\nSUMMARY:題\r\n"
              "DESCRIPTION:出版社: 社\\n作者: 甲\r\nTRANSP:TRANSPARENT\r\nEND:VEVENT\r\n"
              "BEGIN:VEVENT\r\nUID:b@yomida\r\nDTSTAMP:20261208T050000Z\r\n"
              "LAST-MODIFIED:20261208T050000Z\r\nSEQUENCE:3\r\n"
              "DTSTART;VALUE=DATE:20261212\r\nDTEND;VALUE=DATE:20261213\r\nSUMMARY:題\\, 二\r\n"
              "DESCRIPTION:価格: 420\r\nTRANSP:TRANSPARENT\r\nBEGIN:VALARM\r\nACTION:DISPLAY\r\n"
              "DESCRIPTION:題\\, 二\r\nTRIGGER:-PT15H\r\nEND:VALARM\r\nEND:VEVENT\r\n"
              "END:VCALENDAR\r\n");
    EXPECT_EQ(test::ParseCalendarEvents(text).size(), 2u);
    EXPECT_EQ(CalendarWriter().Finish(),
              "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//YOMIDA for Linux//YOMIDA//JA\r\n"
              "CALSCALE:GREGORIAN\r\nEND:VCALENDAR\r\n");
}

TEST(CalendarWriter, TextsAreEscapedAndKeepNoControlCharacterOrMalformedByte) {
    const struct {
        std::string in;
        std::string escaped;
    } cases[] = {
        {R"(a,b;c\d)", R"(a\,b\;c\\d)"},
        {"a\r\nb\nc\rd", R"(a\nb\nc\nd)"},
        {"\x1B[31m赤\x07\x7F", "[31m赤"},
        {"\xC2\x9B"
         "2J",
         "2J"},  // the terminal's escape as one C1 character
        {"tab\tkept", "tab\tkept"},
        {"bad \xFF\xFE end", "bad \uFFFD\uFFFD end"},
        {"cut \xE3\x81", "cut \uFFFD"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(EscapeCalendarText(c.in), c.escaped) << c.in;
    }
    EXPECT_EQ(PrintableUtf8("a\r\nb\x1A"), "a\r\nb");
}

TEST(CalendarWriter, LinesFoldAt75OctetsAndAlwaysComeToAnEnd) {
    std::string japanese = "SUMMARY:";
    for (int i = 0; i < 30; ++i) {
        japanese += "長";
    }
    const struct {
        std::string line;
        size_t pieces;
    } cases[] = {
        {std::string(75, 'a'), 1},
        {std::string(76, 'a'), 2},
        {std::string(75 + 74 + 1, 'a'), 3},
        {japanese, 2},
        // Continuation bytes with no character start: cut anyway rather than loop.
        {std::string(200, '\x80'), 3},
    };
    for (const auto& c : cases) {
        const std::string folded = FoldCalendarLine(c.line);
        size_t pieces = 0;
        std::string unfolded;
        for (size_t at = 0; at < folded.size();) {
            const size_t end = folded.find("\r\n", at);
            ASSERT_NE(end, std::string::npos);
            EXPECT_LE(end - at, 75u);
            const size_t body = pieces == 0 ? at : at + 1;
            unfolded += folded.substr(body, end - body);
            if (pieces > 0 && c.line[0] != '\x80') {
                EXPECT_NE(static_cast<unsigned char>(folded[body]) & 0xC0, 0x80);
            }
            ++pieces;
            at = end + 2;
        }
        EXPECT_EQ(pieces, c.pieces) << c.line.size();
        EXPECT_EQ(unfolded, c.line);
    }
}

}  // namespace
}  // namespace yomida

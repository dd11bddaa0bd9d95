#include "engine/CalendarExport.h"

#include "app/ComboGrid.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>

#include "sources/RecordLayout.h"
#include "support/CalendarEvents.h"
#include "support/TestSupport.h"

namespace yomida {
namespace {

using namespace std::chrono;
using test::Sj;

using Event = test::CalendarEvent;

// The events of the text, each of which must be whole days.
std::vector<Event> Parse(const std::string& text) {
    std::vector<Event> events = test::ParseCalendarEvents(text);
    for (const Event& e : events) {
        EXPECT_TRUE(e.allDay) << e.uid;
    }
    return events;
}

// A grid of 8 columns: the header, then one row per {number, tick, date, title}.
ComboGrid Grid(const std::vector<std::array<std::string, 4>>& rows) {
    ComboGrid grid;
    grid.SetColCount(8);
    grid.SetRowCount(static_cast<int>(rows.size()) + 1);
    const char* header[] = {"No", "□", "出版社", "発売日", "タイトル", "作者", "価格", "ISBN"};
    for (int c = 0; c < 8; ++c) {
        grid.SetCell(c, 0, Sj(header[c]));
    }
    for (size_t i = 0; i < rows.size(); ++i) {
        const int r = static_cast<int>(i) + 1;
        grid.SetCell(0, r, rows[i][0]);
        grid.SetTicked(r, rows[i][1] == "■");
        grid.SetCell(2, r, Sj("講談社"));
        grid.SetCell(3, r, Sj(rows[i][2]));
        grid.SetCell(4, r, Sj(rows[i][3]));
        grid.SetCell(5, r, Sj("作者; 甲"));
        grid.SetCell(6, r, "420");
    }
    return grid;
}

const CalendarSource kFeb{1, "2402", year_month{year{2024}, month{2}}};
const year_month_day kToday{year{2024}, month{1}, day{20}};

TEST(CalendarExport, DaysAndThirdsBecomeAllDaySpans) {
    const ComboGrid grid = Grid({{"1", "□", "5", "五日"},
                                 {"2", "□", "上", "上旬"},
                                 {"3", "□", "中", "中旬"},
                                 {"4", "□", "下", "下旬"},
                                 {"5", "□", "30", "無い日"},
                                 {"6", "□", "", "空"},
                                 {"7", "□", "/3", "字"},
                                 {"8", "□", "29", "閏日"},
                                 {"9", "□", "12日", "十二日"},
                                 {"10", "□", "日", "日だけ"},
                                 {"11", "□", "30日", "無い日 日付き"}});
    const CalendarText cal =
        MakeCalendar(CalendarListOf(grid.Table()), CalendarRows(grid.Table()), kFeb, kToday);
    EXPECT_EQ(cal.events, 6u);
    EXPECT_EQ(cal.leftOut, 5u);
    const std::vector<Event> events = Parse(cal.text);
    ASSERT_EQ(events.size(), 6u);
    EXPECT_EQ(events[0].start + " " + events[0].end, "2024-02-05 2024-02-06");
    EXPECT_EQ(events[1].start + " " + events[1].end, "2024-02-01 2024-02-11");
    EXPECT_EQ(events[2].start + " " + events[2].end, "2024-02-11 2024-02-21");
    EXPECT_EQ(events[3].start + " " + events[3].end, "2024-02-21 2024-03-01");
    EXPECT_EQ(events[4].start + " " + events[4].end, "2024-02-29 2024-03-01");
    EXPECT_EQ(events[5].start + " " + events[5].end, "2024-02-12 2024-02-13");
    EXPECT_EQ(events[0].summary, "五日");
    EXPECT_EQ(events[0].description, "出版社: 講談社\n作者: 作者; 甲\n価格: 420");
}

TEST(CalendarExport, TickedRowsOnlyWhenAnyIsTicked) {
    const ComboGrid grid = Grid({{"1", "□", "5", "一"}, {"2", "■", "6", "二"}});
    EXPECT_EQ(CalendarRows(grid.Table()), (std::vector<size_t>{1}));
    EXPECT_EQ(CalendarRows(Grid({{"1", "□", "5", "一"}, {"2", "□", "6", "二"}}).Table()),
              (std::vector<size_t>{0, 1}));
    ComboGrid empty;
    empty.SetRowCount(2);
    EXPECT_TRUE(CalendarRows(empty.Table()).empty());
}

TEST(CalendarExport, LongTitlesFoldWithoutSplittingCharactersAndTextIsEscaped) {
    std::string longTitle;
    for (int i = 0; i < 40; ++i) {
        longTitle += "長";
    }
    const std::string odd = R"(a,b;c\d)";
    const ComboGrid grid = Grid({{"1", "□", "5", longTitle}, {"2", "□", "6", odd}});
    const CalendarText cal =
        MakeCalendar(CalendarListOf(grid.Table()), CalendarRows(grid.Table()), kFeb, kToday);
    size_t start = 0;
    while (start < cal.text.size()) {
        const size_t crlf = cal.text.find("\r\n", start);
        ASSERT_NE(crlf, std::string::npos) << "every line ends in CR LF";
        EXPECT_LE(crlf - start, 75u);
        const size_t body = cal.text[start] == ' ' ? start + 1 : start;
        if (body < crlf) {
            EXPECT_NE(static_cast<unsigned char>(cal.text[body]) & 0xC0, 0x80)
                << "a folded line starts inside a character";
        }
        start = crlf + 2;
    }
    EXPECT_NE(cal.text.find(R"(SUMMARY:a\,b\;c\\d)"), std::string::npos);
    const std::vector<Event> events = Parse(cal.text);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].summary, longTitle);
    EXPECT_EQ(events[1].summary, odd);
    EXPECT_EQ(EscapeCalendarText("a\r\nb\nc"), R"(a\nb\nc)");
}

TEST(CalendarExport, ControlBytesOfAListNeverReachTheFile) {
    // SUB, an escape sequence that colours a terminal, US and what the code page makes of DEL:
    // a calendar may not hold them, and a terminal showing the file would act on them.
    ComboGrid grid = Grid({{"1", "□", "5", "題\x1A\x1B[31m赤\x1F\x7F"}});
    grid.SetCell(kPublisherCol, 1, Sj("講\x1B談社"));
    grid.SetCell(kAuthorCol, 1, Sj("作者\x07"));
    grid.SetCell(kPriceCol, 1,
                 "4\x01"
                 "20");
    grid.SetCell(kCodeCol, 1, "978\x1B");
    const CalendarText cal = ListCalendar(grid.Table(), kFeb, kToday);
    EXPECT_EQ(test::StrayControls(cal.text), "") << cal.text;
    const std::vector<Event> events = Parse(cal.text);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].summary, "題[31m赤");
    EXPECT_EQ(events[0].description, "出版社: 講談社\n作者: 作者\n価格: 420\nISBN: 978");
}

TEST(CalendarExport, UidsStayAcrossExportsAndRenumbering) {
    const ComboGrid first = Grid({{"1", "□", "5", "一"}, {"2", "□", "6", "二"}});
    const ComboGrid again = Grid({{"7", "□", "6", "二"}, {"8", "□", "5", "一"}});
    const auto a =
        Parse(MakeCalendar(CalendarListOf(first.Table()), CalendarRows(first.Table()), kFeb, kToday)
                  .text);
    const auto b = Parse(MakeCalendar(CalendarListOf(again.Table()), CalendarRows(again.Table()),
                                      kFeb, year_month_day{year{2024}, month{2}, day{3}})
                             .text);
    ASSERT_EQ(a.size(), 2u);
    ASSERT_EQ(b.size(), 2u);
    EXPECT_EQ(a[0].uid, b[1].uid);
    EXPECT_EQ(a[1].uid, b[0].uid);
    EXPECT_NE(a[0].uid, a[1].uid);
    const CalendarSource march{1, "2403", year_month{year{2024}, month{3}}};
    EXPECT_NE(Parse(MakeCalendar(CalendarListOf(first.Table()), CalendarRows(first.Table()), march,
                                 kToday)
                        .text)[0]
                  .uid,
              a[0].uid);
}

TEST(CalendarExport, RowsAlikeOnSeveralDaysGetUidsOfTheirOwn) {
    // One title listed on the 1st, 19th and 25th, and once more on the 19th.
    const ComboGrid grid = Grid({{"1", "□", "25", "同"},
                                 {"2", "□", "1", "同"},
                                 {"3", "□", "19", "同"},
                                 {"4", "□", "19", "同"},
                                 {"5", "□", "", "同"}});
    const auto all = Parse(ListCalendar(grid.Table(), kFeb, kToday).text);
    ASSERT_EQ(all.size(), 4u);
    std::map<std::string, std::string> dayOf;
    for (const Event& e : all) {
        EXPECT_TRUE(dayOf.emplace(e.uid, e.start).second) << "a UID twice: " << e.uid;
    }
    // The first day keeps the UID an export made before rows were told apart.
    EXPECT_EQ(all[1].uid, CalendarUid(1, "2402", Sj("講談社"), Sj("同"), Sj("作者; 甲")));

    // Another order and a tick on one row give that row the UID it had in the whole export.
    ComboGrid again = Grid({{"9", "□", "19", "同"},
                            {"8", "■", "25", "同"},
                            {"7", "□", "1", "同"},
                            {"6", "□", "19", "同"}});
    const auto ticked = Parse(ListCalendar(again.Table(), kFeb, kToday).text);
    ASSERT_EQ(ticked.size(), 1u);
    EXPECT_EQ(ticked[0].uid, all[0].uid);
    again.SetTicked(2, false);
    for (const Event& e : Parse(ListCalendar(again.Table(), kFeb, kToday).text)) {
        EXPECT_EQ(dayOf[e.uid], e.start);
    }
}

TEST(CalendarExport, ReleasesOfAnyListBecomeEventsUnderTheirListsCaptions) {
    CalendarList discs;
    discs.captions = {"媒体", "アーティスト", "価格", "品番"};
    discs.releases = {{Sj("CD"), "3", Sj("盤"), Sj("歌手"), "3000", "ABC-1"},
                      {Sj("CD"), "", Sj("日の無い盤"), Sj("歌手"), "3000", ""},
                      {Sj("CD"), "3", Sj("盤"), Sj("歌手"), "3000", "ABC-2"}};
    const CalendarText all = MakeCalendar(discs, {0, 1, 2}, kFeb, kToday);
    EXPECT_EQ(all.events, 2u);
    EXPECT_EQ(all.leftOut, 1u);
    const std::vector<Event> events = Parse(all.text);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].description, "媒体: CD\nアーティスト: 歌手\n価格: 3000\n品番: ABC-1");
    EXPECT_NE(events[0].uid, events[1].uid);
    // The second disc alone keeps the UID it has among all of them.
    const std::vector<Event> one = Parse(MakeCalendar(discs, {2}, kFeb, kToday).text);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].uid, events[1].uid);
}

TEST(CalendarExport, WritesWholeFilesAndNeverOneWithoutAnEvent) {
    test::TempDir dir;
    const ComboGrid grid = Grid({{"1", "□", "5", "一"}});
    const CalendarText cal = ListCalendar(grid.Table(), kFeb, kToday);
    EXPECT_TRUE(WriteCalendar(cal, dir / "out.ics"));
    EXPECT_EQ(test::ReadBytes(dir / "out.ics"), cal.text);
    EXPECT_EQ(Parse(cal.text).size(), 1u);

    const CalendarText none = ListCalendar(Grid({{"1", "□", "", "一"}}).Table(), kFeb, kToday);
    EXPECT_EQ(none.events, 0u);
    EXPECT_FALSE(WriteCalendar(none, dir / "out.ics"));
    EXPECT_EQ(test::ReadBytes(dir / "out.ics"), cal.text);
    EXPECT_FALSE(WriteCalendar(none, dir / "new.ics"));
    EXPECT_FALSE(std::filesystem::exists(dir / "new.ics"));
}

}  // namespace
}  // namespace yomida

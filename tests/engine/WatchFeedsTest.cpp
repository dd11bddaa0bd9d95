#include "engine/WatchFeeds.h"

#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <filesystem>
#include <map>
#include <memory>

#include "engine/CalendarExport.h"
#include "sources/RecordLayout.h"
#include "support/CalendarEvents.h"
#include "support/CliRun.h"
#include "support/TestSupport.h"

namespace yomida {
namespace {

using namespace std::chrono;
using test::Sj;

using Event = test::CalendarEvent;

// The events of the file by their UIDs, which must be unique.
std::map<std::string, Event> ParseCalendar(const std::filesystem::path& file) {
    std::map<std::string, Event> events;
    for (const Event& ev : test::ParseCalendarEvents(test::ReadBytes(file))) {
        EXPECT_TRUE(events.emplace(ev.uid, ev).second) << "UIDs are unique: " << ev.uid;
    }
    return events;
}

struct Entry {
    std::string id;
    std::string title;
    std::string updated;
    std::string summary;
};

std::string Text(xmlNode* node) {
    xmlChar* s = xmlNodeGetContent(node);
    std::string text = s ? reinterpret_cast<const char*>(s) : "";
    xmlFree(s);
    return text;
}

bool Named(xmlNode* node, const char* name) {
    return node->type == XML_ELEMENT_NODE &&
           xmlStrcmp(node->name, reinterpret_cast<const xmlChar*>(name)) == 0 && node->ns &&
           xmlStrcmp(node->ns->href,
                     reinterpret_cast<const xmlChar*>("http://www.w3.org/2005/Atom")) == 0;
}

std::string Child(xmlNode* parent, const char* name) {
    for (xmlNode* c = parent->children; c; c = c->next) {
        if (Named(c, name)) {
            return Text(c);
        }
    }
    return "";
}

// The feed's entries as libxml2 reads the file, with the feed's required elements checked.
std::vector<Entry> ParseFeed(const std::filesystem::path& file, std::string* feedId = nullptr) {
    const std::string text = test::ReadBytes(file);
    std::unique_ptr<xmlDoc, void (*)(xmlDoc*)> doc(
        xmlReadMemory(text.data(), static_cast<int>(text.size()), "watch.atom", nullptr,
                      XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING),
        xmlFreeDoc);
    EXPECT_NE(doc, nullptr) << text;
    if (!doc) {
        return {};
    }
    xmlNode* feed = xmlDocGetRootElement(doc.get());
    EXPECT_TRUE(Named(feed, "feed"));
    EXPECT_NE(Child(feed, "id"), "");
    EXPECT_NE(Child(feed, "title"), "");
    EXPECT_NE(Child(feed, "updated"), "");
    EXPECT_NE(Child(feed, "author"), "");
    if (feedId) {
        *feedId = Child(feed, "id");
    }
    std::vector<Entry> entries;
    for (xmlNode* c = feed->children; c; c = c->next) {
        if (Named(c, "entry")) {
            entries.push_back(
                {Child(c, "id"), Child(c, "title"), Child(c, "updated"), Child(c, "content")});
        }
    }
    return entries;
}

WatchMatch Match(int category, const std::string& period, const std::string& day,
                 const std::string& title, bool isNew = false) {
    WatchMatch m;
    m.category = category;
    m.periodKey = period;
    const int yy = std::stoi(period.substr(0, 2));
    const unsigned mm = static_cast<unsigned>(std::stoi(period.substr(2, 2)));
    m.month = year{2000 + yy} / month{mm};
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "%04d/%02u/", 2000 + yy, mm);
    m.dateText = prefix + Sj(day);
    m.fileName = "comic" + period + ".csv";
    m.cells = {"1", Sj("□"), Sj("講談社"), Sj(day), Sj(title), Sj("作者, 甲"), "420", ""};
    m.isNew = isNew;
    return m;
}

WatchFeedOptions At(int dayOfMonth, int hour, bool alarm = false) {
    const year_month_day today{year{2026}, December, day{static_cast<unsigned>(dayOfMonth)}};
    return {alarm, today, sys_days{today} + hours{hour}};
}

TEST(WatchFeeds, CalendarKeepsUidsAndRaisesTheSequenceWhenATitleMoves) {
    test::TempDir dir;
    std::vector<WatchMatch> matches = {
        Match(1, "2612", "12日", "動く題"),
        Match(1, "2612", "上", "上旬の題"),
        Match(1, "2612", "5", "二度の題"),
        Match(1, "2612", "20", "二度の題"),      // the same title on another day is its own event
        Match(1, "2610", "3", "古い題"),         // before the previous month
        Match(1, "2612", "未定", "日の無い題"),  // no day an event can take
        Match(2, "2611", "30", "a, b; c\\d"),
    };
    WatchFeedsResult r = WriteWatchFeeds(dir.path(), matches, At(8, 5));
    EXPECT_EQ(r.events, 5u);
    EXPECT_FALSE(r.stateDamaged);
    std::map<std::string, Event> first = ParseCalendar(dir / kWatchCalendarFile);
    ASSERT_EQ(first.size(), 5u);
    std::map<std::string, Event> bySummary;
    for (const auto& [uid, e] : first) {
        EXPECT_EQ(e.sequence, 0);
        EXPECT_EQ(e.lastModified, "20261208T050000Z");
        EXPECT_EQ(e.alarmSeconds, 0);
        EXPECT_EQ(uid.find("2612"), std::string::npos) << "the period stays out of the UID";
        bySummary[e.summary + e.start] = e;
    }
    EXPECT_EQ(bySummary.at("動く題2026-12-12").end, "2026-12-13");
    EXPECT_EQ(bySummary.at("上旬の題2026-12-01").end, "2026-12-11");
    EXPECT_EQ(bySummary.at("a, b; c\\d2026-11-30").end, "2026-12-01");
    EXPECT_NE(bySummary.at("二度の題2026-12-05").uid, bySummary.at("二度の題2026-12-20").uid);

    // A later scan finding the same: same UIDs, nothing changed, nothing stamped anew.
    std::reverse(matches.begin(), matches.end());
    WriteWatchFeeds(dir.path(), matches, At(9, 6, true));
    std::map<std::string, Event> second = ParseCalendar(dir / kWatchCalendarFile);
    ASSERT_EQ(second.size(), first.size());
    for (const auto& [uid, e] : first) {
        ASSERT_TRUE(second.contains(uid));
        EXPECT_EQ(second[uid].sequence, 0);
        EXPECT_EQ(second[uid].lastModified, e.lastModified);
        EXPECT_EQ(second[uid].alarmSeconds, -15 * 3600) << "09:00 the day before";
    }

    // The title is postponed to the next month's last third: the same event, moved.
    const std::string moved = bySummary.at("動く題2026-12-12").uid;
    matches.erase(std::find_if(matches.begin(), matches.end(),
                               [](const WatchMatch& m) { return m.Cell(4) == Sj("動く題"); }));
    matches.push_back(Match(1, "2701", "下", "動く題"));
    WriteWatchFeeds(dir.path(), matches, At(10, 7));
    std::map<std::string, Event> third = ParseCalendar(dir / kWatchCalendarFile);
    ASSERT_EQ(third.size(), first.size());
    ASSERT_TRUE(third.contains(moved));
    EXPECT_EQ(third[moved].start, "2027-01-21");
    EXPECT_EQ(third[moved].end, "2027-02-01");
    EXPECT_EQ(third[moved].sequence, 1);
    EXPECT_EQ(third[moved].lastModified, "20261210T070000Z");
    EXPECT_EQ(third[bySummary.at("上旬の題2026-12-01").uid].sequence, 0);

    // Gone for a scan and back on its old day: still a change a subscriber must take.
    matches.pop_back();
    WriteWatchFeeds(dir.path(), matches, At(11, 7));
    EXPECT_FALSE(ParseCalendar(dir / kWatchCalendarFile).contains(moved));
    matches.push_back(Match(1, "2612", "12", "動く題"));
    WriteWatchFeeds(dir.path(), matches, At(12, 7));
    EXPECT_EQ(ParseCalendar(dir / kWatchCalendarFile)[moved].sequence, 2);
}

TEST(WatchFeeds, FeedKeepsEarlierEntriesNewestFirstUpToTheCap) {
    test::TempDir dir;
    std::vector<WatchMatch> matches = {Match(1, "2612", "1", "新しい <&> 題", true),
                                       Match(1, "2612", "2", "見た題", false)};
    WriteWatchFeeds(dir.path(), matches, At(8, 5));
    std::string feedId;
    std::vector<Entry> first = ParseFeed(dir / kWatchFeedFile, &feedId);
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0].title, "新しい <&> 題");
    EXPECT_EQ(first[0].updated, "2026-12-08T05:00:00Z");
    EXPECT_NE(first[0].summary.find("講談社"), std::string::npos);
    EXPECT_NE(first[0].summary.find("2026/12/1"), std::string::npos);
    EXPECT_EQ(first[0].id.rfind("urn:uuid:", 0), 0u);

    // The next scan no longer marks it new; it stays, with its id, below the newer entries.
    for (WatchMatch& m : matches) {
        m.isNew = false;
    }
    for (int i = 0; i < 150; ++i) {
        matches.push_back(Match(2, "2612", "3", "一回目" + std::to_string(i), true));
    }
    WriteWatchFeeds(dir.path(), matches, At(9, 5));
    std::string sameFeedId;
    std::vector<Entry> second = ParseFeed(dir / kWatchFeedFile, &sameFeedId);
    EXPECT_EQ(sameFeedId, feedId);
    ASSERT_EQ(second.size(), 151u);
    EXPECT_EQ(second.back().id, first[0].id);
    EXPECT_EQ(second.front().title, "一回目0");
    EXPECT_EQ(second.front().updated, "2026-12-09T05:00:00Z");

    // A match marked new twice, by the window and by the command line, is one entry.
    for (int i = 0; i < 100; ++i) {
        matches.push_back(Match(3, "2701", "4", "二回目" + std::to_string(i), true));
    }
    WriteWatchFeeds(dir.path(), matches, At(10, 5));
    std::vector<Entry> third = ParseFeed(dir / kWatchFeedFile);
    ASSERT_EQ(third.size(), kWatchFeedMaxEntries);
    EXPECT_EQ(third[0].title, "二回目0");
    EXPECT_EQ(third[99].title, "二回目99");
    EXPECT_EQ(third[100].title, "一回目0");
    EXPECT_EQ(third[100].id, second[0].id);
    EXPECT_EQ(third[199].title, "一回目99") << "the oldest went first";
}

TEST(WatchFeeds, DamagedStateFilesStartAfresh) {
    test::TempDir dir;
    const std::vector<WatchMatch> matches = {Match(1, "2612", "12", "題", true)};
    WriteWatchFeeds(dir.path(), matches, At(8, 5));
    const std::string uid = ParseCalendar(dir / kWatchCalendarFile).begin()->first;

    test::WriteBytes(dir / kWatchCalendarState, "YOMIDA watch.ics state 1\r\nuid\tx\t1\t2\n");
    test::WriteBytes(dir / kWatchFeedState, std::string("\0\xff garbage", 10));
    const WatchFeedsResult r = WriteWatchFeeds(dir.path(), matches, At(9, 5));
    EXPECT_TRUE(r.stateDamaged);
    std::map<std::string, Event> events = ParseCalendar(dir / kWatchCalendarFile);
    ASSERT_TRUE(events.contains(uid));
    EXPECT_EQ(events[uid].sequence, 0);
    EXPECT_EQ(ParseFeed(dir / kWatchFeedFile).size(), 1u);
    EXPECT_FALSE(WriteWatchFeeds(dir.path(), matches, At(10, 5)).stateDamaged)
        << "the state was written anew";

    // Nothing watched any more: the events go from the subscribed calendar, the entries stay.
    EXPECT_EQ(WriteWatchFeeds(dir.path(), {}, At(11, 5)).events, 0u);
    EXPECT_TRUE(ParseCalendar(dir / kWatchCalendarFile).empty());
    EXPECT_EQ(ParseFeed(dir / kWatchFeedFile).size(), 1u);
}

TEST(WatchFeeds, ControlBytesOfAListNeverReachTheCalendarOrTheFeed) {
    test::TempDir dir;
    WatchMatch m = Match(1, "2612", "12", "題\x1A\x1B[2J消\x1F", true);
    m.cells[kPublisherCol] = Sj("講\x1B談社");
    m.cells[kAuthorCol] = Sj("作者\x07");
    m.cells[kPriceCol] =
        "4\x01"
        "20";
    WriteWatchFeeds(dir.path(), {m}, At(8, 5, true));
    const std::string calendar = test::ReadBytes(dir / kWatchCalendarFile);
    const std::string feed = test::ReadBytes(dir / kWatchFeedFile);
    EXPECT_EQ(test::StrayControls(calendar), "") << calendar;
    EXPECT_EQ(test::StrayControls(feed), "") << feed;
    const std::map<std::string, Event> events = ParseCalendar(dir / kWatchCalendarFile);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events.begin()->second.summary, "題[2J消");
    const std::vector<Entry> entries = ParseFeed(dir / kWatchFeedFile);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].title, "題[2J消");
    EXPECT_NE(entries[0].summary.find("出版社: 講談社\n作者: 作者"), std::string::npos)
        << entries[0].summary;
}

TEST(WatchFeeds, ValuesReadBackFromDamagedStateFilesAreEscapedAndBounded) {
    test::TempDir dir;
    std::vector<WatchMatch> matches = {Match(1, "2612", "12", "題", true)};
    WriteWatchFeeds(dir.path(), matches, At(8, 5));
    const std::string uid = ParseCalendar(dir / kWatchCalendarFile).begin()->first;

    // A sequence at the top of its range, and the event moves: it may not wrap below zero.
    test::WriteBytes(dir / kWatchCalendarState, "YOMIDA watch.ics state 1\r\n" + uid +
                                                    "\t2147483647\t20261201\t20261202\t"
                                                    "20261208T050000Z\r\n");
    // Entries whose id, texts and bytes no feed may hold as they are.
    const std::string state = test::ReadBytes(dir / kWatchFeedState);
    test::WriteBytes(dir / kWatchFeedState,
                     state +
                         "urn:uuid:x<y>&z\"\t20261201T000000Z\t分類\x1B\t2026/12/\xff\xfe"
                         "\t<出版社>\t\x1B[2J題\x7F\t作者]]>\r\n");
    const WatchFeedsResult r = WriteWatchFeeds(dir.path(), matches, At(9, 5));
    std::map<std::string, Event> events = ParseCalendar(dir / kWatchCalendarFile);
    ASSERT_TRUE(events.contains(uid));
    EXPECT_EQ(events[uid].sequence, 2147483647);
    EXPECT_EQ(events[uid].start, "2026-12-12");

    const std::string feed = test::ReadBytes(dir / kWatchFeedFile);
    EXPECT_EQ(test::StrayControls(feed), "") << feed;
    const std::vector<Entry> entries = ParseFeed(dir / kWatchFeedFile);
    ASSERT_EQ(entries.size(), r.entries);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].id, "urn:uuid:x<y>&z\"");
    EXPECT_EQ(entries[1].title, "[2J題");
    EXPECT_NE(entries[1].summary.find("発売日: 2026/12/\uFFFD"), std::string::npos)
        << "malformed UTF-8 becomes the replacement character: " << entries[1].summary;
}

TEST(WatchFeeds, TheFeedKeepsItsIdWhenTheFolderMoves) {
    test::TempDir dir;
    std::filesystem::create_directory(dir / "here");
    const std::vector<WatchMatch> matches = {Match(1, "2612", "12", "題", true)};
    WriteWatchFeeds(dir / "here", matches, At(8, 5));
    std::string id;
    const std::vector<Entry> before = ParseFeed(dir / "here" / kWatchFeedFile, &id);

    std::filesystem::rename(dir / "here", dir / "there");
    WriteWatchFeeds(dir / "there", {Match(1, "2612", "13", "次の題", true)}, At(9, 5));
    std::string movedId;
    const std::vector<Entry> after = ParseFeed(dir / "there" / kWatchFeedFile, &movedId);
    EXPECT_EQ(movedId, id);
    ASSERT_EQ(after.size(), 2u);
    EXPECT_EQ(after[1].id, before[0].id);

    // Another folder of the same path is another feed.
    std::filesystem::create_directory(dir / "here");
    WriteWatchFeeds(dir / "here", matches, At(8, 5));
    std::string otherId;
    ParseFeed(dir / "here" / kWatchFeedFile, &otherId);
    EXPECT_NE(otherId, id);
    EXPECT_EQ(otherId.rfind("urn:uuid:", 0), 0u);
}

TEST(WatchFeeds, AFeedOfAnEarlierVersionKeepsItsIdForItsSubscribers) {
    test::TempDir dir;
    const std::filesystem::path folder = dir / "old";
    std::filesystem::create_directory(folder);
    test::WriteBytes(folder / kWatchFeedState,
                     "YOMIDA watch.atom state 1\r\nurn:uuid:00000000-0000-4000-8000-000000000001"
                     "\t20261201T000000Z\tc\td\tp\tt\ta\r\n");
    // The id an earlier version gave the feed: the hash of the folder's absolute path.
    const std::string uid = CalendarUid(
        0, "feed", std::filesystem::absolute(folder).lexically_normal().string(), "", "");
    const std::string hex = uid.substr(uid.rfind('@') - 32, 32);
    const std::string earlierId = "urn:uuid:" + hex.substr(0, 8) + "-" + hex.substr(8, 4) + "-" +
                                  hex.substr(12, 4) + "-" + hex.substr(16, 4) + "-" +
                                  hex.substr(20, 12);
    EXPECT_FALSE(WriteWatchFeeds(folder, {}, At(8, 5)).stateDamaged);
    std::string id;
    const std::vector<Entry> entries = ParseFeed(folder / kWatchFeedFile, &id);
    EXPECT_EQ(id, earlierId);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].id, "urn:uuid:00000000-0000-4000-8000-000000000001");

    std::filesystem::rename(folder, dir / "new");
    WriteWatchFeeds(dir / "new", {}, At(9, 5));
    std::string movedId;
    ParseFeed(dir / "new" / kWatchFeedFile, &movedId);
    EXPECT_EQ(movedId, earlierId);
}

TEST(WatchFeeds, CommandLineScanOfTheWatchListWritesTheFiles) {
    test::TempDir dir;
    test::WriteDataFile(dir / "comic2612.csv",
                        {"No,□,出版社,発売日,タイトル,作者,価格", "1,0,講談社,12,見る題,甲,420"});
    const std::string folder = dir.path().string();
    // A one-off search with words of its own is not the watch list.
    EXPECT_EQ(test::InvokeCli({"watch", folder, "--title", "見る"}).err, "");
    EXPECT_FALSE(std::filesystem::exists(dir / kWatchCalendarFile));

    // The reminder follows the setup page's switch in the same settings file.
    test::WriteBytes(dir / "settings.ini",
                     Sj("[WATCH]\r\nTITLE=見る\r\n[SCHEDULE]\r\nALARM=1\r\n"));
    EXPECT_EQ(test::InvokeCli({"watch", folder, "--settings", (dir / "settings.ini").string()}).err,
              "");
    const std::map<std::string, Event> events = ParseCalendar(dir / kWatchCalendarFile);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events.begin()->second.summary, "見る題");
    EXPECT_EQ(events.begin()->second.alarmSeconds, -15 * 3600);
    EXPECT_TRUE(ParseFeed(dir / kWatchFeedFile).empty()) << "nothing was marked new";
}

}  // namespace
}  // namespace yomida

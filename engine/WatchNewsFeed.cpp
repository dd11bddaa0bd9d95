#include "engine/WatchNewsFeed.h"

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>

#include "engine/CalendarWriter.h"
#include "engine/FeedState.h"
#include "engine/FeedText.h"
#include "engine/ReleaseEvent.h"
#include "platform/Cp932.h"
#include "platform/FileReplacement.h"
#include "sources/Catalogue.h"
#include "sources/RecordLayout.h"
#include "text/Markup.h"

namespace yomida {

using namespace std::chrono;

namespace {

constexpr std::string_view kFeedStateHeader = "YOMIDA watch.atom state 1";

constexpr std::string_view kUuidUrnPrefix = "urn:uuid:";

struct FeedEntry {
    std::string id;
    sys_seconds updated{};
    std::string category;  // the rest UTF-8
    std::string date;
    std::string publisher;
    std::string title;
    std::string author;
};

std::string FeedCategoryName(int category) {
    const CategoryInfo* info = FindCategory(category);
    return info ? info->displayName : std::to_string(category);
}

// The hexadecimal identity hash of the calendar export's UIDs.
std::string IdentityHash(int category, std::string_view periodKey, std::string_view publisher,
                         std::string_view title, std::string_view author) {
    const std::string uid = CalendarUid(category, periodKey, publisher, title, author);
    const size_t at = uid.rfind('@');
    return uid.substr(at - 32, 32);
}

std::string UuidUrn(const std::string& hex) {
    return std::string(kUuidUrnPrefix) + hex.substr(0, 8) + "-" + hex.substr(8, 4) + "-" +
           hex.substr(12, 4) + "-" + hex.substr(16, 4) + "-" + hex.substr(20, 12);
}

std::optional<FeedEntry> ParseEntry(std::string_view line) {
    const std::vector<std::string_view> f = SplitStateLine(line);
    const std::optional<sys_seconds> updated = f.size() == 7 ? ParseStateTime(f[1]) : std::nullopt;
    if (!updated || !f[0].starts_with(kUuidUrnPrefix)) {
        return std::nullopt;
    }
    return FeedEntry{std::string(f[0]), *updated,          std::string(f[2]), std::string(f[3]),
                     std::string(f[4]), std::string(f[5]), std::string(f[6])};
}

std::vector<FeedEntry> ReadFeedState(const std::filesystem::path& file, bool& damaged) {
    std::vector<FeedEntry> entries;
    const std::optional<StateFileText> text = ReadStateFile(file);
    if (!text) {
        return entries;
    }
    if (text->header != kFeedStateHeader) {
        damaged = true;
        return entries;
    }
    for (const std::string& line : text->lines) {
        std::optional<FeedEntry> entry = ParseEntry(line);
        if (!entry) {
            damaged = true;
            return {};
        }
        entries.push_back(std::move(*entry));
    }
    return entries;
}

// The new matches not in the feed yet, each dated now.
std::vector<FeedEntry> FreshEntries(const std::vector<WatchMatch>& matches,
                                    const std::vector<FeedEntry>& entries, sys_seconds now) {
    std::vector<FeedEntry> fresh;
    std::unordered_set<std::string> known;
    for (const FeedEntry& e : entries) {
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
        fresh.push_back({std::move(id), now, StateField(FeedCategoryName(m.category)),
                         StateField(Cp932ToUtf8(m.dateText)),
                         StateField(Cp932ToUtf8(m.Cell(kPublisherCol))),
                         StateField(Cp932ToUtf8(m.Cell(kTitleCol))),
                         StateField(Cp932ToUtf8(m.Cell(kAuthorCol)))});
    }
    return fresh;
}

// Newest first, the fresh ones ahead of older entries of the same second, and only as many as
// the feed holds.
void AddNewestEntries(std::vector<FeedEntry>& entries, const std::vector<FeedEntry>& fresh) {
    entries.insert(entries.begin(), fresh.begin(), fresh.end());
    std::stable_sort(entries.begin(), entries.end(),
                     [](const FeedEntry& a, const FeedEntry& b) { return a.updated > b.updated; });
    if (entries.size() > kWatchFeedMaxEntries) {
        entries.resize(kWatchFeedMaxEntries);
    }
}

// 2026-12-08T09:15:00Z, as Atom writes a time.
std::string AtomTime(sys_seconds t) {
    const std::string v = CalendarUtcTime(t);
    return v.substr(0, 4) + "-" + v.substr(4, 2) + "-" + v.substr(6, 2) + "T" + v.substr(9, 2) +
           ":" + v.substr(11, 2) + ":" + v.substr(13, 2) + "Z";
}

// Any text as character data, whatever a state file held.
std::string XmlText(std::string_view utf8) {
    return EscapeMarkup(PrintableUtf8(utf8));
}

void AddFeedEntry(std::string& xml, const FeedEntry& e) {
    xml += "  <entry>\n";
    xml += "    <id>" + XmlText(e.id) + "</id>\n";
    xml += "    <title>" + XmlText(e.title) + "</title>\n";
    xml += "    <updated>" + AtomTime(e.updated) + "</updated>\n";
    xml += "    <category term=\"" + XmlText(e.category) + "\"/>\n";
    xml += "    <content type=\"text\">" +
           XmlText("分類: " + e.category + "\n発売日: " + e.date + "\n出版社: " + e.publisher +
                   "\n作者: " + e.author) +
           "</content>\n";
    xml += "  </entry>\n";
}

std::string FeedXml(const std::filesystem::path& folder, const std::vector<FeedEntry>& entries,
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
    for (const FeedEntry& e : entries) {
        AddFeedEntry(xml, e);
    }
    xml += "</feed>\n";
    return xml;
}

void WriteFeedState(FileReplacement& stateOut, const std::vector<FeedEntry>& entries) {
    stateOut.Writer().WriteLine(kFeedStateHeader);
    for (const FeedEntry& e : entries) {
        stateOut.Writer().WriteLine(e.id + "\t" + CalendarUtcTime(e.updated) + "\t" + e.category +
                                    "\t" + e.date + "\t" + e.publisher + "\t" + e.title + "\t" +
                                    e.author);
    }
    stateOut.Commit();
}

}  // namespace

WatchNewsFeedResult WriteWatchNewsFeed(const std::filesystem::path& dataFolder,
                                       const std::vector<WatchMatch>& matches, sys_seconds now) {
    WatchNewsFeedResult result;
    FileReplacement stateOut(dataFolder / kWatchFeedState);
    std::vector<FeedEntry> entries =
        ReadFeedState(dataFolder / kWatchFeedState, result.stateDamaged);
    AddNewestEntries(entries, FreshEntries(matches, entries, now));

    FileReplacement out(dataFolder / kWatchFeedFile);
    out.Writer().Write(FeedXml(dataFolder, entries, now));
    out.Commit();
    WriteFeedState(stateOut, entries);
    result.entries = entries.size();
    return result;
}

}  // namespace yomida

#include "engine/WatchNewsFeed.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <random>
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

// The first version kept only the entries, and the feed's id came from the folder's path.
constexpr std::string_view kFeedStateHeaderPathId = "YOMIDA watch.atom state 1";
// Since then the line after the header holds the feed's id, so the folder may move.
constexpr std::string_view kFeedStateHeader = "YOMIDA watch.atom state 2";

constexpr std::string_view kUuidUrnPrefix = "urn:uuid:";
// Ahead of a next volume's title, so a reader tells it from the watch matches at a glance.
constexpr const char* kNextVolumeMark = "次巻: ";

struct FeedEntry {
    std::string id;
    sys_seconds updated{};
    std::string category;  // the rest UTF-8
    std::string date;
    std::string publisher;
    std::string title;
    std::string author;
};

struct NewsFeedState {
    std::string id;  // empty: a feed not made yet
    std::vector<FeedEntry> entries;
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

bool IsUuidUrn(std::string_view text) {
    if (text.size() != kUuidUrnPrefix.size() + 36 || !text.starts_with(kUuidUrnPrefix)) {
        return false;
    }
    text.remove_prefix(kUuidUrnPrefix.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash ? text[i] != '-' : std::isxdigit(static_cast<unsigned char>(text[i])) == 0) {
            return false;
        }
    }
    return true;
}

// A random (version 4) UUID: the feed's identity, whatever folder holds it.
std::string NewFeedId() {
    std::random_device random;
    std::array<uint32_t, 4> words{};
    for (uint32_t& word : words) {
        word = static_cast<uint32_t>(random());
    }
    words[1] = (words[1] & 0xFFFF0FFFU) | 0x00004000U;  // the version
    words[2] = (words[2] & 0x3FFFFFFFU) | 0x80000000U;  // the variant
    char hex[33];
    std::snprintf(hex, sizeof hex, "%08x%08x%08x%08x", words[0], words[1], words[2], words[3]);
    return UuidUrn(hex);
}

// The id the first version gave a feed, kept so that its subscribers see the same feed.
std::string PathFeedId(const std::filesystem::path& folder) {
    const std::string folderName = std::filesystem::absolute(folder).lexically_normal().string();
    return UuidUrn(IdentityHash(0, "feed", folderName, "", ""));
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

NewsFeedState ReadFeedState(const std::filesystem::path& folder, bool& damaged) {
    NewsFeedState state;
    const std::optional<StateFileText> text = ReadStateFile(folder / kWatchFeedState);
    if (!text) {
        return state;
    }
    auto lines = text->lines.cbegin();
    if (text->header == kFeedStateHeaderPathId) {
        state.id = PathFeedId(folder);
    } else if (text->header == kFeedStateHeader && lines != text->lines.cend() &&
               IsUuidUrn(*lines)) {
        state.id = *lines++;
    } else {
        damaged = true;
        return state;
    }
    for (; lines != text->lines.cend(); ++lines) {
        std::optional<FeedEntry> entry = ParseEntry(*lines);
        if (!entry) {
            damaged = true;
            state.entries.clear();
            return state;
        }
        state.entries.push_back(std::move(*entry));
    }
    return state;
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
        // The same identity as the memory of seen matches: the period belongs to it. A next
        // volume is an entry of its own, even when the record came in before as a match.
        const std::string period = m.isNext ? "next " + m.periodKey : m.periodKey;
        std::string id = UuidUrn(IdentityHash(m.category, period, m.Cell(kPublisherCol),
                                              m.Cell(kTitleCol), m.Cell(kAuthorCol)));
        if (!known.insert(id).second) {
            continue;
        }
        const std::string title = Cp932ToUtf8(m.Cell(kTitleCol));
        fresh.push_back({std::move(id), now, StateField(FeedCategoryName(m.category)),
                         StateField(Cp932ToUtf8(m.dateText)),
                         StateField(Cp932ToUtf8(m.Cell(kPublisherCol))),
                         StateField(m.isNext ? kNextVolumeMark + title : title),
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

std::string FeedXml(const NewsFeedState& state, sys_seconds now) {
    const sys_seconds updated = state.entries.empty() ? now : state.entries.front().updated;
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
        "<feed xmlns=\"http://www.w3.org/2005/Atom\" xml:lang=\"ja\">\n";
    xml += "  <id>" + XmlText(state.id) + "</id>\n";
    xml += "  <title>YOMIDA ウォッチ新着</title>\n";
    xml += "  <updated>" + AtomTime(updated) + "</updated>\n";
    xml += "  <author><name>YOMIDA</name></author>\n";
    xml += "  <generator>YOMIDA for Linux</generator>\n";
    for (const FeedEntry& e : state.entries) {
        AddFeedEntry(xml, e);
    }
    xml += "</feed>\n";
    return xml;
}

void WriteFeedState(FileReplacement& stateOut, const NewsFeedState& state) {
    stateOut.Writer().WriteLine(kFeedStateHeader);
    stateOut.Writer().WriteLine(state.id);
    for (const FeedEntry& e : state.entries) {
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
    NewsFeedState state = ReadFeedState(dataFolder, result.stateDamaged);
    if (state.id.empty()) {
        state.id = NewFeedId();
    }
    AddNewestEntries(state.entries, FreshEntries(matches, state.entries, now));

    FileReplacement out(dataFolder / kWatchFeedFile);
    out.Writer().Write(FeedXml(state, now));
    out.Commit();
    WriteFeedState(stateOut, state);
    result.entries = state.entries.size();
    return result;
}

}  // namespace yomida

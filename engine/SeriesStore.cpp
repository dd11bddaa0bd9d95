#include "engine/SeriesStore.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <system_error>
#include <unordered_set>

#include "platform/FileReplacement.h"
#include "platform/FileSystem.h"
#include "platform/TextFile.h"
#include "text/CommaText.h"
#include "text/Numbers.h"
#include "text/Sjis.h"

namespace yomida {
namespace {

constexpr std::string_view kSeriesHeader = "yomida-series,1";
constexpr size_t kSeriesFields = 8;
// Thousands of series take a few hundred kilobytes; a file far larger is not ours.
constexpr std::uintmax_t kMaxSeriesFileBytes = 16 * 1024 * 1024;
constexpr size_t kMaxSeriesTextBytes = 400;
constexpr int kMaxVolume = 99999;
constexpr int kMaxCategory = 9999;

std::optional<int> SeriesNumber(const std::string& text, int high) {
    const std::optional<int> n = TryStrToInt(text);
    if (!n || *n < 0 || *n > high || std::to_string(*n) != text) {
        return std::nullopt;
    }
    return n;
}

std::optional<FollowedSeries> ParseSeriesLine(std::string_view line) {
    if (line.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
    const std::vector<std::string> items = SplitCommaText(line);
    if (items.size() != kSeriesFields || items[0].empty()) {
        return std::nullopt;
    }
    const std::optional<int> volume = SeriesNumber(items[2], kMaxVolume);
    const std::optional<int> category = SeriesNumber(items[4], kMaxCategory);
    const std::optional<int> next = SeriesNumber(items[5], kMaxVolume);
    const std::optional<int> nextCategory = SeriesNumber(items[7], kMaxCategory);
    if (!volume || !category || !next || !nextCategory) {
        return std::nullopt;
    }
    return FollowedSeries{items[0],  items[1], *volume,  items[3],
                          *category, *next,    items[6], *nextCategory};
}

// A text as one quoted item: no line breaks or other controls, no longer than a title gets (a
// key is never cut, or it would no longer be the key), and never ending in half a character,
// whose lead byte would take the closing quote for its trail.
void AppendSeriesText(std::string_view text, size_t limit, std::string& line) {
    std::string plain;
    for (size_t i = 0; i < text.size();) {
        const size_t length = CharLength(text, i);
        if (plain.size() + length > limit ||
            (length == 1 && IsLeadByte(static_cast<unsigned char>(text[i])))) {
            break;
        }
        for (size_t j = i; j < i + length; ++j) {
            plain += static_cast<unsigned char>(text[j]) < 0x20 ? ' ' : text[j];
        }
        i += length;
    }
    AppendQuoted(plain, line);
}

std::string FormatSeriesLine(const FollowedSeries& s) {
    std::string line;
    AppendSeriesText(s.key, s.key.size(), line);
    line += ',';
    AppendSeriesText(s.title, kMaxSeriesTextBytes, line);
    line += ',' + std::to_string(std::clamp(s.volume, 0, kMaxVolume)) + ',';
    AppendSeriesText(s.date, kMaxSeriesTextBytes, line);
    line += ',' + std::to_string(std::clamp(s.category, 0, kMaxCategory)) + ',' +
            std::to_string(std::clamp(s.nextVolume, 0, kMaxVolume)) + ',';
    AppendSeriesText(s.nextDate, kMaxSeriesTextBytes, line);
    line += ',' + std::to_string(std::clamp(s.nextCategory, 0, kMaxCategory));
    return line;
}

// Splits the file into lines that end in CR LF; a last line without one counts too.
std::vector<std::string_view> SeriesLines(std::string_view bytes) {
    std::vector<std::string_view> lines;
    for (size_t start = 0; start < bytes.size();) {
        size_t end = bytes.find('\n', start);
        const size_t next = end == std::string_view::npos ? bytes.size() : end + 1;
        end = end == std::string_view::npos ? bytes.size() : end;
        if (end > start && bytes[end - 1] == '\r') {
            --end;
        }
        lines.push_back(bytes.substr(start, end - start));
        start = next;
    }
    return lines;
}

}  // namespace

SeriesStore::SeriesStore(const std::filesystem::path& dataFolder) : path_(dataFolder / kFileName) {}

SeriesStore::Contents SeriesStore::Read() const {
    Contents contents;
    const StateFileBytes file = ReadStateFile(path_, kMaxSeriesFileBytes);
    if (file.refused) {
        contents.unreadable = 1;
    }
    if (!file.exists || file.refused) {
        return contents;
    }
    const std::string& bytes = file.bytes;
    const std::vector<std::string_view> lines = SeriesLines(bytes);
    if (lines.empty()) {
        return contents;
    }
    if (lines[0] != kSeriesHeader) {
        contents.unreadable = lines.size();
        return contents;
    }
    std::unordered_set<std::string> keys;
    for (size_t i = 1; i < lines.size(); ++i) {
        std::optional<FollowedSeries> s = ParseSeriesLine(lines[i]);
        if (!s) {
            contents.unreadable += lines[i].empty() ? 0 : 1;
            continue;
        }
        // A key twice is one series: the first line stands, and the other is kept aside with
        // the file at the next change rather than dropped unseen.
        if (!keys.insert(s->key).second) {
            ++contents.unreadable;
            continue;
        }
        contents.series.push_back(std::move(*s));
    }
    return contents;
}

size_t SeriesStore::Change(const std::function<void(std::vector<FollowedSeries>&)>& change) {
    // The replacement holds the lock from here to the rename: what another writer put in the
    // file before is read here and kept.
    FileReplacement out(path_);
    Contents contents = Read();
    if (contents.unreadable > 0) {
        out.KeepPrevious(NameBeside(path_, kSetAsideSuffix));
    }
    change(contents.series);
    TextFileWriter& w = out.Writer();
    w.WriteLine(kSeriesHeader);
    for (const FollowedSeries& s : contents.series) {
        if (!s.key.empty()) {
            w.WriteLine(FormatSeriesLine(s));
        }
    }
    out.Commit();
    return contents.unreadable;
}

SeriesStore::FollowResult SeriesStore::Follow(const std::vector<FollowedSeries>& series) {
    FollowResult result;
    result.setAside = Change([&](std::vector<FollowedSeries>& followed) {
        for (const FollowedSeries& s : series) {
            auto old = std::find_if(followed.begin(), followed.end(),
                                    [&s](const FollowedSeries& f) { return f.key == s.key; });
            if (old == followed.end()) {
                followed.push_back(s);
                result.outcomes.push_back(FollowOutcome::Followed);
                result.recorded.push_back(s);
                continue;
            }
            const bool higher = s.volume > old->volume;
            const bool datedNow = s.volume == old->volume && old->date.empty() && !s.date.empty();
            if (higher || datedNow) {
                old->volume = s.volume;
                old->date = s.date;
                old->category = s.category;
            }
            if (old->nextVolume != 0 && old->nextVolume <= old->volume) {
                old->nextVolume = 0;
                old->nextDate.clear();
                old->nextCategory = 0;
            }
            result.outcomes.push_back(higher ? FollowOutcome::Raised : FollowOutcome::Unchanged);
            result.recorded.push_back(*old);
        }
    });
    return result;
}

SeriesStore::UnfollowResult SeriesStore::Unfollow(const std::vector<std::string>& keys) {
    UnfollowResult result;
    result.setAside = Change([&](std::vector<FollowedSeries>& followed) {
        for (const std::string& key : keys) {
            const auto gone =
                std::remove_if(followed.begin(), followed.end(),
                               [&key](const FollowedSeries& f) { return f.key == key; });
            result.removed.push_back(gone != followed.end());
            followed.erase(gone, followed.end());
        }
    });
    return result;
}

}  // namespace yomida

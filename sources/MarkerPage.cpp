#include "sources/MarkerPage.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/Cp932.h"
#include "platform/IoError.h"
#include "sources/PatternScanner.h"
#include "text/NormaliseWidth.h"
#include "text/Sjis.h"
#include "text/SjisLiteral.h"

namespace yomida {
namespace {

constexpr size_t kPieceSize = 64 * 1024;

// The list starts at the first day heading; the page's data block at the end holds everything
// again as script data.
constexpr std::string_view kListStart = "class=\"publisher-title\">";
constexpr std::string_view kDataBlock = "\"__NUXT_DATA__\"";
// The comments the site's renderer leaves between the fields; the "!" of each is rare elsewhere.
constexpr std::string_view kComments[] = {"<!---->", "<!--]-->", "<!--[-->"};
constexpr size_t kCommentMark = 1;

// A pattern of the page that starts a field, and the tag that takes its place at a line's start.
struct Marker {
    std::string_view pattern;
    size_t anchor;  // where `="` stands in the pattern
    MarkerTag tag;
};

constexpr Marker MakeMarker(std::string_view pattern, MarkerTag tag) {
    return {pattern, pattern.find("=\""), tag};
}

constexpr Marker kMarkers[] = {
    MakeMarker(kListStart, MarkerTag::Date),
    MakeMarker("<h3 class=\"subgroup-title\">", MarkerTag::Publisher),
    MakeMarker("<span class=\"text-price-text font-bold mr-1\">", MarkerTag::Price),
    MakeMarker("class=\"text-primary font-bold no-underline hover:underline\">", MarkerTag::Title),
    MakeMarker("<a href=\"/search?authors=", MarkerTag::Author),
};

// Cuts the normalised CP932 text into the marker page's lines: at every line feed and before
// every marker pattern that starts a character, which gives way to its tag. No pattern holds a line
// feed or can overlap another, so a line at a time gives what one pass over the whole text would.
class MarkerLines {
public:
    explicit MarkerLines(const MarkerLineSink& sink) : sink_(sink) {}

    // Where the normalised text is appended, from the start of the line not yet ended.
    std::string& Text() { return text_; }

    // Hands on every line ended in the text so far; at the end of the text a pattern cut short
    // is no pattern.
    void Scan(bool atEnd);
    // Hands on the last line, which the end of the page ends (empty when the last line feed of
    // the page was no line end of its own).
    void Finish();

private:
    // Handles the `="` at `eq`: true when the text has enough bytes to tell a marker there.
    bool TakeMarkerAt(size_t eq, bool atEnd);
    void Emit(size_t begin, size_t end);

    const MarkerLineSink& sink_;
    std::string text_;
    size_t lineStart_ = 0;
    size_t scanned_ = 0;            // the text before it holds no line end or marker to take
    std::optional<MarkerTag> tag_;  // the tag the current line starts with
};

void MarkerLines::Scan(bool atEnd) {
    const char* d = text_.data();
    const size_t n = text_.size();
    const auto next = [&](char c, size_t from) {
        const void* hit = from < n ? std::memchr(d + from, c, n - from) : nullptr;
        return hit == nullptr ? std::string::npos
                              : static_cast<size_t>(static_cast<const char*>(hit) - d);
    };
    size_t pos = scanned_;
    size_t lf = next('\n', pos);
    size_t eq = next('=', pos);
    // Every pattern holds `="` once, bytes that never belong to a double-byte character, so
    // the scan looks for those and compares the patterns around them.
    for (;;) {
        if (lf == std::string::npos && eq == std::string::npos) {
            pos = n;
            break;
        }
        if (lf < eq) {
            Emit(lineStart_, lf);
            tag_.reset();
            lineStart_ = pos = lf + 1;
            lf = next('\n', pos);
            continue;
        }
        if (!TakeMarkerAt(eq, atEnd)) {
            pos = eq;  // the text ends before it can tell: wait for more
            break;
        }
        // A marker taken ends before the line feed, for no pattern holds one.
        pos = std::max(lineStart_, eq + 1);
        eq = next('=', pos);
    }
    scanned_ = pos;
    if (!atEnd && lineStart_ > 0) {
        text_.erase(0, lineStart_);
        scanned_ -= lineStart_;
        lineStart_ = 0;
    }
}

bool MarkerLines::TakeMarkerAt(size_t eq, bool atEnd) {
    const size_t n = text_.size();
    if (eq + 1 == n) {
        return atEnd;
    }
    if (text_[eq + 1] != '"') {
        return true;
    }
    for (const Marker& m : kMarkers) {
        if (eq < lineStart_ + m.anchor) {
            continue;  // the pattern would reach back over the line's start
        }
        const size_t start = eq - m.anchor;
        if (start + m.pattern.size() > n) {
            if (atEnd) {
                continue;
            }
            return false;
        }
        // The byte after `="` tells the patterns apart, and most attributes from them.
        if (text_[eq + 2] != m.pattern[m.anchor + 2] ||
            std::string_view(text_).substr(start, m.pattern.size()) != m.pattern ||
            !StartsCharacter(text_, lineStart_, start)) {
            continue;
        }
        Emit(lineStart_, start);
        tag_ = m.tag;
        lineStart_ = start + m.pattern.size();
        return true;
    }
    return true;
}

void MarkerLines::Finish() {
    Emit(lineStart_, text_.size());
}

void MarkerLines::Emit(size_t begin, size_t end) {
    sink_(MarkerLine{tag_, std::string_view(text_).substr(begin, end - begin)});
}

// The list part of the page in, marker lines out: the comments go, the text becomes CP932 and
// is normalised, and the lines are cut, a piece of the page at a time.
class MarkerPageBuilder {
public:
    explicit MarkerPageBuilder(const MarkerLineSink& sink)
        : erasers_{PatternScanner(kComments[0], kCommentMark),
                   PatternScanner(kComments[1], kCommentMark),
                   PatternScanner(kComments[2], kCommentMark)},
          lines_(sink) {}

    void Feed(std::string_view utf8) {
        Erase(0, utf8);
        if (utf8_.size() >= kPieceSize) {
            Convert(false);
        }
    }

    void Finish() {
        for (size_t stage = 0; stage < std::size(erasers_); ++stage) {
            std::string held;
            erasers_[stage].Finish([&](std::string_view rest) { held.append(rest); });
            Erase(stage + 1, held);
        }
        Convert(true);
        lines_.Finish();
    }

private:
    // One comment after the other goes, each from what the one before left, as a pass over the
    // whole text per comment would take them; each pass takes what the one before left at once.
    void Erase(size_t first, std::string_view text) {
        constexpr size_t kPasses = std::size(kComments);
        if (first == kPasses) {
            utf8_.append(text);
        }
        for (size_t stage = first; stage < kPasses; ++stage) {
            std::string& kept = stage + 1 == kPasses ? utf8_ : passed_[stage];
            if (stage + 1 < kPasses) {
                kept.clear();
            }
            erasers_[stage].Feed(
                text, [&](std::string_view rest) { kept.append(rest); }, [] { return true; });
            text = kept;
        }
    }

    void Convert(bool atEnd) {
        size_t cut = utf8_.size();
        if (!atEnd) {
            // An ASCII byte ends every UTF-8 sequence, good or broken, so the text up to the last
            // one converts alone as it would with what follows.
            while (cut > asciiSearched_ && static_cast<unsigned char>(utf8_[cut - 1]) >= 0x80) {
                --cut;
            }
            if (cut == asciiSearched_) {
                asciiSearched_ = utf8_.size();
                return;
            }
        }
        ConvertText(std::string_view(utf8_).substr(0, cut));
        utf8_.erase(0, cut);
        asciiSearched_ = 0;
        lines_.Scan(atEnd);
    }

    // Appends UTF-8 text to the lines' text in CP932, normalised. Long runs of ASCII, which
    // markup mostly is, are the same in CP932 and after normalising, so they go round the code
    // page conversion; every run ends a UTF-8 sequence, so the text between converts alone as
    // it would with the rest.
    void ConvertText(std::string_view text) {
        constexpr size_t kLongRun = 32;
        const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
        std::string& out = lines_.Text();
        size_t pending = 0;  // text before this is appended
        size_t i = 0;
        while (i < text.size()) {
            if (!KeptAsItIs(bytes[i])) {
                ++i;
                continue;
            }
            const size_t end = i + KeptRun(bytes + i, text.size() - i);
            if (end - i >= kLongRun) {
                AppendConverted(text.substr(pending, i - pending));
                out.append(text.substr(i, end - i));
                pending = end;
            }
            i = end;
        }
        AppendConverted(text.substr(pending));
    }

    // ASCII but the three control bytes that the code page puts in each other's places.
    static bool KeptAsItIs(unsigned char b) { return b < 0x7F && b != 0x1A && b != 0x1C; }

    // How many bytes from `p` on are kept as they are; eight at a time while it lasts.
    static size_t KeptRun(const unsigned char* p, size_t n) {
        constexpr uint64_t kOnes = 0x0101010101010101ULL;
        constexpr uint64_t kHighs = 0x8080808080808080ULL;
        const auto hasByte = [](uint64_t eight, unsigned char b) {
            const uint64_t x = eight ^ (kOnes * b);
            return ((x - kOnes) & ~x & kHighs) != 0;
        };
        size_t k = 0;
        for (; k + 8 <= n; k += 8) {
            uint64_t eight = 0;
            std::memcpy(&eight, p + k, sizeof eight);
            if ((eight & kHighs) != 0 || hasByte(eight, 0x7F) || hasByte(eight, 0x1A) ||
                hasByte(eight, 0x1C)) {
                break;
            }
        }
        while (k < n && KeptAsItIs(p[k])) {
            ++k;
        }
        return k;
    }

    void AppendConverted(std::string_view utf8) {
        if (!utf8.empty()) {
            Utf8ToCp932Into(utf8, cp932_);
            NormaliseWidthAppend(cp932_, lines_.Text());
        }
    }

    PatternScanner erasers_[std::size(kComments)];
    std::string passed_[std::size(kComments) - 1];  // what a pass leaves for the next
    std::string utf8_;                              // the page without comments, not converted yet
    size_t asciiSearched_ = 0;                      // utf8_ holds no ASCII byte before this
    std::string cp932_;
    MarkerLines lines_;
};

// The page as the lines it is read as: a CR before a line feed is the line end's, not the text's,
// and so is the line end at the very end of the page (a line feed, a CR or both).
class LineEnds {
public:
    template <class Next>
    void Feed(std::string_view piece, Next&& next) {
        if (piece.empty()) {
            return;
        }
        if (held_ == '\n' || (held_ == '\r' && piece.front() != '\n')) {
            next(std::string_view(&held_, 1));
        }
        held_ = '\0';
        if (piece.back() == '\n' || piece.back() == '\r') {
            held_ = piece.back();
            piece.remove_suffix(1);
            if (held_ == '\n' && !piece.empty() && piece.back() == '\r') {
                piece.remove_suffix(1);
            }
        }
        size_t cr = piece.find("\r\n");
        if (cr == std::string_view::npos) {
            if (!piece.empty()) {
                next(piece);
            }
            return;
        }
        text_.clear();
        size_t copied = 0;
        for (; cr != std::string_view::npos; cr = piece.find("\r\n", cr + 2)) {
            text_.append(piece.substr(copied, cr - copied));
            copied = cr + 1;
        }
        text_.append(piece.substr(copied));
        next(std::string_view(text_));
    }
    // Starts the page again.
    void Reset() { held_ = '\0'; }

private:
    char held_ = '\0';  // a line end at the end of the last piece, which may end the page
    std::string text_;
};

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

const std::string& MarkerTagText(MarkerTag tag) {
    switch (tag) {
        case MarkerTag::Date:
            return "【QZ日付】"_sj;
        case MarkerTag::Publisher:
            return "【QZ出版社】"_sj;
        case MarkerTag::Title:
            return "【QZタイトル】"_sj;
        case MarkerTag::Author:
            return "【QZ作者】"_sj;
        case MarkerTag::Price:
            break;
    }
    return "【QZ価格】"_sj;
}

void BuildMarkerPage(const PageReader& page, const MarkerLineSink& line) {
    MarkerPageBuilder builder(line);
    PatternScanner start(kListStart);
    PatternScanner end(kDataBlock, kDataBlock.find('X'));
    bool started = false;
    bool ended = false;
    const auto keep = [&](std::string_view text) {
        if (!ended) {
            builder.Feed(text);
        }
    };
    const auto list = [&](std::string_view text) {
        end.Feed(text, keep, [&] {
            builder.Feed(kDataBlock.substr(0, 1));
            ended = true;
            return false;
        });
    };
    LineEnds lines;
    page([&](std::string_view raw) {
        lines.Feed(raw, [&](std::string_view piece) {
            start.Feed(
                piece,
                [&](std::string_view text) {
                    if (started) {
                        list(text);
                    }
                },
                [&] {
                    started = true;
                    list(kListStart);
                    return false;
                });
        });
        return !ended;
    });
    if (!started) {
        // Without a day heading the page is taken whole.
        lines.Reset();
        page([&](std::string_view raw) {
            lines.Feed(raw, list);
            return !ended;
        });
    }
    end.Finish(keep);
    builder.Finish();
}

PageReader ReadPageFile(const std::filesystem::path& path) {
    return [path](const std::function<bool(std::string_view)>& piece) {
        const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
        if (!file) {
            throw IoError(IoError::Op::Open, path, errno);
        }
        std::vector<char> buffer(kPieceSize);
        for (;;) {
            const size_t n = std::fread(buffer.data(), 1, buffer.size(), file.get());
            if (n > 0 && !piece(std::string_view(buffer.data(), n))) {
                return;
            }
            if (n < buffer.size()) {
                if (std::ferror(file.get()) != 0) {
                    throw IoError(IoError::Op::Read, path, errno);
                }
                return;
            }
        }
    };
}

PageReader ReadPageText(std::string_view page, size_t pieceSize) {
    return [page, pieceSize](const std::function<bool(std::string_view)>& piece) {
        for (size_t at = 0; at < page.size(); at += pieceSize) {
            if (!piece(page.substr(at, pieceSize))) {
                return;
            }
        }
    };
}

std::string MarkerPageText(std::string_view utf8Page, size_t pieceSize) {
    std::string text;
    bool first = true;
    BuildMarkerPage(ReadPageText(utf8Page, pieceSize), [&](const MarkerLine& line) {
        if (!first) {
            text += "\r\n";
        }
        first = false;
        if (line.tag) {
            text += MarkerTagText(*line.tag);
        }
        text += line.text;
    });
    return text;
}

}  // namespace yomida

#include "text/Sjis.h"

#include <cstring>

namespace yomida {

bool StartsCharacter(std::string_view text, size_t from, size_t j) {
    // A byte that cannot be a lead byte ends any character, so only the run of possible lead
    // bytes just before `j` decides: an even run has paired itself off.
    size_t run = 0;
    while (j - run > from && IsLeadByte(static_cast<unsigned char>(text[j - run - 1]))) {
        ++run;
    }
    return run % 2 == 0;
}

size_t FindLoneLeadByte(std::string_view text, size_t from) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const size_t n = text.size();
    for (size_t i = from; i < n; ++i) {
        // Pages are mostly markup: eight ASCII bytes at a time hold no lead byte.
        while (i + 8 <= n && EightAreAscii(bytes + i)) {
            i += 8;
        }
        if (i == n || !IsLeadByte(bytes[i])) {
            continue;
        }
        if (i + 1 == n || !IsTrailByte(bytes[i + 1])) {
            return i;
        }
        ++i;
    }
    return std::string_view::npos;
}

std::string ReplaceLoneLeadBytes(std::string_view text) {
    std::string out(text);
    for (size_t i = FindLoneLeadByte(out); i != std::string::npos;
         i = FindLoneLeadByte(out, i + 1)) {
        out[i] = '?';
    }
    return out;
}

void ReplaceAllSjisInto(std::string_view text, std::string_view from, std::string_view to,
                        std::string& out) {
    size_t copied = 0;
    size_t pos = 0;
    while ((pos = FindSjis(text, from, pos)) != std::string_view::npos) {
        out.append(text.substr(copied, pos - copied));
        out.append(to);
        pos += from.size();
        copied = pos;
    }
    out.append(text.substr(copied));
}

std::string ReplaceAllSjis(std::string_view text, std::string_view from, std::string_view to) {
    std::string out;
    out.reserve(text.size());
    ReplaceAllSjisInto(text, from, to, out);
    return out;
}

std::string ReplaceAllBytes(std::string_view text, std::string_view from, std::string_view to) {
    std::string out;
    out.reserve(text.size());
    ReplaceAllBytesInto(text, from, to, out);
    return out;
}

void ReplaceAllBytesInto(std::string_view text, std::string_view from, std::string_view to,
                         std::string& out) {
    size_t copied = 0;
    size_t pos = 0;
    while ((pos = text.find(from, pos)) != std::string_view::npos) {
        out.append(text.substr(copied, pos - copied));
        out.append(to);
        pos += from.size();
        copied = pos;
    }
    out.append(text.substr(copied));
}

namespace {

inline char UpperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
}

// Whether `pattern` matches at `i`, letters of its single-byte characters without regard to
// case; the caller has made sure it fits.
bool MatchesNoCase(std::string_view text, std::string_view pattern, size_t i) {
    size_t k = 0;
    while (k < pattern.size()) {
        // Trail bytes compare exactly: only whole single-byte characters fold.
        if (IsLeadByte(static_cast<unsigned char>(pattern[k])) && k + 1 < pattern.size()) {
            if (text[i + k] != pattern[k] || text[i + k + 1] != pattern[k + 1]) {
                return false;
            }
            k += 2;
        } else if (UpperAscii(text[i + k]) == UpperAscii(pattern[k])) {
            ++k;
        } else {
            return false;
        }
    }
    return true;
}

// Where `pattern` starts at or after `from` on a character boundary, letters of its single-byte
// characters compared without regard to case; npos when nowhere.
size_t FindSjisNoCase(std::string_view text, std::string_view pattern, size_t from) {
    if (pattern.empty()) {
        return from;
    }
    const char first = UpperAscii(pattern[0]);
    // A first byte below 0x40 is no letter and never a trail byte: memchr finds the candidates
    // and only those are checked for a character start, instead of stepping through the text.
    if (static_cast<unsigned char>(first) < 0x40) {
        for (size_t i = from; i + pattern.size() <= text.size(); ++i) {
            const void* hit = std::memchr(text.data() + i, first, text.size() - i);
            if (hit == nullptr) {
                break;
            }
            i = static_cast<size_t>(static_cast<const char*>(hit) - text.data());
            if (i + pattern.size() > text.size()) {
                break;
            }
            if (StartsCharacter(text, from, i) && MatchesNoCase(text, pattern, i)) {
                return i;
            }
        }
        return std::string_view::npos;
    }
    for (size_t i = from; i + pattern.size() <= text.size(); i += CharLength(text, i)) {
        if (UpperAscii(text[i]) == first && MatchesNoCase(text, pattern, i)) {
            return i;
        }
    }
    return std::string_view::npos;
}

}  // namespace

std::string ReplaceAllSjisNoCase(std::string_view text, std::string_view from,
                                 std::string_view to) {
    std::string out(text);
    ReplaceAllSjisNoCaseInPlace(out, from, to);
    return out;
}

void ReplaceAllSjisNoCaseInPlace(std::string& text, std::string_view from, std::string_view to) {
    // Most lines hold no "&", "<" or tab at all: one memchr settles them.
    if (!from.empty() && UpperAscii(from[0]) == from[0] && !(from[0] >= 'A' && from[0] <= 'Z') &&
        text.find(from[0]) == std::string::npos) {
        return;
    }
    size_t pos = FindSjisNoCase(text, from, 0);
    if (pos == std::string::npos) {
        return;  // the common case: nothing to rebuild
    }
    std::string out;
    out.reserve(text.size());
    size_t copied = 0;
    while (pos != std::string::npos) {
        out.append(text, copied, pos - copied);
        out.append(to);
        copied = pos + from.size();
        pos = FindSjisNoCase(text, from, copied);
    }
    out.append(text, copied, std::string::npos);
    text.swap(out);
}

std::string StripTags(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    StripTagsInto(text, out);
    return out;
}

void StripTagsInto(std::string_view text, std::string& out) {
    size_t pos = 0;
    for (;;) {
        const size_t lt = FindSjis(text, "<", pos);
        const size_t gt = FindSjis(text, ">", pos);
        if (lt == std::string_view::npos || gt == std::string_view::npos || gt < lt) {
            out.append(text.substr(pos));
            return;
        }
        // Nothing before `lt` holds a "<" or ">", so the next round looks after the tag only.
        out.append(text.substr(pos, lt - pos));
        pos = gt + 1;
    }
}

void AnsiUpperInPlace(std::string& text) {
    for (size_t i = 0; i < text.size();) {
        char& c = text[i];
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
        i += CharLength(text, i);
    }
}

std::string AsciiLower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return lower;
}

std::string AsciiUpper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        c = UpperAscii(c);
    }
    return upper;
}

std::string_view TrimControls(std::string_view text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= 0x20) {
        ++begin;
    }
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 0x20) {
        --end;
    }
    return text.substr(begin, end - begin);
}

}  // namespace yomida

#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace yomida {

// Byte rules of Shift_JIS (CP932) text. Every scan steps over a double-byte character as a
// whole: a trail byte can equal 0x40, 0x5C or an ASCII letter, so a byte-wise search would
// find matches that start inside a character.

constexpr bool IsLeadByte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// Whether `b` can complete a double-byte character after a lead byte.
constexpr bool IsTrailByte(unsigned char b) {
    return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC);
}

// Where the first lead byte stands that no trail byte follows, or npos. Such a byte would take
// the byte after it (a quote, a comma, a line end) for its trail byte wherever the text goes.
size_t FindLoneLeadByte(std::string_view text, size_t from = 0);
// The text with every lead byte that no trail byte follows made "?", as the code page
// conversion shows it.
std::string ReplaceLoneLeadBytes(std::string_view text);

// Whether none of the eight bytes at `p` is above 0x7F, so that all are characters of their own;
// text that is mostly ASCII is stepped through eight bytes at a time.
inline bool EightAreAscii(const unsigned char* p) {
    uint64_t eight = 0;
    std::memcpy(&eight, p, sizeof eight);
    return (eight & 0x8080808080808080ULL) == 0;
}

// Byte length of the character starting at `i`: 2 for a lead byte followed by another byte,
// otherwise 1 (a lead byte in the last position stands alone).
inline size_t CharLength(std::string_view s, size_t i) {
    return (IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ? 2 : 1;
}

// Whether `j` (before the end of the text) starts a character when the text is read from
// `from`, a character start at or before it.
bool StartsCharacter(std::string_view text, size_t from, size_t j);

// First position at or after `from` (a character boundary) where `needle` starts on a character
// boundary; npos when there is none. An empty needle is found at `from`.
inline size_t FindSjis(std::string_view haystack, std::string_view needle, size_t from = 0) {
    size_t boundary = from;
    for (;;) {
        const size_t candidate = haystack.find(needle, boundary);
        if (candidate == std::string_view::npos) {
            return candidate;
        }
        while (boundary < candidate) {
            boundary += CharLength(haystack, boundary);
        }
        if (boundary == candidate) {
            return candidate;
        }
        // The candidate starts on a trail byte; search on from the next character.
    }
}

// Appends `text` to `out` with every occurrence of `from` (on a character boundary) replaced by
// `to`, in one pass. `from` must not be empty.
void ReplaceAllSjisInto(std::string_view text, std::string_view from, std::string_view to,
                        std::string& out);
std::string ReplaceAllSjis(std::string_view text, std::string_view from, std::string_view to);

// The same replacement byte by byte (appending to `out` in the Into form), for text that is
// not Shift_JIS (a UTF-8 page, whose
// bytes would be misread as lead and trail bytes).
std::string ReplaceAllBytes(std::string_view text, std::string_view from, std::string_view to);
void ReplaceAllBytesInto(std::string_view text, std::string_view from, std::string_view to,
                         std::string& out);

// ReplaceAllSjis with letters compared without regard to ASCII case.
std::string ReplaceAllSjisNoCase(std::string_view text, std::string_view from, std::string_view to);
void ReplaceAllSjisNoCaseInPlace(std::string& text, std::string_view from, std::string_view to);

// Removes HTML tags: while the first "<" comes before the first ">", the text from that "<"
// through that ">" goes. One pass over the text.
std::string StripTags(std::string_view text);
// The same, appending to `out`.
void StripTagsInto(std::string_view text, std::string& out);

// The system's ANSI upper-casing: a to z become A to Z; double-byte characters are untouched.
void AnsiUpperInPlace(std::string& text);
// A to Z and a to z changed byte by byte, for texts that are ASCII by their nature: URL schemes,
// header names, file extensions, keys of the settings file.
std::string AsciiLower(std::string_view text);
std::string AsciiUpper(std::string_view text);

// `text` without leading and trailing bytes of code 0x20 or less.
std::string_view TrimControls(std::string_view text);
inline std::string Trimmed(std::string_view text) {
    return std::string(TrimControls(text));
}

}  // namespace yomida

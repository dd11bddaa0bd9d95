#include "text/Sjis.h"

namespace yomida {

size_t FindSjis(std::string_view haystack, std::string_view needle, size_t from) {
    size_t boundary = from;
    for (;;) {
        size_t candidate = haystack.find(needle, boundary);
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

void AnsiUpperInPlace(std::string& text) {
    for (size_t i = 0; i < text.size();) {
        char& c = text[i];
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
        i += CharLength(text, i);
    }
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

#include "text/CommaText.h"

#include <optional>
#include <string>
#include <utility>

#include "text/Sjis.h"

namespace yomida {
namespace {

// The split, once for all its uses: `begin` starts an item at its first byte (a quote
// included), `append` adds bytes to it, `end` is told where it stopped. With `kSpacesInItems` a
// half-width space is an ordinary character of an item, as in a data line's fields; otherwise it
// separates items like every other byte of code 0x20 or less.
template <bool kSpacesInItems, typename Begin, typename Append, typename End>
void SplitItems(std::string_view text, Begin begin, Append append, End end) {
    const auto blank = [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b >= 0x01 && b <= (kSpacesInItems ? 0x1F : 0x20);
    };
    const auto itemByte = [](char c) {
        return static_cast<unsigned char>(c) > (kSpacesInItems ? 0x1F : 0x20) && c != ',';
    };
    text = text.substr(0, text.find('\0'));
    const size_t n = text.size();
    size_t p = 0;
    while (p < n && blank(text[p])) {
        ++p;
    }
    while (p < n) {
        begin(p);
        if (text[p] == '"') {
            ++p;
            while (p < n) {
                if (text[p] == '"') {
                    if (p + 1 < n && text[p + 1] == '"') {
                        append(text.substr(p, 1));
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                const size_t len = CharLength(text, p);
                append(text.substr(p, len));
                p += len;
            }
        } else {
            const size_t start = p;
            while (p < n && itemByte(text[p])) {
                p += CharLength(text, p);
            }
            append(text.substr(start, p - start));
        }
        end(p);
        while (p < n && blank(text[p])) {
            ++p;
        }
        if (p < n && text[p] == ',') {
            if (p + 1 == n) {
                begin(n);
                end(n);
            }
            do {
                ++p;
            } while (p < n && blank(text[p]));
        }
    }
}

}  // namespace

void SplitCommaText(std::string_view text, std::vector<std::string>& items) {
    // The strings already in `items` are reused, so a caller splitting line after line into
    // one vector allocates nothing once the buffers have grown.
    size_t count = 0;
    std::string* item = nullptr;
    SplitItems<false>(
        text,
        [&](size_t) {
            if (count < items.size()) {
                items[count].clear();
            } else {
                items.emplace_back();
            }
            item = &items[count++];
        },
        [&](std::string_view bytes) { item->append(bytes); }, [](size_t) {});
    items.resize(count);
}

size_t SplitFieldsInto(std::string_view text, char separator, std::string& packed) {
    size_t count = 0;
    SplitItems<true>(
        text,
        [&](size_t) {
            if (count++ > 0) {
                packed += separator;
            }
        },
        [&](std::string_view bytes) { packed.append(bytes); }, [](size_t) {});
    return count;
}

std::optional<std::pair<size_t, size_t>> FieldSpan(std::string_view text, size_t index) {
    size_t count = 0;
    std::optional<std::pair<size_t, size_t>> span;
    SplitItems<true>(
        text,
        [&](size_t start) {
            if (count++ == index) {
                span = std::make_pair(start, start);
            }
        },
        [](std::string_view) {},
        [&](size_t stop) {
            if (count == index + 1 && span) {
                span->second = stop;
            }
        });
    return span;
}

std::vector<std::string> SplitCommaText(std::string_view text) {
    std::vector<std::string> items;
    SplitCommaText(text, items);
    return items;
}

void AppendQuoted(std::string_view item, std::string& out) {
    out += '"';
    for (char c : item) {
        out += c;
        if (c == '"') {
            out += '"';
        }
    }
    out += '"';
}

std::string StampPrefix(std::string_view stamp) {
    std::string clean(stamp);
    std::erase(clean, '\0');
    std::string prefix;
    AppendQuoted(clean, prefix);
    return prefix + ',';
}

}  // namespace yomida

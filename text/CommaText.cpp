#include "text/CommaText.h"

#include <string>

#include "text/Sjis.h"

namespace yomida {
namespace {

inline bool IsBlank(char c) {
    const auto b = static_cast<unsigned char>(c);
    return b >= 0x01 && b <= 0x20;
}

}  // namespace

void SplitCommaText(std::string_view text, std::vector<std::string>& items) {
    // The strings already in `items` are reused, so a caller splitting line after line into
    // one vector allocates nothing once the buffers have grown.
    size_t count = 0;
    auto nextItem = [&]() -> std::string& {
        if (count < items.size()) {
            items[count].clear();
            return items[count++];
        }
        ++count;
        return items.emplace_back();
    };
    text = text.substr(0, text.find('\0'));
    const size_t n = text.size();
    size_t p = 0;
    while (p < n && IsBlank(text[p])) {
        ++p;
    }
    while (p < n) {
        if (text[p] == '"') {
            std::string& item = nextItem();
            ++p;
            while (p < n) {
                if (text[p] == '"') {
                    if (p + 1 < n && text[p + 1] == '"') {
                        item += '"';
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                const size_t len = CharLength(text, p);
                item.append(text.substr(p, len));
                p += len;
            }
        } else {
            const size_t start = p;
            while (p<n&& static_cast<unsigned char>(text[p])> 0x20 && text[p] != ',') {
                p += CharLength(text, p);
            }
            nextItem().assign(text.substr(start, p - start));
        }
        while (p < n && IsBlank(text[p])) {
            ++p;
        }
        if (p < n && text[p] == ',') {
            if (p + 1 == n) {
                nextItem();
            }
            do {
                ++p;
            } while (p < n && IsBlank(text[p]));
        }
    }
    items.resize(count);
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

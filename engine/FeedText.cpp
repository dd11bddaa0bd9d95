#include "engine/FeedText.h"

#include <unicode/utf8.h>

#include <algorithm>
#include <cstdint>

namespace yomida {

namespace {

bool IsUnwantedControl(UChar32 c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

}  // namespace

std::string PrintableUtf8(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    const auto* bytes = reinterpret_cast<const uint8_t*>(utf8.data());
    for (size_t at = 0; at < utf8.size();) {
        // One character at a time, so the offsets stay small whatever the text's length.
        const auto room = static_cast<int32_t>(std::min<size_t>(utf8.size() - at, 4));
        int32_t taken = 0;
        UChar32 c = 0;
        U8_NEXT(bytes + at, taken, room, c);
        if (c < 0) {
            out += "\uFFFD";
        } else if (!IsUnwantedControl(c) || c == '\t' || c == '\n' || c == '\r') {
            out.append(utf8.substr(at, static_cast<size_t>(taken)));
        }
        at += static_cast<size_t>(taken);
    }
    return out;
}

}  // namespace yomida

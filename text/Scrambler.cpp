#include "text/Scrambler.h"

#include <algorithm>

namespace yomida {
namespace {

constexpr std::string_view kKey = "wrbtuonhexmp38ydiq7v2sz";

}  // namespace

void Scrambler::ScrambleLineInPlace(std::string& line) {
    auto* bytes = reinterpret_cast<unsigned char*>(line.data());
    const auto* key = reinterpret_cast<const unsigned char*>(kKey.data());
    const size_t n = line.size();
    size_t k = position_;
    // Runs up to the end of the key, so the inner loop has no wrap-around test.
    for (size_t i = 0; i < n;) {
        const size_t run = std::min(n - i, kKey.size() - k);
        for (size_t j = 0; j < run; ++j) {
            const unsigned char plain = bytes[i + j];
            const unsigned char x = plain ^ key[k + j];
            // Bytes that would turn into control characters (CR, LF, EOF) stay as they are.
            bytes[i + j] = (x >= 0x10 && x != 0x1A) ? x : plain;
        }
        i += run;
        k += run;
        if (k == kKey.size()) {
            k = 0;
        }
    }
    position_ = k;
}

std::string Scrambler::ScrambleLine(std::string_view line) {
    std::string out(line);
    ScrambleLineInPlace(out);
    return out;
}

}  // namespace yomida

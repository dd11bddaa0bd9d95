#include "text/Scrambler.h"

#include <algorithm>

#include "platform/FileSystem.h"

namespace yomida {
namespace {

constexpr std::string_view kKey = "wrbtuonhexmp38ydiq7v2sz";

}  // namespace

Scrambler::Scrambler(std::filesystem::path dataFolder) : dataFolder_(std::move(dataFolder)) {}

const std::filesystem::path& Scrambler::PlainMarkerName() {
    static const std::filesystem::path name("コミック");
    return name;
}

void Scrambler::ResetScramble() {
    position_ = 0;
    off_ = !dataFolder_.empty() && FileExists(dataFolder_ / PlainMarkerName());
    if (off_ && onMarker_) {
        onMarker_();
    }
}

void Scrambler::ScrambleLineInPlace(std::string& line) {
    if (off_) {
        return;
    }
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

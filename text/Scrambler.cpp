#include "text/Scrambler.h"

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
    size_t k = position_;
    for (char& c : line) {
        const auto plain = static_cast<unsigned char>(c);
        const auto x = static_cast<unsigned char>(plain ^ static_cast<unsigned char>(kKey[k]));
        // Bytes that would turn into control characters (CR, LF, EOF) stay as they are.
        if (x >= 0x10 && x != 0x1A) {
            c = static_cast<char>(x);
        }
        if (++k == kKey.size()) {
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

#include <cstdint>
#include <string>

#include "text/NormaliseWidth.h"
#include "text/Sjis.h"

// The normaliser never reads past its input, and normalising again changes nothing more than
// the first pass left for it (ASCII stays ASCII).
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::string once = yomida::NormaliseWidth(input);
    if (once.size() > 2 * input.size()) {
        __builtin_trap();
    }
    std::string upper = once;
    yomida::AnsiUpperInPlace(upper);
    yomida::ReplaceAllSjis(once, " ", "\x81\x40");
    yomida::StripTags(once);
    return 0;
}

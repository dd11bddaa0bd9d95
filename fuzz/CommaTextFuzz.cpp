#include <cstdint>
#include <string>

#include "text/CommaText.h"

// Splitting never reads past the text, and no item is longer than the text itself.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    for (const std::string& item : yomida::SplitCommaText(input)) {
        if (item.size() > input.size()) {
            __builtin_trap();
        }
    }
    return 0;
}

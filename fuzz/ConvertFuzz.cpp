#include <algorithm>
#include <cstdint>

#include "FuzzSupport.h"
#include "sources/Convert.h"
#include "text/Numbers.h"
#include "text/ScrambledFile.h"
#include "text/Sjis.h"

// Any page or CSV file, for any category the first byte picks, converts without a crash; a
// day heading that is no number may end it with a conversion error. Every record line written
// reads back as one line with no control byte but the tab and no lead byte without its trail
// byte.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace yomida;
    if (size == 0) {
        return 0;
    }
    const std::filesystem::path input = fuzz::ScratchFolder() / "page";
    fuzz::WriteFile(input, data + 1, size - 1);
    ConvertRequest request;
    request.category = data[0] % 16;
    request.input = input;
    request.output = fuzz::ScratchFolder() / "out.csv";
    request.stampPrefix = "\"stamp\",";
    request.target = std::chrono::year_month_day{std::chrono::year{2003}, std::chrono::month{5},
                                                 std::chrono::day{1}};
    std::filesystem::remove(request.output);
    try {
        static_cast<void>(Convert(request));  // any answer will do
    } catch (const ConversionError&) {
    }
    if (!std::filesystem::exists(request.output)) {
        return 0;
    }
    ScrambledReader written(request.output);
    std::string line;
    written.ReadLine(line);  // the header
    while (written.ReadLine(line)) {
        const bool control = std::any_of(line.begin(), line.end(), [](char c) {
            return static_cast<unsigned char>(c) < 0x20 && c != '\t';
        });
        if (control || FindLoneLeadByte(line) != std::string::npos) {
            __builtin_trap();
        }
    }
    return 0;
}

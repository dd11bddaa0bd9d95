#include <cstdint>

#include "FuzzSupport.h"
#include "sources/Convert.h"
#include "text/Numbers.h"

// Any page or CSV file, for any category the first byte picks, converts without a crash; a
// day heading that is no number may end it with a conversion error.
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
    try {
        static_cast<void>(Convert(request));  // any answer will do; only a crash is a fault
    } catch (const ConversionError&) {
    }
    return 0;
}

#include <cstdint>

#include "FuzzSupport.h"
#include "app/ReleaseList.h"
#include "support/ScriptedUi.h"

// A data file of any bytes loads into the grid, under a filter the input's first bytes choose,
// and the rows can be ordered and exported.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace yomida;
    static ScriptedUi ui;
    static FixedClock clock{std::chrono::year_month_day{
        std::chrono::year{2003}, std::chrono::month{5}, std::chrono::day{7}}};
    const std::filesystem::path file = fuzz::ScratchFolder() / "comic0305.csv";
    const uint8_t options = size > 0 ? data[0] : 0;
    fuzz::WriteFile(file, data, size);
    ReleaseList list(ui, clock);
    list.Filter.CmbSrch2.text = (options & 1) ? "A,\x83\x41" : "";
    list.Filter.CbDate.checked = (options & 2) != 0;
    list.Filter.SEdtF.value = 5;
    list.Filter.SEdtT.value = options & 4 ? 0 : 20;
    list.Filter.SelCheck.checked = (options & 8) != 0;
    list.CmbSort.itemIndex = (options >> 4) % 5 - 1;
    list.Load(file, list.Filter.Submit());
    list.ComboGrid1.SetCurrentCell(1, 1);
    list.ComboGrid1Click();
    static_cast<void>(list.SaveTicks(file));  // the list never changes under the fuzzer
    list.ExportCsv(fuzz::ScratchFolder() / "export.csv",
                   std::chrono::year_month{std::chrono::year{2003}, std::chrono::month{5}});
    return 0;
}

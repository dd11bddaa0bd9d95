#include <cstdint>

#include "FuzzSupport.h"
#include "app/UFRMmain.h"
#include "platform/ScriptedUi.h"

// A data file of any bytes loads into the grid, under a filter the input's first bytes choose,
// and the rows can be ordered and exported.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace yomida;
    static ScriptedUi ui;
    static FixedClock clock{std::chrono::year_month_day{
        std::chrono::year{2003}, std::chrono::month{5}, std::chrono::day{7}}};
    static Scrambler scrambler;
    const std::filesystem::path file = fuzz::ScratchFolder() / "comic0305.csv";
    const uint8_t options = size > 0 ? data[0] : 0;
    fuzz::WriteFile(file, data, size);
    TFRMmain form(ui, scrambler, clock);
    form.DataFilePath = file;
    form.Settings.dataFolder = fuzz::ScratchFolder();
    form.CmbSrch2.text = (options & 1) ? "A,\x83\x41" : "";
    form.CbDate.checked = (options & 2) != 0;
    form.SEdtF.value = 5;
    form.SEdtT.value = options & 4 ? 0 : 20;
    form.SelCheck.checked = (options & 8) != 0;
    form.CmbSort.itemIndex = (options >> 4) % 5 - 1;
    form.LoadReleaseList();
    form.ComboGrid1.SetCurrentCell(1, 1);
    form.ComboGrid1Click();
    form.CheckSaveExecute();
    ui.saveAnswers.push_back(fuzz::ScratchFolder() / "export.csv");
    form.SaveCSVExecute();
    return 0;
}

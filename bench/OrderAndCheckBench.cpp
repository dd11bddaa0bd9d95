#include <benchmark/benchmark.h>

#include <filesystem>

#include "BenchData.h"
#include "app/UFRMmain.h"
#include "platform/Cp932.h"
#include "platform/ScriptedUi.h"

namespace {

using namespace yomida;

// Orders a freshly loaded 100,000-row grid by each of the four orders.
void BM_Order(benchmark::State& state) {
    bench::BigListWindow window;
    TFRMmain& form = window.form;
    form.LoadReleaseList();
    const ComboGrid loaded = form.ComboGrid1;
    form.CmbSort.itemIndex = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        form.ComboGrid1 = loaded;
        state.ResumeTiming();
        form.CmbSortChange();
    }
    state.counters["rows"] = form.ComboGrid1.RowCount() - 1;
}
BENCHMARK(BM_Order)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

// Saves the ticks of 1,000 shown rows into the 100,000-record file.
void BM_CheckSave(benchmark::State& state) {
    bench::BigListWindow window;
    TFRMmain& form = window.form;
    // The first of the month at two publishers: about a thousand rows.
    form.CbDate.checked = true;
    form.SEdtF.value = 1;
    form.SEdtT.value = 1;
    form.Cb1.checked = form.Cb2.checked = form.Cb3.checked = false;
    form.CmbSrch1.text = "KADOKAWA,";
    form.CmbSrch1.text += Utf8ToCp932("白泉社");
    form.LoadReleaseList();
    for (int r = 1; r < form.ComboGrid1.RowCount(); r += 2) {
        form.ComboGrid1.SetCurrentCell(1, r);
        form.ComboGrid1Click();
    }
    for (auto _ : state) {
        form.CheckSaveExecute();
    }
    state.counters["shown"] = form.ComboGrid1.RowCount() - 1;
}
BENCHMARK(BM_CheckSave)->Unit(benchmark::kMillisecond);

}  // namespace

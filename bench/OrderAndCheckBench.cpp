#include <benchmark/benchmark.h>

#include <filesystem>

#include "BenchData.h"
#include "platform/Cp932.h"
#include "support/ScriptedUi.h"

namespace {

using namespace yomida;

// Orders a freshly loaded 100,000-row grid by each of the four orders.
void BM_Order(benchmark::State& state) {
    bench::BigList big;
    ReleaseList& list = big.list;
    big.Load();
    const ComboGrid loaded = list.ComboGrid1;
    list.CmbSort.itemIndex = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        list.ComboGrid1 = loaded;
        state.ResumeTiming();
        list.CmbSortChange();
    }
    state.counters["rows"] = list.ComboGrid1.RowCount() - 1;
}
BENCHMARK(BM_Order)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

// Saves the ticks of 1,000 shown rows into the 100,000-record file.
void BM_CheckSave(benchmark::State& state) {
    bench::BigList big;
    ReleaseList& list = big.list;
    // The first of the month at two publishers: about a thousand rows.
    list.Filter.CbDate.checked = true;
    list.Filter.SEdtF.value = 1;
    list.Filter.SEdtT.value = 1;
    list.Filter.Cb1.checked = list.Filter.Cb2.checked = list.Filter.Cb3.checked = false;
    list.Filter.CmbSrch1.text = "KADOKAWA,";
    list.Filter.CmbSrch1.text += Utf8ToCp932("白泉社");
    big.Load();
    for (int r = 1; r < list.ComboGrid1.RowCount(); r += 2) {
        list.ComboGrid1.SetCurrentCell(1, r);
        list.ComboGrid1Click();
    }
    for (auto _ : state) {
        static_cast<void>(list.SaveTicks(bench::BigDataFile()));  // nothing replaces the list
    }
    state.counters["shown"] = list.ComboGrid1.RowCount() - 1;
}
BENCHMARK(BM_CheckSave)->Unit(benchmark::kMillisecond);

}  // namespace

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>

#include "BenchData.h"
#include "app/UFRMmain.h"
#include "platform/Cp932.h"
#include "platform/ScriptedUi.h"

namespace {

using namespace yomida;

void RunLoad(benchmark::State& state, const char* titleWords) {
    bench::BigListWindow window;
    TFRMmain& form = window.form;
    for (auto _ : state) {
        form.CmbSrch2.text = Utf8ToCp932(titleWords);
        form.LoadReleaseList();
        benchmark::DoNotOptimize(form.ComboGrid1.RowCount());
    }
    state.counters["rows"] = form.ComboGrid1.RowCount();
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(std::filesystem::file_size(bench::BigDataFile())));
}

void BM_LoadNoFilter(benchmark::State& state) {
    RunLoad(state, "");
}
void BM_LoadThreeTitleWords(benchmark::State& state) {
    RunLoad(state, "ワンピース,コナン,ガンダム");
}
BENCHMARK(BM_LoadNoFilter)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadThreeTitleWords)->Unit(benchmark::kMillisecond);

}  // namespace

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>

#include "BenchData.h"
#include "platform/Cp932.h"
#include "support/ScriptedUi.h"

namespace {

using namespace yomida;

void RunLoad(benchmark::State& state, const char* titleWords) {
    bench::BigList big;
    ReleaseList& list = big.list;
    for (auto _ : state) {
        list.Filter.CmbSrch2.text = Utf8ToCp932(titleWords);
        big.Load();
        benchmark::DoNotOptimize(list.ComboGrid1.RowCount());
    }
    state.counters["rows"] = list.ComboGrid1.RowCount();
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

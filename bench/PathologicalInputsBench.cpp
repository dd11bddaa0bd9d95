// Inputs that once took time growing with the square of their size: each case runs at one size
// and at twice that size, so the two times show whether the work stays in proportion.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <string>

#include "BenchData.h"
#include "app/ReleaseList.h"
#include "platform/Cp932.h"
#include "platform/TextFile.h"
#include "support/ScriptedUi.h"
#include "text/Scrambler.h"

namespace {

using namespace yomida;

// A paperback list item that never gets its fields: every further line is appended to it.
std::string UnfinishedBunkoItem(int lines) {
    std::string page = "<html><body><UL>\r\n<LI>5/1　　見本文庫\r\n";
    for (int i = 0; i < lines; ++i) {
        page += "続きの行\r\n";
    }
    return Utf8ToCp932(page + "</UL></body></html>\r\n");
}

// One title with as many different authors as asked for.
std::string ManyAuthorsPage(int authors) {
    std::string page =
        "<h2 class=\"publisher-title\">2003/05/05(金)</h2>\n<h3 class=\"subgroup-title\">見本社"
        "</h3>\n<li><a href=\"/p/1\" class=\"text-primary font-bold no-underline "
        "hover:underline\">見本</a>\n";
    for (int i = 0; i < authors; ++i) {
        const std::string name = "作者" + std::to_string(i);
        page += "<a href=\"/search?authors=" + name + "\" class=\"a\">" + name + "</a>\n";
    }
    return page + "<span class=\"text-price-text font-bold mr-1\">￥500</span></li>\n";
}

// A NEO WING list whose quoted model number holds the given number of commas.
std::string WideNeoWingCsv(int commas) {
    return Utf8ToCp932("見本 アーティスト,\"春の歌\",\"AB" +
                       std::string(static_cast<size_t>(commas), ',') + "CD\",CD,3000,2003/05/01\n");
}

// A data file with a header and the given record line.
std::filesystem::path DataFile(const std::filesystem::path& folder, const std::string& record) {
    const std::filesystem::path file = folder / "comic0305.csv";
    Scrambler scrambler;
    scrambler.ResetScramble();
    TextFileWriter out(file);
    out.WriteLine(scrambler.ScrambleLine(Utf8ToCp932("No,□,出版社,発売日,タイトル,作者,価格")));
    out.WriteLine(scrambler.ScrambleLine(record));
    out.Close();
    return file;
}

// Loads a data file and reads every cell, as `yomida-cli show` does.
void LoadAndReadEveryCell(benchmark::State& state, const std::string& record) {
    const std::filesystem::path folder = bench::NewTempFolder();
    const std::filesystem::path file = DataFile(folder, record);
    ScriptedUi ui;
    SystemClock clock;
    for (auto _ : state) {
        ReleaseList list(ui, clock);
        list.Load(file, list.Filter.Submit());
        size_t bytes = 0;
        const ComboGrid& grid = list.ComboGrid1;
        for (int r = 0; r < grid.RowCount(); ++r) {
            for (int c = 0; c < grid.ColCount(); ++c) {
                bytes += grid.Cell(c, r).size() + 1;
            }
        }
        benchmark::DoNotOptimize(bytes);
    }
    std::filesystem::remove_all(folder);
}

void BM_UnfinishedBunkoItem(benchmark::State& s) {
    bench::RunConvert(s, 3, UnfinishedBunkoItem(static_cast<int>(s.range(0))));
}
void BM_ManyAuthorsUnderOneTitle(benchmark::State& s) {
    bench::RunConvert(s, 1, ManyAuthorsPage(static_cast<int>(s.range(0))));
}
void BM_NeoWingWideModelNumber(benchmark::State& s) {
    bench::RunConvert(s, 11, WideNeoWingCsv(static_cast<int>(s.range(0))));
}
void BM_ShowLineOfCommas(benchmark::State& s) {
    LoadAndReadEveryCell(s, "1,0," + std::string(static_cast<size_t>(s.range(0)), ','));
}
void BM_ShowGarbageLine(benchmark::State& s) {
    std::mt19937 random(9);
    std::string garbage(static_cast<size_t>(s.range(0)), '\0');
    for (char& c : garbage) {
        c = static_cast<char>(1 + random() % 255);  // no NUL, so the line is read whole
    }
    for (char& c : garbage) {
        if (c == '\r' || c == '\n') {
            c = ' ';
        }
    }
    LoadAndReadEveryCell(s, garbage);
}

BENCHMARK(BM_UnfinishedBunkoItem)->Arg(100000)->Arg(200000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ManyAuthorsUnderOneTitle)
    ->Arg(50000)
    ->Arg(100000)
    ->Arg(200000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NeoWingWideModelNumber)->Arg(500000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ShowLineOfCommas)
    ->Arg(500000)
    ->Arg(1000000)
    ->Arg(2000000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ShowGarbageLine)->Arg(10 << 20)->Arg(20 << 20)->Unit(benchmark::kMillisecond);

}  // namespace

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchData.h"
#include "engine/WatchScan.h"
#include "platform/Cp932.h"
#include "platform/TextFile.h"
#include "text/Scrambler.h"
#include "text/SjisLiteral.h"

namespace {

using namespace yomida;

constexpr int kFiles = 200;
constexpr int kRecordsPerFile = 5000;

// 200 data files of 5,000 records each (about 100 MB in all), as the converters write them:
// scrambled, or plain in a folder with the plain-text marker.
std::filesystem::path WatchFolder(bool scrambled) {
    const std::filesystem::path folder = bench::NewTempFolder();
    if (!scrambled) {
        TextFileWriter marker(folder / Cp932ToUtf8("コミック"_sj));
        marker.Close();
    }
    const char* codes[] = {"comic", "comic2", "comic3", "comic4",
                           "tanbi", "bunko",  "cbnko",  "bngei"};
    const char* titles[] = {"ワンピース", "ＮＡＲＵＴＯ", "名探偵コナン", "進撃の巨人",
                            "鬼滅の刃",   "ｶﾞﾝﾀﾞﾑ ｴｰｽ",   "よつばと！",   "ブルーピリオド"};
    const char* publishers[] = {"講談社", "集英社", "小学館", "ＫＡＤＯＫＡＷＡ", "白泉社"};
    for (int f = 0; f < kFiles; ++f) {
        const int month = f / 8;  // 25 months from 2022/01
        char yymm[8];
        std::snprintf(yymm, sizeof yymm, "%02d%02d", 22 + month / 12, month % 12 + 1);
        Scrambler scrambler;
        scrambler.ResetScramble();
        TextFileWriter out(folder / (std::string(codes[f % 8]) + yymm + ".csv"));
        auto write = [&](const std::string& utf8) {
            const std::string line = Utf8ToCp932(utf8);
            out.WriteLine(scrambled ? scrambler.ScrambleLine(line) : line);
        };
        write("\"2026/12/01 10:00\",No,□,出版社,発売日,タイトル,作者,価格,ISBN");
        for (int i = 1; i <= kRecordsPerFile; ++i) {
            write(std::to_string(i) + ",0," + publishers[i % 5] + "コミックス," +
                  std::to_string(i % 31 + 1) + "," + titles[(i + f) % 8] + "　第" +
                  std::to_string(i % 120) + "巻　特装版," + "作者　" + std::to_string(i % 997) +
                  "号,4" + std::to_string(i % 10) + "0," + "978-4-06-" +
                  std::to_string(100000 + i));
        }
        out.Close();
    }
    return folder;
}

// Made on first use and removed when the run ends: 200 MB is too much to leave behind.
struct Folders {
    std::filesystem::path plain = WatchFolder(false);
    std::filesystem::path scrambled = WatchFolder(true);
    ~Folders() {
        std::error_code ec;
        std::filesystem::remove_all(plain, ec);
        std::filesystem::remove_all(scrambled, ec);
    }
};

const std::filesystem::path& Folder(bool scrambled) {
    static const Folders folders;
    return scrambled ? folders.scrambled : folders.plain;
}

int64_t FolderBytes(const std::filesystem::path& folder) {
    int64_t bytes = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        bytes += static_cast<int64_t>(entry.file_size());
    }
    return bytes;
}

void RunScan(benchmark::State& state, bool scrambled) {
    const std::filesystem::path& folder = Folder(scrambled);
    const WeekNumbering weeks{
        std::chrono::year_month_day{std::chrono::year{2001}, std::chrono::month{1},
                                    std::chrono::day{13}},
        1200};
    const WatchWords words{Utf8ToCp932("講談社,集英社"), Utf8ToCp932("ワンピース,コナン"),
                           Utf8ToCp932("作者　5号")};
    size_t matches = 0;
    for (auto _ : state) {
        const WatchScanResult r = ScanWatchFiles(FindWatchFiles(folder, weeks), words);
        matches = r.matches.size();
        benchmark::DoNotOptimize(matches);
    }
    state.counters["matches"] = static_cast<double>(matches);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * FolderBytes(folder));
}

// The yardstick: iconv reading and converting the same plain files.
void BM_IconvSameFiles(benchmark::State& state) {
    const std::filesystem::path& folder = Folder(false);
    std::vector<std::string> args = {"iconv", "-f", "CP932", "-t", "UTF-8"};
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() == ".csv") {
            args.push_back(entry.path().string());
        }
    }
    for (auto _ : state) {
        if (!bench::RunToNull(args)) {
            state.SkipWithError("iconv failed");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * FolderBytes(folder));
}

void BM_WatchScanPlain(benchmark::State& state) {
    RunScan(state, false);
}
void BM_WatchScanScrambled(benchmark::State& state) {
    RunScan(state, true);
}

BENCHMARK(BM_IconvSameFiles)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WatchScanPlain)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WatchScanScrambled)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchData.h"
#include "engine/SeriesTitleReader.h"
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

// 500 followed series as a collector's might be: two of the lists' eight series among them, at
// volume 118 of the 119 listed, and names no list here has, each starting with characters of its
// own.
std::vector<FollowedSeries> FollowedSeriesForBench() {
    const char* heads[] = {"青", "赤", "黒", "白", "金", "銀", "空", "海", "星",
                           "月", "花", "雪", "風", "夜", "朝", "森", "川", "山",
                           "火", "水", "光", "影", "鉄", "竜", "猫"};
    const char* tails[] = {"の王国", "物語",   "戦記",   "の旅", "の剣",   "学園", "探偵",
                           "食堂",   "の魔法", "の庭",   "少女", "少年",   "の海", "の城",
                           "日和",   "の歌",   "の騎士", "の街", "ノート", "の国"};
    std::vector<std::string> titles = {"ワンピース　第118巻", "進撃の巨人　第118巻"};
    for (const char* head : heads) {
        for (const char* tail : tails) {
            titles.push_back(std::string(head) + tail + " 3");
        }
    }
    titles.resize(500);
    std::vector<FollowedSeries> followed;
    SeriesTitleReader reader;
    for (const std::string& title : titles) {
        const SeriesTitle read = reader.Read(Utf8ToCp932(title));
        FollowedSeries& s = followed.emplace_back();
        s.key = read.key;
        s.title = Utf8ToCp932(title);
        s.volume = read.volume;
    }
    return followed;
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

// The scan of the scrambled files, and the same scan also looking for the next volumes of 500
// followed series, both timed by the processor time of every thread so that a busy machine does
// not skew them: the second must stay within 1.2 times the first. Two of the lists' eight series
// are followed, so a quarter of the records are read whole; a sixtieth of those are next volumes.
void ScanWithSeries(benchmark::State& state, const std::vector<FollowedSeries>& followed) {
    const std::filesystem::path& folder = Folder(true);
    const WeekNumbering weeks{
        std::chrono::year_month_day{std::chrono::year{2001}, std::chrono::month{1},
                                    std::chrono::day{13}},
        1200};
    const WatchWords words{Utf8ToCp932("講談社,集英社"), Utf8ToCp932("ワンピース,コナン"),
                           Utf8ToCp932("作者　5号")};
    size_t matches = 0;
    size_t next = 0;
    for (auto _ : state) {
        const WatchScanResult r = ScanWatchFiles(FindWatchFiles(folder, weeks), words, followed);
        matches = r.matches.size();
        next = static_cast<size_t>(std::count_if(r.matches.begin(), r.matches.end(),
                                                 [](const WatchMatch& m) { return m.isNext; }));
    }
    state.counters["matches"] = static_cast<double>(matches);
    state.counters["next"] = static_cast<double>(next);
    state.counters["series"] = static_cast<double>(followed.size());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * FolderBytes(folder));
}
void BM_WatchScanScrambledProcessTime(benchmark::State& state) {
    ScanWithSeries(state, {});
}
void BM_WatchScanScrambledFollowing500Series(benchmark::State& state) {
    ScanWithSeries(state, FollowedSeriesForBench());
}

BENCHMARK(BM_IconvSameFiles)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WatchScanPlain)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WatchScanScrambled)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WatchScanScrambledProcessTime)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_WatchScanScrambledFollowing500Series)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();

}  // namespace

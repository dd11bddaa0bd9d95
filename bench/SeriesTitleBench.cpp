#include <benchmark/benchmark.h>
#include <iconv.h>

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "engine/FollowedSeriesIndex.h"
#include "engine/SeriesTitleReader.h"
#include "platform/Cp932.h"

namespace {

using namespace yomida;

constexpr int kTitles = 1000000;

// A million titles as the lists write them (CP932, LF between): series names with kanji,
// Latin letters, full-width and half-width forms, each with one of the volume forms, now and
// then an edition or a label, and some with no volume at all.
const std::string& MillionTitles() {
    static const std::string titles = [] {
        const char* names[] = {"進撃の巨人",
                               "ＯＮＥ ＰＩＥＣＥ",
                               "名探偵コナン",
                               "鬼滅の刃",
                               "ｶﾞﾝﾀﾞﾑ ｴｰｽ",
                               "よつばと！",
                               "ブルーピリオド",
                               "SPY×FAMILY",
                               "ゆるキャン△",
                               "20世紀少年",
                               "2001夜物語",
                               "ゴルゴ13",
                               "3月のライオン",
                               "ソードアート・オンライン",
                               "転生したらスライムだった件",
                               "薬屋のひとりごと",
                               "葬送のフリーレン",
                               "ダンジョン飯",
                               "チェンソーマン",
                               "呪術廻戦",
                               "僕のヒーローアカデミア",
                               "東京卍リベンジャーズ",
                               "キングダム",
                               "ＮＡＲＵＴＯ―ナルト―",
                               "銀魂",
                               "髙橋留美子傑作集",
                               "﨑山つばさの日常",
                               "國學院物語",
                               "ノルウェイの森",
                               "魔法少女まどか☆マギカ"};
        const char* forms[] = {
            "（%）", " %",  " 第%巻", "【%】",         " vol.%",    " #%",
            " %巻",  "(%)", "　*",    " 第%巻 特装版", " % 限定版", " % (ジャンプコミックス)",
            "",      " 上", " 下巻"};
        const char* kanji[] = {"一", "二", "三", "十二", "二十一"};
        const char* kFullWidthDigits[] = {"０", "１", "２", "３", "４",
                                          "５", "６", "７", "８", "９"};
        std::string utf8;
        for (int i = 0; i < kTitles; ++i) {
            std::string title = names[i % 30];
            const std::string form = forms[(i / 30 + i) % 15];
            // % is the volume in ASCII digits, * in full-width ones.
            std::string number = std::to_string(i % 97 + 1);
            std::string fullWidth;
            for (char d : number) {
                fullWidth += kFullWidthDigits[d - '0'];
            }
            if (i % 11 == 0 && form == " 第%巻") {
                number = kanji[i % 5];
            }
            for (char c : form) {
                if (c == '%') {
                    title += number;
                } else if (c == '*') {
                    title += fullWidth;
                } else {
                    title += c;
                }
            }
            utf8 += title;
            utf8 += '\n';
        }
        return Utf8ToCp932(utf8);
    }();
    return titles;
}

std::vector<std::string_view> Lines(const std::string& text) {
    std::vector<std::string_view> lines;
    for (size_t start = 0; start < text.size();) {
        const size_t end = text.find('\n', start);
        lines.push_back(std::string_view(text).substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// The processor time of this thread: on a machine shared with other work, what the two
// compared ones cost without the time spent waiting for a core.
double ThreadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// iconv turning the same bytes into UTF-8: what touching every character once costs.
bool IconvToUtf8(iconv_t cd, const std::string& text, std::string& out) {
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    char* to = out.data();
    size_t outLeft = out.size();
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    return iconv(cd, &in, &inLeft, &to, &outLeft) != static_cast<size_t>(-1);
}

// Reading a million titles against iconv of the same bytes, both timed in every iteration by
// the processor time they take. The time column is the reading; x_iconv is how many times
// iconv's time it takes.
void BM_ReadSeriesTitles(benchmark::State& state) {
    const std::string& text = MillionTitles();
    const std::vector<std::string_view> titles = Lines(text);
    std::string utf8(text.size() * 2, '\0');
    iconv_t cd = iconv_open("UTF-8", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        state.SkipWithError("iconv has no CP932");
        return;
    }
    SeriesTitleReader reader;
    SeriesTitle title;
    double readSeconds = 0;
    double iconvSeconds = 0;
    size_t withVolume = 0;
    for (auto _ : state) {
        const double iconvStart = ThreadSeconds();
        if (!IconvToUtf8(cd, text, utf8)) {
            state.SkipWithError("iconv failed");
            break;
        }
        benchmark::DoNotOptimize(utf8.data());
        iconvSeconds += ThreadSeconds() - iconvStart;
        const double start = ThreadSeconds();
        withVolume = 0;
        for (std::string_view t : titles) {
            reader.ReadInto(t, {}, {}, title);
            withVolume += title.volume > 0 ? 1 : 0;
        }
        benchmark::DoNotOptimize(withVolume);
        const double seconds = ThreadSeconds() - start;
        readSeconds += seconds;
        state.SetIterationTime(seconds);
    }
    iconv_close(cd);
    const auto runs = static_cast<double>(state.iterations());
    state.counters["titles"] = static_cast<double>(titles.size());
    state.counters["with_volume"] = static_cast<double>(withVolume);
    state.counters["MB"] = static_cast<double>(text.size()) / 1e6;
    state.counters["iconv_ms"] = runs > 0 ? iconvSeconds * 1000 / runs : 0;
    state.counters["x_iconv"] = iconvSeconds > 0 ? readSeconds / iconvSeconds : 0;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_ReadSeriesTitles)->Unit(benchmark::kMillisecond)->UseManualTime();

// What the watch scan adds per record with 500 series followed, three of them among the titles:
// asking the index about each of the million titles.
void BM_NextVolumeCheck(benchmark::State& state) {
    const std::vector<std::string_view> titles = Lines(MillionTitles());
    std::vector<FollowedSeries> followed;
    for (int i = 0; i < 500; ++i) {
        FollowedSeries s;
        s.key = Utf8ToCp932("シリーズ" + std::to_string(i));
        followed.push_back(s);
    }
    for (const char* key : {"進撃の巨人", "ONEPIECE", "ノルウェイの森"}) {
        FollowedSeries s;
        s.key = Utf8ToCp932(key);
        s.volume = 50;
        followed.push_back(s);
    }
    const FollowedSeriesIndex index(followed);
    SeriesTitleReader reader;
    SeriesTitle title;
    size_t next = 0;
    for (auto _ : state) {
        next = 0;
        for (std::string_view t : titles) {
            next += index.NextVolumeOf(reader, t, title) != nullptr ? 1 : 0;
        }
        benchmark::DoNotOptimize(next);
    }
    state.counters["next_volumes"] = static_cast<double>(next);
    state.counters["ns_per_title"] = benchmark::Counter(
        static_cast<double>(titles.size()) * static_cast<double>(state.iterations()),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_NextVolumeCheck)->Unit(benchmark::kMillisecond);

}  // namespace

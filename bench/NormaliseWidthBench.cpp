#include <benchmark/benchmark.h>

#include "platform/Cp932.h"
#include "text/NormaliseWidth.h"

namespace {

// Page text as the converters see it: markup, kanji and kana, full-width digits and letters,
// some half-width katakana.
std::string TypicalPageText(size_t bytes) {
    const std::string unit = yomida::Utf8ToCp932(
        "<div class=\"item\">【QZ日付】１５日【QZ出版社】講談社コミックス【QZタイトル】"
        "ワンピース　第１０５巻　ＳＰＥＣＩＡＬ版【QZ作者】尾田栄一郎【QZ価格】￥４８４</div>\n"
        "<p>ｶﾞﾝﾀﾞﾑ ｴｰｽ 2026年12月号（特別付録つき）・定価：１，２００円</p>\n");
    std::string text;
    while (text.size() < bytes) {
        text += unit;
    }
    return text;
}

void BM_NormaliseWidth(benchmark::State& state) {
    const std::string text = TypicalPageText(4 * 1024 * 1024);
    std::string out;
    for (auto _ : state) {
        yomida::NormaliseWidthInto(text, out);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_NormaliseWidth)->Unit(benchmark::kMillisecond);

}  // namespace

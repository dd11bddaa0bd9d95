#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "BenchData.h"
#include "sources/Convert.h"

namespace {

using namespace yomida;

constexpr int kEntries = 13200;

// A product-list page of about 10 MB with 13,200 entries, in the site's layout.
std::string BigProductPage() {
    std::string page = "<html><head><title>list</title></head><body>\n";
    int entry = 0;
    for (int day = 1; day <= 28 && entry < kEntries; ++day) {
        page += "<section><h2 class=\"publisher-title\">2026/12/" +
                std::to_string(100 + day).substr(1) + "(金)</h2><!--[-->\n";
        for (int p = 0; p < 12 && entry < kEntries; ++p) {
            page += "<div><h3 class=\"subgroup-title\">出版社" + std::to_string(p) +
                    "コミックス</h3><!---->\n<ul>\n";
            for (int i = 0; i < 60 && entry < kEntries; ++i, ++entry) {
                page += "<li class=\"item\"><div class=\"thumb\"><img src=\"/img/" +
                        std::to_string(entry) +
                        ".jpg\" alt=\"\" loading=\"lazy\" width=\"120\" height=\"170\"></div>"
                        "<div class=\"body\"><a href=\"/product/" +
                        std::to_string(entry) +
                        "\" class=\"text-primary font-bold no-underline hover:underline\">"
                        "ワンピース　第" +
                        std::to_string(entry % 120) +
                        "巻　特装版 &amp; ｶﾞｲﾄﾞﾌﾞｯｸ付き</a>\n"
                        "<a href=\"/search?authors=尾田栄一郎\" class=\"author\">尾田栄一郎</a>\n"
                        "<a href=\"/search?authors=尾田\" class=\"author\">尾田</a><!---->\n"
                        "<p class=\"desc\">" +
                        std::string(180, 'x') +
                        "</p><p><span class=\"text-price-text font-bold mr-1\">￥1,320</span>"
                        "<span class=\"tax\">(税込)</span></p></div></li>\n";
            }
            page += "</ul></div>\n";
        }
        page += "</section>\n";
    }
    return page + "<script id=\"__NUXT_DATA__\">[" + std::string(100000, '1') + "]</script>\n";
}

// A page of another shape, of about 10 MB: days spread over the whole month, eight publishers a
// day with five entries each, and every entry a few short lines.
std::string ShortRowsProductPage() {
    std::string page = "<html><head><title>list</title></head><body>\n";
    int entry = 0;
    for (int day = 1; page.size() < 10000000; day = day % 31 + 1) {
        page += "<section><h2 class=\"publisher-title\">2026/12/" +
                std::to_string(100 + day).substr(1) + "(金)</h2><!--[-->\n";
        for (int p = 0; p < 8; ++p) {
            page += "<div><h3 class=\"subgroup-title\">出版社" +
                    std::to_string((day * 8 + p) % 53) + "</h3><!---->\n<ul><!--[-->\n";
            for (int i = 0; i < 5; ++i, ++entry) {
                const std::string author = "作者" + std::to_string(entry % 97);
                page += "<li><a href=\"/p/" + std::to_string(entry) +
                        "\" class=\"text-primary font-bold no-underline hover:underline\">題名" +
                        std::to_string(entry) + "</a>\n<a href=\"/search?authors=" + author +
                        "\" class=\"a\">" + author +
                        "</a><!---->\n<span class=\"text-price-text font-bold mr-1\">￥" +
                        std::to_string(400 + entry % 9 * 100) + "</span></li>\n";
            }
            page += "<!--]--></ul></div>\n";
        }
        page += "<!--]--></section>\n";
    }
    return page + "<script id=\"__NUXT_DATA__\">[1]</script>\n";
}

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// The conversion of a big page against a yardstick: iconv turning the same bytes into CP932,
// timed in the same iterations so that a busy machine slows both alike. The time column is the
// conversion; x_iconv is how many times iconv's time it takes.
void ConvertAgainstIconv(benchmark::State& state, const std::string& page) {
    const std::filesystem::path dir = bench::NewTempFolder();
    const std::filesystem::path input = dir / "page";
    std::ofstream(input, std::ios::binary) << page;
    const std::vector<std::string> iconv = {"iconv", "-f", "UTF-8", "-t", "CP932", input.string()};
    const ConvertRequest request{
        1, input, dir / "out.csv", "",
        std::chrono::year_month_day{std::chrono::year{2003}, std::chrono::month{5},
                                    std::chrono::day{1}}};
    double convertSeconds = 0;
    double iconvSeconds = 0;
    int records = 0;
    for (auto _ : state) {
        const Clock::time_point iconvStart = Clock::now();
        if (!bench::RunToNull(iconv)) {
            state.SkipWithError("iconv failed");
            break;
        }
        iconvSeconds += Seconds(Clock::now() - iconvStart);
        const Clock::time_point start = Clock::now();
        const ConvertResult converted = Convert(request);
        const double seconds = Seconds(Clock::now() - start);
        convertSeconds += seconds;
        state.SetIterationTime(seconds);
        if (converted.outcome != ConvertOutcome::Converted) {
            state.SkipWithError("the page did not convert");
            break;
        }
        records = converted.records;
    }
    const auto runs = static_cast<double>(state.iterations());
    state.counters["entries"] = records;
    state.counters["page_MB"] = static_cast<double>(page.size()) / 1e6;
    state.counters["iconv_ms"] = runs > 0 ? iconvSeconds * 1000 / runs : 0;
    state.counters["x_iconv"] = iconvSeconds > 0 ? convertSeconds / iconvSeconds : 0;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(page.size()));
    std::filesystem::remove_all(dir);
}

void BM_ConvertProductList(benchmark::State& state) {
    ConvertAgainstIconv(state, BigProductPage());
}
void BM_ConvertProductListShortRows(benchmark::State& state) {
    ConvertAgainstIconv(state, ShortRowsProductPage());
}
BENCHMARK(BM_ConvertProductList)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_ConvertProductListShortRows)->Unit(benchmark::kMillisecond)->UseManualTime();

}  // namespace

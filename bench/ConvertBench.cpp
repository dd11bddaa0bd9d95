#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "BenchData.h"
#include "sources/Convert.h"
#include "support/ScriptedUi.h"

namespace {

using namespace yomida;

// A product-list page of about 10 MB with 20,000 entries, in the site's layout.
std::string BigProductPage() {
    std::string page = "<html><head><title>list</title></head><body>\n";
    int entry = 0;
    for (int day = 1; day <= 28 && entry < 20000; ++day) {
        page += "<section><h2 class=\"publisher-title\">2026/12/" +
                std::to_string(100 + day).substr(1) + "(金)</h2><!--[-->\n";
        for (int p = 0; p < 12 && entry < 20000; ++p) {
            page += "<div><h3 class=\"subgroup-title\">出版社" + std::to_string(p) +
                    "コミックス</h3><!---->\n<ul>\n";
            for (int i = 0; i < 60 && entry < 20000; ++i, ++entry) {
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

void BM_ConvertProductList(benchmark::State& state) {
    bench::RunConvert(state, 1, BigProductPage());
    state.counters["entries"] = 20000;
}
BENCHMARK(BM_ConvertProductList)->Unit(benchmark::kMillisecond);

}  // namespace

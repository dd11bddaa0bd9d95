#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "BenchData.h"
#include "platform/Cp932.h"
#include "sources/Convert.h"
#include "support/ScriptedUi.h"

namespace {

using namespace yomida;

constexpr size_t kPageBytes = 4 * 1024 * 1024;

// Repeats one entry of a layout until the page is a few megabytes, in CP932.
std::string Page(const std::string& head, const std::function<std::string(int)>& entry,
                 const std::string& tail) {
    std::string utf8 = head;
    for (int i = 0; utf8.size() < kPageBytes; ++i) {
        utf8 += entry(i);
    }
    return Utf8ToCp932(utf8 + tail);
}

std::string BookTownPage() {
    return Page(
        "<html><body><table>\n",
        [](int i) {
            return "<tr>\n<td>見本書房</td>\n<td>見本新書</td>\n<td><a href=\"/b/" +
                   std::to_string(i) + "\">都市の<br>かたち, 第" + std::to_string(i) +
                   "版</a></td>\n<td>架空 太郎</td>\n<td>四六判</td>\n<td>１,０５０円</td>\n"
                   "<td>上旬</td>\n<td>4-00-000001-1</td>\n</tr>\n";
        },
        "</table></body></html>\n");
}

std::string MangaNoMoriPage() {
    return Page(
        "<html><body><table>\n<tr>\n<td>2003.05 月</td>\n</tr>\n",
        [](int i) {
            return "<tr>\n<td>木</td>\n<td>" + std::to_string(i % 31 + 1) +
                   "</td>\n<td>見本の物語, 第" + std::to_string(i) +
                   "巻</td>\n<td>架空 花子</td>\n<td>1,200</td>\n</tr>\n";
        },
        "</table></body></html>\n");
}

std::string BunkoPage() {
    return Page(
        "<html><body><UL>\r\n",
        [](int i) {
            return "<LI>5/" + std::to_string(i % 31 + 1) + "　　見本文庫　　見本　　星の海 第" +
                   std::to_string(i) + "巻　　架空 太郎　　&yen;580\r\n";
        },
        "</UL></body></html>\r\n");
}

std::string ComicPage() {
    return Page(
        "<HTML><BODY>\r\n",
        [](int i) {
            return "<LI>05/" + std::to_string(i % 31 + 10) +
                   "　　見本コミックス　　星の旅人　　第" + std::to_string(i) +
                   "巻　　架空太郎　　&yen;420　　B6\r\n";
        },
        "</BODY></HTML>\r\n");
}

std::string WeeklyPage() {
    return Page(
        "<HTML><BODY><UL>\n",
        [](int i) {
            return "<LI><A HREF=\"/b/" + std::to_string(i) +
                   "\">見本の本</A><BR>架空 太郎<BR>見本書房<BR>1500円<BR>単行本<BR>x<BR>4-00-" +
                   std::to_string(100000 + i) + "\n";
        },
        "</UL></BODY></HTML>\n");
}

std::string NeoWingCsv() {
    return Page(
        "",
        [](int i) {
            return "見本 アーティスト,\"春の歌, 第" + std::to_string(i) + "集\",ABCD-" +
                   std::to_string(i) + ",CD,3000,2003/05/" + std::to_string(i % 31 + 1) + "\n";
        },
        "");
}

void BM_BookTown(benchmark::State& s) {
    bench::RunConvert(s, 7, BookTownPage());
}
void BM_MangaNoMori(benchmark::State& s) {
    bench::RunConvert(s, 15, MangaNoMoriPage());
}
void BM_TaiyoshaBunko(benchmark::State& s) {
    bench::RunConvert(s, 3, BunkoPage());
}
void BM_TaiyoshaComic(benchmark::State& s) {
    bench::RunConvert(s, 8, ComicPage());
}
void BM_WeeklyList(benchmark::State& s) {
    bench::RunConvert(s, 2, WeeklyPage());
}
void BM_NeoWingCsv(benchmark::State& s) {
    bench::RunConvert(s, 11, NeoWingCsv());
}
BENCHMARK(BM_BookTown)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MangaNoMori)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TaiyoshaBunko)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TaiyoshaComic)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WeeklyList)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NeoWingCsv)->Unit(benchmark::kMillisecond);

}  // namespace

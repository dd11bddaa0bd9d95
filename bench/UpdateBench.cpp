#include <benchmark/benchmark.h>

#include <chrono>
#include <fstream>
#include <sstream>

#include "BenchData.h"
#include "cli/Cli.h"
#include "platform/Clock.h"
#include "platform/Cp932.h"
#include "settings/SettingsRecord.h"
#include "support/LoopbackServer.h"
#include "support/TestCertificates.h"

namespace {

using namespace yomida;

constexpr size_t kPageBytes = 1024 * 1024;
constexpr int kPeriods = 3;
// Every category fetched directly whose source needs no month probe: three まんが王倶楽部
// lists over https, its web list, the weekly list and まんがの森. The test pages of the last two
// give no list for today's months (no records, a page of another month), so 12 of the 18 lists
// are stored; the others are downloaded and converted all the same.
const std::vector<int> kCategories = {1, 4, 6, 5, 2, 15};

std::string ReadFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// A real page brought to about 1 MB by markup the converters pass over.
std::string Padded(std::string page) {
    std::string filler = "<!--\n";
    while (filler.size() + page.size() < kPageBytes) {
        filler += "発売予定一覧　ワンピース　第108巻　尾田栄一郎　集英社　￥528（税込）\n";
    }
    filler += "-->\n";
    const size_t body = page.rfind("</body>");
    page.insert(body == std::string::npos ? page.size() : body, filler);
    return page;
}

// The command's standard output and error.
std::string Run(const std::vector<std::string>& args) {
    std::istringstream in;
    std::ostringstream out;
    std::ostringstream err;
    RunCli(args, in, out, err);
    return out.str() + err.str();
}

// `update` of kCategories for kPeriods periods, against `fetch --force` of the same lists one
// by one; both from loopback servers into empty data folders.
void BM_UpdateAgainstSingleFetches(benchmark::State& state) {
    const std::filesystem::path folder = bench::NewTempFolder();
    test::TestCa ca;
    ca.TrustIn(folder / "ca.pem");
    const std::string ok = "HTTP/1.0 200 OK\r\nLast-Modified: Sat, 01 Mar 2025\r\n\r\n";
    const std::string mangaOh =
        ok + Padded(ReadFile(std::filesystem::path(YOMIDA_SAMPLES) / "mangaoh-comic.html"));
    const std::string weekly =
        ok + Padded(Utf8ToCp932(ReadFile(std::filesystem::path(YOMIDA_TEST_DATA) / "weekly.html")));
    const std::string mori =
        ok + Padded(ReadFile(std::filesystem::path(YOMIDA_TEST_DATA) / "manganomori.html"));
    const size_t rounds = static_cast<size_t>(state.max_iterations) * 2 + 1;
    std::vector<test::LoopbackServer::Reply> secure;
    std::vector<test::LoopbackServer::Reply> plain;
    // In the order both runs ask: category by category, the periods of each in turn.
    for (size_t r = 0; r < rounds; ++r) {
        for (int c : kCategories) {
            for (int i = 0; i < kPeriods; ++i) {
                (c == 1 || c == 4 || c == 6 ? secure : plain)
                    .push_back({c == 2    ? weekly
                                : c == 15 ? mori
                                          : mangaOh});
            }
        }
    }
    test::LoopbackServer tls(secure, ca.IssueForLoopback());
    test::LoopbackServer http(plain);
    const std::string at = "127.0.0.1:" + std::to_string(http.Port());
    std::ofstream(folder / "y.ini", std::ios::binary)
        << "[HOSTS]\r\nMANGAOH=127.0.0.1:" << tls.Port() << "\r\nWEEKLY=" << at
        << "\r\nMANGANOMORI=" << at << "\r\n[SOURCES]\r\ncomic2=http://" << at
        << "/catalog/l/comic/{yyyy}/{m}/\r\n";
    const std::string settings = (folder / "y.ini").string();

    SettingsRecord numbering;
    const std::chrono::year_month_day today = SystemClock().Today();
    const int week = numbering.Weeks().WeekOf(today);
    double singleSeconds = 0;
    double updateSeconds = 0;
    int round = 0;
    int updated = 0;
    for (auto _ : state) {
        const std::string data = (folder / ("d" + std::to_string(round++))).string();
        const auto start = std::chrono::steady_clock::now();
        for (int c : kCategories) {
            for (int i = 0; i < kPeriods; ++i) {
                const std::chrono::year_month_day day =
                    c == 2 ? numbering.Weeks().EndDay(week + i)
                           : (today.year() / today.month() + std::chrono::months{i}) / 1;
                char month[16];
                std::snprintf(month, sizeof month, "%04d-%02u", static_cast<int>(day.year()),
                              static_cast<unsigned>(day.month()));
                Run({"fetch", "--category", std::to_string(c), "--month", month, "--week",
                     std::to_string(week + i), "--data", data + "-single", "--settings", settings,
                     "--force"});
            }
        }
        const auto middle = std::chrono::steady_clock::now();
        std::vector<std::string> update = {
            "update", "--data",   data + "-update",        "--settings",
            settings, "--months", std::to_string(kPeriods)};
        for (int c : kCategories) {
            update.push_back("--category");
            update.push_back(std::to_string(c));
        }
        const std::string printed = Run(update);
        const auto end = std::chrono::steady_clock::now();
        updated = 0;
        for (size_t at = printed.find("\tupdated\t"); at != std::string::npos;
             at = printed.find("\tupdated\t", at + 1)) {
            ++updated;
        }
        singleSeconds += std::chrono::duration<double>(middle - start).count();
        updateSeconds += std::chrono::duration<double>(end - middle).count();
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["lists"] = static_cast<double>(kCategories.size() * kPeriods);
    state.counters["updated"] = updated;
    state.counters["single_fetches_ms"] = singleSeconds / n * 1000;
    state.counters["update_ms"] = updateSeconds / n * 1000;
    state.counters["update_over_single"] = updateSeconds / singleSeconds;
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_UpdateAgainstSingleFetches)->Iterations(10)->Unit(benchmark::kMillisecond);

}  // namespace

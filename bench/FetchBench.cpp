#include <benchmark/benchmark.h>
#include <iconv.h>

#include <memory>
#include <stdexcept>

#include "BenchData.h"
#include "download/HttpClient.h"
#include "support/LoopbackServer.h"
#include "support/TestCertificates.h"

namespace {

using namespace yomida;

constexpr int kFetches = 10;

// About 10 MB of a release list page in UTF-8, as the site sends it: Japanese titles and
// authors in markup, every character one that CP932 has.
const std::shared_ptr<const std::string>& BigUtf8Page() {
    static const std::shared_ptr<const std::string> page = [] {
        auto text = std::make_shared<std::string>("<html><body><ul>\n");
        for (int i = 0; text->size() < 10 * 1024 * 1024; ++i) {
            *text += "<li><a href=\"/product/" + std::to_string(i) + "\">ワンピース　第" +
                     std::to_string(i % 120) +
                     "巻　特装版（ガイドブック付き）</a> <span>尾田栄一郎</span> "
                     "<span>集英社</span> <span>￥1,320（税込）</span> "
                     "<span>2026年12月04日発売</span></li>\n";
        }
        *text += "</ul></body></html>\n";
        return std::shared_ptr<const std::string>(std::move(text));
    }();
    return page;
}

// The whole page, fetched into memory with the program's client, kFetches times.
void RunFetch(benchmark::State& state, bool tls) {
    const std::filesystem::path folder = bench::NewTempFolder();
    test::TestCa ca;
    ca.TrustIn(folder / "ca.pem");
    std::vector<test::LoopbackServer::Reply> replies(
        kFetches + 1, test::LoopbackServer::Reply{"HTTP/1.0 200 OK\r\n\r\n"});
    for (auto& reply : replies) {
        reply.shared = BigUtf8Page();
    }
    std::optional<test::ServerIdentity> identity;
    if (tls) {
        identity = ca.IssueForLoopback();
    }
    test::LoopbackServer server(replies, identity);
    PosixTcpConnector connector;
    HttpClient http(connector);
    HttpRequest request;
    request.url = server.Url("/list");
    for (auto _ : state) {
        const HttpResponse response = http.Get(request, {});
        if (response.body.size() != BigUtf8Page()->size()) {
            state.SkipWithError("short body");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(BigUtf8Page()->size()));
    std::filesystem::remove_all(folder);
}

void BM_FetchHttp(benchmark::State& state) {
    RunFetch(state, false);
}
BENCHMARK(BM_FetchHttp)->Iterations(kFetches)->Unit(benchmark::kMillisecond);

void BM_FetchHttps(benchmark::State& state) {
    RunFetch(state, true);
}
BENCHMARK(BM_FetchHttps)->Iterations(kFetches)->Unit(benchmark::kMillisecond);

// The same bytes through iconv from UTF-8 to CP932: what touching every byte once costs.
void BM_IconvSameBytes(benchmark::State& state) {
    const std::string& page = *BigUtf8Page();
    std::string out(page.size(), '\0');
    iconv_t cd = iconv_open("CP932", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        state.SkipWithError("iconv has no CP932");
        return;
    }
    for (auto _ : state) {
        char* in = const_cast<char*>(page.data());
        size_t inLeft = page.size();
        char* to = out.data();
        size_t outLeft = out.size();
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd, &in, &inLeft, &to, &outLeft) == static_cast<size_t>(-1)) {
            state.SkipWithError("iconv failed");
            break;
        }
        benchmark::DoNotOptimize(out.data());
    }
    iconv_close(cd);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(page.size()));
}
BENCHMARK(BM_IconvSameBytes)->Iterations(kFetches)->Unit(benchmark::kMillisecond);

}  // namespace

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "BenchData.h"
#include "download/DefinedSourceFetch.h"
#include "platform/TcpSocket.h"
#include "sources/Convert.h"
#include "sources/DefinedSources.h"
#include "support/LoopbackServer.h"

namespace {

using namespace yomida;
using namespace std::chrono;
using BenchClock = steady_clock;

double ElapsedSeconds(BenchClock::duration d) {
    return duration<double>(d).count();
}

// The built-in definitions, installed for the whole run as the program installs them.
void InstallBuiltInDefinitions() {
    static const bool installed = [] {
        InstallDefinitions(std::make_shared<DefinitionSet>(
            LoadDefinitions({YOMIDA_BUILTIN_SOURCES, {}}, DefinitionReader("2.0.2.0"))));
        return true;
    }();
    static_cast<void>(installed);
}

// An OpenSearch response of 国立国会図書館サーチ's shape: `items` records of December 2026, each
// with the elements the ndl-jpro definition reads and a few it does not.
std::string OpenSearchResponse(int items, int total, int firstDay, int days) {
    std::string page =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<rss xmlns:dcndl=\"http://ndl.go.jp/dcndl/"
        "terms/\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\" xmlns:dcterms=\"http://purl.org/dc/"
        "terms/\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" xmlns:openSearch=\"http:"
        "//a9.com/-/opensearchrss/1.0/\" version=\"2.0\">\n<channel>\n<title>見本</title>\n"
        "<openSearch:totalResults>" +
        std::to_string(total) + "</openSearch:totalResults>\n";
    for (int i = 0; i < items; ++i) {
        const std::string n = std::to_string(i);
        const std::string day = std::to_string(100 + firstDay + i % days).substr(1);
        page += "<item>\n<title>【見本】ほしぞら探偵団 " + n +
                "</title>\n<link>https://ndlsearch.ndl.go.jp/books/R100000000-I" + n +
                "</link>\n<description>見本のための架空の書誌です。" + std::string(200, 'x') +
                "</description>\n<category>図書</category>\n<dc:title>【見本】ほしぞら探偵団" +
                "</dc:title>\n<dcndl:titleTranscription>ミホン ホシゾラ タンテイダン"
                "</dcndl:titleTranscription>\n<dc:creator>架空, 太郎, 1968-</dc:creator>\n"
                "<dc:creator>見本, 花子</dc:creator>\n<dcndl:seriesTitle>見本社文庫"
                "</dcndl:seriesTitle>\n<dcndl:volume>" +
                std::to_string(i % 40 + 1) +
                "</dcndl:volume>\n<dc:publisher>見本社</dc:publisher>\n<dcterms:issued "
                "xsi:type=\"dcterms:W3CDTF\">2026-12-" +
                day +
                "</dcterms:issued>\n<dcndl:price>９４０円</dcndl:price>\n<dc:extent>320p ; 15cm"
                "</dc:extent>\n<dc:identifier xsi:type=\"dcndl:ISBN\">978-4-00-000001-7"
                "</dc:identifier>\n<dc:subject xsi:type=\"dcndl:NDC10\">913.6</dc:subject>\n"
                "</item>\n";
    }
    return page + "</channel>\n</rss>\n";
}

// A 5 MB response converted into the ndl-jpro list, against xmllint --noout reading the same
// file, timed in the same iterations so that a busy machine slows both alike. The time column
// is the conversion; x_xmllint is how many times xmllint's time it takes.
void BM_ConvertOpenSearch(benchmark::State& state) {
    InstallBuiltInDefinitions();
    std::string response;
    int items = 0;
    for (; response.size() < 5 * 1024 * 1024; items += 500) {
        response = OpenSearchResponse(items + 500, items + 500, 1, 31);
    }
    const std::filesystem::path dir = bench::NewTempFolder();
    const std::filesystem::path input = dir / "response.xml";
    std::ofstream(input, std::ios::binary) << response;
    const std::vector<std::string> xmllint = {"xmllint", "--noout", input.string()};
    const ConvertRequest request{16, input, dir / "ndljp2612.csv", "", year{2026} / December / 1};
    double convertSeconds = 0;
    double xmllintSeconds = 0;
    for (auto _ : state) {
        const BenchClock::time_point xmllintStart = BenchClock::now();
        if (!bench::RunToNull(xmllint)) {
            state.SkipWithError("xmllint failed");
            break;
        }
        xmllintSeconds += ElapsedSeconds(BenchClock::now() - xmllintStart);
        const BenchClock::time_point start = BenchClock::now();
        const ConvertResult converted = Convert(request);
        const double seconds = ElapsedSeconds(BenchClock::now() - start);
        convertSeconds += seconds;
        state.SetIterationTime(seconds);
        if (!converted.RanToEnd() || converted.records != items) {
            state.SkipWithError("the response did not convert");
            break;
        }
    }
    const auto runs = static_cast<double>(state.iterations());
    state.counters["records"] = items;
    state.counters["response_MB"] = static_cast<double>(response.size()) / 1e6;
    state.counters["xmllint_ms"] = runs > 0 ? xmllintSeconds * 1000 / runs : 0;
    state.counters["x_xmllint"] = xmllintSeconds > 0 ? convertSeconds / xmllintSeconds : 0;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(response.size()));
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_ConvertOpenSearch)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

// A month of ndl-jpro from a loopback server, one request per day, against the same requests
// sent one by one without waiting plus the second the politeness delay puts between two of
// them: x_single_plus_delay is how many times that sum the month takes. The month is February
// 2027, 28 days, since the test server ends itself after 30 seconds.
void BM_FetchNdlMonth(benchmark::State& state) {
    InstallBuiltInDefinitions();
    constexpr int kDays = 28;
    std::vector<std::string> bodies;
    for (int day = 1; day <= kDays; ++day) {
        bodies.push_back(OpenSearchResponse(150, 150, day, 1));
    }
    const auto replies = [&] {
        std::vector<test::LoopbackServer::Reply> r;
        for (const std::string& body : bodies) {
            r.push_back({"HTTP/1.0 200 OK\r\nContent-Type: application/xml\r\n\r\n" + body});
        }
        return r;
    };
    const std::vector<std::pair<std::string, std::string>> overrides = {
        {"ndljp",
         "http://{host}/api/opensearch?dpid=jpro&from={day}&until={day}&cnt={cnt}&idx={idx}"}};
    const SourceOverrides sources(overrides);
    double monthSeconds = 0;
    double singleSeconds = 0;
    for (auto _ : state) {
        PosixTcpConnector connector;
        HttpClient http(connector);
        {
            test::LoopbackServer server(replies());
            const BenchClock::time_point start = BenchClock::now();
            for (int day = 1; day <= kDays; ++day) {
                HttpRequest get;
                get.timeOutMs = 10000;
                get.url = server.Url("/api/opensearch?dpid=jpro&day=" + std::to_string(day));
                if (!http.Get(get, {}).Ok()) {
                    state.SkipWithError("a single request failed");
                }
            }
            singleSeconds += ElapsedSeconds(BenchClock::now() - start) + (kDays - 1) * 1.0;
        }
        test::LoopbackServer server(replies());
        HostTable hosts;
        hosts.Override({{"NDLSEARCH", "127.0.0.1:" + std::to_string(server.Port())}});
        DefinedFetchRequest request;
        request.category = 16;
        request.target = year{2027} / February / 1;
        request.hosts = &hosts;
        request.timeOutMs = 10000;
        request.sources = &sources;
        request.userAgent = "YOMIDA/bench";
        const BenchClock::time_point start = BenchClock::now();
        const DefinedFetchResult month = FetchDefinedSource(http, request);
        const double seconds = ElapsedSeconds(BenchClock::now() - start);
        monthSeconds += seconds;
        state.SetIterationTime(seconds);
        if (!month.Ok() || month.requests != kDays) {
            state.SkipWithError("the month did not come");
            break;
        }
    }
    state.counters["requests"] = kDays;
    state.counters["x_single_plus_delay"] = singleSeconds > 0 ? monthSeconds / singleSeconds : 0;
}
BENCHMARK(BM_FetchNdlMonth)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "download/HttpClient.h"
#include "sources/Catalogue.h"

namespace yomida {

// Keeps requests to one host apart: the program asks a public service for a month of lists, and
// its terms ask for no more than one request a second. Shared by every fetch of one run, so two
// sources on one host take turns too. While it waits it turns the caller's message loop and
// listens for Cancel.
class HostPacer {
public:
    using Clock = std::chrono::steady_clock;

    HostPacer();
    // Time and sleep handed in, for tests.
    HostPacer(std::function<Clock::time_point()> now,
              std::function<void(std::chrono::milliseconds)> sleep);

    // Waits until `gap` has passed since the last request to `host`; false when cancelled.
    [[nodiscard]] bool WaitTurn(const std::string& host, std::chrono::milliseconds gap,
                                const HttpProgress& progress);
    // Notes that a request to `host` has just gone out.
    void Sent(const std::string& host);

private:
    std::function<Clock::time_point()> now_;
    std::function<void(std::chrono::milliseconds)> sleep_;
    std::map<std::string, Clock::time_point> last_;
};

// What a fetch of a defined source's month asks for. The settings' values are handed in as they
// are for the built-in sources' fetches.
struct DefinedFetchRequest {
    int category = 0;  // a category defined as data
    std::chrono::year_month_day target{};
    const HostTable* hosts = nullptr;          // none: the default hosts
    const SourceOverrides* sources = nullptr;  // none: the definition's URL template
    std::string proxy;
    int proxyPort = 0;
    int timeOutMs = 0;  // of each request, 0 for none
    // Names the program, "YOMIDA/2.0.2.0 (+https://yomida.jp/)".
    std::string userAgent;
    HttpProgress progress;
    // Told of each request before it goes out: its number from 1 and its URL.
    std::function<void(size_t, const std::string&)> onRequest;
    HostPacer* pacer = nullptr;  // none: one for this fetch alone
};

enum class DefinedFetchOutcome {
    Fetched,
    HttpStatus,      // a response with an error status
    TransportError,  // no whole response
    CertificateError,
    Cancelled,
    TooManyRequests,     // the source kept paging past the definition's cap
    UnreadableResponse,  // a page whose paging could not be read (not well-formed, say)
    TooLarge,            // the responses together passed the size cap of one page
    NoDefinition,
};

struct [[nodiscard]] DefinedFetchResult {
    DefinedFetchOutcome outcome = DefinedFetchOutcome::NoDefinition;
    // Every response, in the order the conversion reads them.
    std::vector<std::string> responses;
    std::string header;  // of the first response, for its update stamp
    int httpStatus = 0;  // of the last response: the one that failed, if one did
    std::string url;     // of the request that failed
    // CP932; empty after a fetch. Of an error status, the response's status line.
    std::string error;
    size_t requests = 0;

    bool Ok() const { return outcome == DefinedFetchOutcome::Fetched; }
};

// What a defined source's requests say in User-Agent: the program and its version.
std::string ProgramUserAgent();

// Fetches a month of a category defined as data: one query for the month, or one per day when
// the definition pages by day, each followed page by page by {idx} and {cnt} until the total the
// responses give is read (going by the records received, as a server may send fewer than asked),
// or until a page comes back short when no total is given. At most the definition's number of
// requests, then the fetch stops and says so; at least the definition's delay (a second or more)
// between requests to one host; User-Agent on each. Writes nothing: the responses come back, to
// be joined (JoinResponses) into the download file the conversion reads.
DefinedFetchResult FetchDefinedSource(HttpClient& http, const DefinedFetchRequest& request);

}  // namespace yomida

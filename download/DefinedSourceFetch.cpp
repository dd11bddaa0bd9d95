#include "download/DefinedSourceFetch.h"

#include <algorithm>
#include <optional>
#include <thread>

#include "platform/Cp932.h"
#include "sources/DefinedSourceError.h"
#include "sources/DefinedSources.h"
#include "sources/RecordExtraction.h"

namespace yomida {
namespace {

using namespace std::chrono;

// Short enough that the window repaints and Cancel answers while a request waits its turn.
constexpr milliseconds kPacerStep{50};

DefinedFetchOutcome DefinedOutcomeOf(HttpOutcome outcome) {
    switch (outcome) {
        case HttpOutcome::kOk:
            return DefinedFetchOutcome::Fetched;
        case HttpOutcome::kHttpStatus:
            return DefinedFetchOutcome::HttpStatus;
        case HttpOutcome::kCertificateError:
            return DefinedFetchOutcome::CertificateError;
        case HttpOutcome::kCancelled:
            return DefinedFetchOutcome::Cancelled;
        case HttpOutcome::kTransportError:
            break;
    }
    return DefinedFetchOutcome::TransportError;
}

// The first line of a response header, for the record of an error status.
std::string StatusLineOf(const std::string& header) {
    std::string line = header.substr(0, header.find('\n'));
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
        line.pop_back();
    }
    return line;
}

// One month's fetch, request after request.
class MonthFetch {
public:
    MonthFetch(HttpClient& http, const DefinedFetchRequest& request,
               const SourceDefinition& definition, const CategoryInfo& category, HostPacer& pacer)
        : http_(http),
          request_(request),
          definition_(definition),
          pacer_(pacer),
          extractor_(definition),
          form_(request.sources != nullptr && request.sources->Find(category.number) != nullptr
                    ? *request.sources->Find(category.number)
                    : std::string(category.url.form)) {
        values_.host = (request.hosts != nullptr ? *request.hosts : defaultHosts_).HostOf(category);
        values_.target = request.target;
        values_.count = definition.paging.count;
        result_.outcome = DefinedFetchOutcome::Fetched;
    }

    DefinedFetchResult Run() {
        const year_month month = request_.target.year() / request_.target.month();
        if (definition_.paging.perDay) {
            const unsigned last = unsigned((month / std::chrono::last).day());
            for (unsigned d = 1; d <= last && Query(month / day(d)); ++d) {
            }
        } else {
            Query(month / 1);
        }
        if (!result_.Ok()) {
            result_.responses.clear();
        }
        return std::move(result_);
    }

private:
    // The pages of one query; false when the fetch has ended with a failure.
    bool Query(year_month_day day) {
        values_.day = day;
        const PagingRule& paging = definition_.paging;
        values_.index = paging.start;
        while (true) {
            const std::optional<std::string> page = Request();
            if (!page) {
                return false;
            }
            if (paging.count == 0) {
                return true;
            }
            PageSummary summary;
            try {
                summary = extractor_.Summarise(*page);
            } catch (const DefinedSourceError& e) {
                return Fail(DefinedFetchOutcome::UnreadableResponse, Utf8ToCp932(e.what()));
            }
            values_.index += static_cast<int>(summary.records);
            const bool more = summary.total ? values_.index - paging.start < *summary.total
                                            : summary.records >= size_t(paging.count);
            if (summary.records == 0 || !more) {
                return true;
            }
        }
    }

    std::optional<std::string> Request() {
        if (result_.requests >= size_t(definition_.paging.maxRequests)) {
            Fail(DefinedFetchOutcome::TooManyRequests,
                 "stopped after " + std::to_string(result_.requests) +
                     " requests: the source kept answering with more pages");
            return std::nullopt;
        }
        url_ = ExpandUrlTemplate(form_, values_);
        if (!pacer_.WaitTurn(values_.host, milliseconds(definition_.requestDelayMs),
                             request_.progress)) {
            Fail(DefinedFetchOutcome::Cancelled, "cancelled");
            return std::nullopt;
        }
        ++result_.requests;
        if (request_.onRequest) {
            request_.onRequest(result_.requests, url_);
        }
        HttpRequest get;
        get.url = url_;
        get.proxy = request_.proxy;
        get.proxyPort = request_.proxyPort;
        get.timeOutMs = request_.timeOutMs;
        get.userAgent = request_.userAgent;
        get.maxBodyBytes = kHttpMaxBodyBytes - received_;
        pacer_.Sent(values_.host);
        HttpResponse response = http_.Get(get, request_.progress);
        result_.httpStatus = response.status;
        if (!response.Ok()) {
            const bool tooLarge = response.receivedBytes >= get.maxBodyBytes &&
                                  response.outcome == HttpOutcome::kTransportError;
            Fail(tooLarge ? DefinedFetchOutcome::TooLarge : DefinedOutcomeOf(response.outcome),
                 tooLarge ? "the responses of the month are larger than one page may be"
                 : response.error.empty() ? StatusLineOf(response.header)
                                          : response.error);
            return std::nullopt;
        }
        if (result_.responses.empty()) {
            result_.header = response.header;
        }
        received_ += response.body.size();
        result_.responses.push_back(std::move(response.body));
        return result_.responses.back();
    }

    bool Fail(DefinedFetchOutcome outcome, std::string error) {
        result_.outcome = outcome;
        result_.error = std::move(error);
        result_.url = url_;
        return false;
    }

    HttpClient& http_;
    const DefinedFetchRequest& request_;
    const SourceDefinition& definition_;
    HostPacer& pacer_;
    const RecordExtractor extractor_;
    const HostTable defaultHosts_;
    const std::string form_;
    UrlValues values_;
    std::string url_;
    uint64_t received_ = 0;
    DefinedFetchResult result_;
};

}  // namespace

HostPacer::HostPacer()
    : HostPacer([] { return Clock::now(); },
                [](milliseconds wait) { std::this_thread::sleep_for(wait); }) {}

HostPacer::HostPacer(std::function<Clock::time_point()> now,
                     std::function<void(milliseconds)> sleep)
    : now_(std::move(now)), sleep_(std::move(sleep)) {}

bool HostPacer::WaitTurn(const std::string& host, milliseconds gap, const HttpProgress& progress) {
    const auto last = last_.find(host);
    if (last == last_.end()) {
        return true;
    }
    const Clock::time_point due = last->second + gap;
    for (Clock::time_point now = now_(); now < due; now = now_()) {
        if (progress.cancelled && progress.cancelled()) {
            return false;
        }
        sleep_(std::min(kPacerStep, ceil<milliseconds>(due - now)));
        if (progress.pump) {
            progress.pump();
        }
    }
    return true;
}

void HostPacer::Sent(const std::string& host) {
    last_[host] = now_();
}

std::string ProgramUserAgent() {
    return std::string("YOMIDA/") + YOMIDA_VERSION + " (+https://yomida.jp/)";
}

DefinedFetchResult FetchDefinedSource(HttpClient& http, const DefinedFetchRequest& request) {
    const SourceDefinition* definition = FindDefinition(request.category);
    const CategoryInfo* category = FindCategory(request.category);
    if (definition == nullptr || category == nullptr) {
        DefinedFetchResult none;
        none.error = "category " + std::to_string(request.category) + " is not defined as data";
        return none;
    }
    HostPacer ownPacer;
    MonthFetch fetch(http, request, *definition, *category,
                     request.pacer != nullptr ? *request.pacer : ownPacer);
    return fetch.Run();
}

}  // namespace yomida

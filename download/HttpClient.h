#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>

#include "download/HttpCookieJar.h"
#include "platform/TcpSocket.h"

namespace yomida {

// A failure that ends a request; what() is the client's own (English) error text.
class HttpError : public std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The requests the client issues; the values are the codes its events have always carried.
enum class HttpCommand : int { kGet = 0, kHead = 2 };

// How a request ended.
enum class HttpOutcome {
    kOk,              // a status below 299
    kHttpStatus,      // an error status, or a redirect that names nowhere to go
    kTransportError,  // no whole response: URL, lookup, connection, time-out, limits, cut transfer
    kCertificateError,  // the server's certificate did not verify
    kCancelled,
};

// Guards against hostile servers, far above what a release list page needs: a longer header or
// body ends the request with an error instead of filling memory or the disk.
inline constexpr size_t kHttpMaxHeaderBytes = 1024 * 1024;
inline constexpr uint64_t kHttpMaxBodyBytes = 256ull * 1024 * 1024;
// A longer URL, as it goes on the wire, is refused rather than cut: servers refuse longer
// request lines themselves, and a cut one would ask for some other page.
inline constexpr size_t kHttpMaxUrlBytes = 8192;

struct HttpRequest {
    HttpCommand command = HttpCommand::kGet;
    std::string url;
    std::string proxy;  // empty: straight to the server
    int proxyPort = 0;
    // Where the body goes; empty keeps it in memory, in HttpResponse::body.
    std::filesystem::path bodyFile;
    // The body goes into a new file of its own that is renamed over bodyFile once the response
    // is read, so a link at bodyFile is replaced, never written through.
    bool replaceBodyFile = false;
    size_t maxHeaderBytes = kHttpMaxHeaderBytes;
    uint64_t maxBodyBytes = kHttpMaxBodyBytes;
    // Milliseconds, 0 for none: the request ends with an error when nothing arrives for that
    // long, or when less than HttpClient::kMinBytesPerTimeOut arrive in that long.
    int timeOutMs = 0;
    // Sent as the User-Agent line when set (up to its first line break), so a request can name
    // the program; the built-in sources send none.
    std::string userAgent;
};

// What the caller's busy display needs while a request runs.
struct HttpProgress {
    // After each piece of the body: the bytes so far and the length the header announced (0 when
    // it announced none).
    std::function<void(uint64_t received, uint64_t announced)> onBytes;
    // Runs the message loop while the request waits, every HttpClient::kWakeMs at most.
    std::function<void()> pump;
    // Asked while the request waits and after each piece; true ends the request as cancelled.
    std::function<bool()> cancelled;
};

struct [[nodiscard]] HttpResponse {
    HttpOutcome outcome = HttpOutcome::kTransportError;
    int status = 0;                  // of the last response read, 0 when it had none
    std::string header;              // status line and header lines, verbatim
    std::string body;                // when the request kept the body in memory
    std::filesystem::path bodyFile;  // the file written, when the request named one
    uint64_t receivedBytes = 0;
    uint64_t announcedLength = 0;
    std::string error;  // the client's own text; empty when a whole response came

    bool Ok() const { return outcome == HttpOutcome::kOk; }
};

// The program's HTTP/1.0 client: GET and HEAD over TCP or TLS, one at a time, optionally
// through a proxy (an https URL through a CONNECT tunnel), driven from the user-interface
// thread. Every wait runs the request's message pump, so the window stays responsive and
// Cancel works. Each request is an exchange of its own; only the cookies that redirects set
// outlive it.
class HttpClient {
public:
    using Command = HttpCommand;
    static constexpr Command kGet = Command::kGet;
    static constexpr Command kHead = Command::kHead;

    // A redirect chain longer than this ends the request with an error.
    static constexpr int kMaxRedirects = 10;
    static constexpr size_t kChunkBytes = 65536;
    // With a time-out, a request ends with an error when nothing arrives for that long, or when
    // less than this arrives in that long, so a silent or dripping server cannot hold an
    // unattended caller for ever.
    static constexpr uint64_t kMinBytesPerTimeOut = 1024;
    // While a request waits, the message loop and the cancel question come this often (a screen
    // reader's questions to the window are answered within it); a request without either
    // sleeps until data or its time-out.
    static constexpr int kWakeMs = 10;

    explicit HttpClient(TcpConnector& connector) : connector_(connector) {}

    // One request cycle, redirects included; every failure of the exchange comes back in the
    // response. Only a body file that cannot be written throws (an IoError), as it is no answer
    // of the server's.
    [[nodiscard]] HttpResponse Get(const HttpRequest& request, const HttpProgress& progress);
    // True while a request runs: a request started from its message loop is refused.
    bool Connected() const { return busy_; }
    // The error of a certificate that did not verify, in the program's own encoding.
    static std::string CertificateErrorText(const std::string& host, const std::string& reason);

private:
    TcpConnector& connector_;
    HttpCookieJar cookies_;
    bool busy_ = false;
};

}  // namespace yomida

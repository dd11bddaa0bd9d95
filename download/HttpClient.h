#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "platform/TcpSocket.h"

namespace yomida {

// A failure that ends a request; what() is the client's own (English) error text.
class HttpError : public std::runtime_error {
    using std::runtime_error::runtime_error;
};

class HttpLineReader;

// The requests the client issues; the values are the codes its events have always carried.
enum class HttpCommand : int { kGet = 0, kHead = 2 };

// How a request ended.
enum class HttpOutcome {
    kOk,                // a status below 299
    kHttpStatus,        // an error status, or a redirect that names nowhere to go
    kTransportError,    // no whole response: lookup, connection, time-out, limits, cut transfer
    kCertificateError,  // the server's certificate did not verify
    kCancelled,
};

// Guards against hostile servers, far above what a release list page needs: a longer header or
// body ends the request with an error instead of filling memory or the disk.
inline constexpr size_t kHttpMaxHeaderBytes = 1024 * 1024;
inline constexpr uint64_t kHttpMaxBodyBytes = 256ull * 1024 * 1024;

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
    // Sent as User-Agent when not empty; the built-in sources send none, as they always have.
    std::string userAgent;
};

// What the caller's busy display needs while a request runs.
struct HttpProgress {
    // After each piece of the body: the bytes so far and the length the header announced (0 when
    // it announced none).
    std::function<void(uint64_t received, uint64_t announced)> onBytes;
    // Runs the message loop between waits.
    std::function<void()> pump;
    // Asked between waits and after each piece; true ends the request as cancelled.
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
// Cancel works.
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

    explicit HttpClient(TcpConnector& connector) : connector_(connector) {}

    // One request cycle, redirects included; every failure of the exchange comes back in the
    // response. Only a body file that cannot be written throws (an IoError), as it is no answer
    // of the server's.
    [[nodiscard]] HttpResponse Get(const HttpRequest& request, const HttpProgress& progress);
    bool Connected() const { return connected_; }
    // The error of a certificate that did not verify, in the program's own encoding.
    static std::string CertificateErrorText(const std::string& host, const std::string& reason);

private:
    // What the header says about where the cycle goes next.
    struct ResponseHead {
        int status = 0;
        std::string location;
        std::string cookie;
    };

    // Throws HttpError.
    void Request(Command command, std::string url);
    // One cycle; returns the next URL when the response redirects.
    std::optional<std::string> Cycle(Command command, std::string& url);
    std::string ParseUrl(std::string& url);
    // The request text the client sends for a URL (after the URL rules).
    std::string RequestText(Command command, const std::string& target) const;
    std::unique_ptr<TcpConnection> Connect();
    // Asks the proxy for a tunnel to the host; throws unless it answers 200.
    void OpenTunnel(TcpConnection& connection);
    void StartTls(TcpConnection& connection);
    ResponseHead ReadHeader(HttpLineReader& reader);
    void ReadBody(Command command, TcpConnection& connection, HttpLineReader& reader);
    // Hands each chunk of the body to `sink` until the server closes the connection.
    void ReceiveBody(TcpConnection& connection, HttpLineReader& reader, const char* aborted,
                     const std::function<void(std::string_view)>& sink);
    // Settles how the request ended, or gives the redirect's URL.
    std::optional<std::string> Conclude(ResponseHead& head);
    bool Idle();
    // Takes the caller's cancel, asked between waits and after each piece.
    void AskCancel();
    void StartTimeOut();
    void Received(size_t bytes);
    // True once the time-out has run out; timeOutText_ then says how.
    bool TimeOutPassed();

    TcpConnector& connector_;
    // The request in hand, and the caller's progress while it runs.
    std::string proxy_;
    int proxyPort_ = 0;
    std::filesystem::path bodyFile_;  // empty: the body stays in body_
    bool replaceBodyFile_ = false;
    size_t maxHeaderBytes_ = kHttpMaxHeaderBytes;
    uint64_t maxBodyBytes_ = kHttpMaxBodyBytes;
    int timeOutMs_ = 0;
    std::string userAgent_;
    const HttpProgress* progress_ = nullptr;
    // The URL in hand and what came back for it.
    std::string host_;
    int port_ = 0;
    std::string header_;
    std::string body_;
    uint64_t receivedBytes_ = 0;
    uint64_t announcedLength_ = 0;
    int status_ = 0;
    std::string error_;
    std::optional<HttpOutcome> concluded_;

    std::string cookie_;
    bool cancel_ = false;
    bool cancelRequested_ = false;  // since the request began; cancel_ is spent on the way
    bool certificateFailed_ = false;
    bool secure_ = false;  // the scheme of the URL in hand is https
    bool connected_ = false;
    bool timedOut_ = false;
    std::string timeOutText_;
    std::chrono::steady_clock::time_point lastByte_;
    std::chrono::steady_clock::time_point windowStart_;
    uint64_t windowBytes_ = 0;
};

}  // namespace yomida

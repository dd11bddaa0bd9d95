#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "download/HttpClient.h"
#include "download/HttpCookieJar.h"
#include "download/HttpWaiter.h"
#include "platform/TcpSocket.h"
#include "platform/Url.h"

namespace yomida {

class HttpLineReader;

// One request of the client from its URL to its response, redirects included. Everything it
// learns on the way (the URL in hand, the header, the body, the counts, the time-out) is its
// own and ends with it; only the cookies that redirects set go into the client's jar.
class HttpExchange {
public:
    HttpExchange(TcpConnector& connector, HttpCookieJar& cookies, const HttpRequest& request,
                 const HttpProgress& progress)
        : connector_(connector),
          cookies_(cookies),
          request_(request),
          progress_(progress),
          waiter_(progress, request.timeOutMs) {}

    [[nodiscard]] HttpResponse Run();

private:
    // What the header says about the body and where the chain goes next.
    struct ResponseHead {
        int status = 0;
        std::string location;
        std::string cookie;
        std::optional<uint64_t> length;  // the Content-Length, when it was a number
    };

    // The request's own URL; throws HttpError when it is none the client can ask for.
    Url FirstUrl() const;
    // One connection: request, header and body; gives the redirect's URL when there is one.
    std::optional<Url> Cycle(const Url& url);
    std::string RequestText(const Url& url, bool secure) const;
    std::unique_ptr<TcpConnection> Connect(const Url& url, int port);
    // Asks the proxy for a tunnel to the host; throws unless it answers 200.
    void OpenTunnel(TcpConnection& connection, const Url& url, int port);
    void StartTls(TcpConnection& connection, const Url& url);
    ResponseHead ReadHeader(HttpLineReader& reader);
    void ReadBody(TcpConnection& connection, HttpLineReader& reader, const ResponseHead& head);
    // Hands each chunk of the body to `sink` until it has its announced length, or else until
    // the server closes the connection.
    void ReceiveBody(TcpConnection& connection, HttpLineReader& reader, const ResponseHead& head,
                     const char* aborted, const std::function<void(std::string_view)>& sink);
    // Settles how the request ended, or gives the redirect's URL.
    std::optional<Url> Conclude(const Url& url, const ResponseHead& head);

    TcpConnector& connector_;
    HttpCookieJar& cookies_;
    const HttpRequest& request_;
    const HttpProgress& progress_;
    HttpWaiter waiter_;
    HttpResponse response_;
    std::optional<HttpOutcome> concluded_;
    bool certificateFailed_ = false;
};

}  // namespace yomida

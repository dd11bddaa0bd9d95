#include "download/HttpExchange.h"

#include <algorithm>
#include <utility>

#include "platform/TemporaryFile.h"
#include "platform/TextFile.h"
#include "text/Numbers.h"
#include "text/Sjis.h"

namespace yomida {
namespace {

// The value of a "Name: value" header line when its name is `name` (any case).
std::optional<std::string> HeaderValue(std::string_view line, std::string_view name) {
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos ||
        AsciiLower(TrimControls(line.substr(0, colon))) != name) {
        return std::nullopt;
    }
    return std::string(TrimControls(line.substr(colon + 1)));
}

// A value that goes into the next request ends at its first CR or LF, so a server cannot add
// lines of its own to that request.
std::string FirstLineOf(std::string value) {
    value.resize(std::min(value.find_first_of("\r\n"), value.size()));
    return value;
}

// A Content-Length that is a plain decimal number; anything else counts as none, and the body
// then runs until the server closes the connection.
std::optional<uint64_t> ContentLength(std::string_view value) {
    if (value.empty() || value.size() > 18 ||
        !std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    uint64_t length = 0;
    for (char c : value) {
        length = length * 10 + static_cast<uint64_t>(c - '0');
    }
    return length;
}

int DefaultPort(bool secure) {
    return secure ? 443 : 80;
}

// "host:port", an IPv6 address in brackets: what CONNECT names.
std::string HostAndPort(const Url& url, int port) {
    const std::string& host = url.Host();
    return (host.find(':') != std::string::npos ? "[" + host + "]" : host) + ":" +
           std::to_string(port);
}

// The proxy setting as the connector takes it (an IPv6 address without brackets); throws when
// it names no host, so nothing of it reaches the wire.
std::string ProxyHost(const std::string& proxy) {
    std::string host = proxy;
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
        host = host.substr(1, host.size() - 2);
    }
    if (!Url::IsHostName(host) && !Url::IsHostAndPort("[" + host + "]")) {
        throw HttpError("Invalid proxy host: " + Url::Encode(proxy));
    }
    return host;
}

}  // namespace

// Reads the response line by line; a line ends after its LF.
class HttpLineReader {
public:
    HttpLineReader(TcpConnection& connection, HttpWaiter& waiter)
        : connection_(connection), waiter_(waiter) {}

    // The next line with its terminator, empty at the end of the stream; throws when cancelled
    // or when the line is longer than `limit`.
    std::string ReadLine(size_t limit) {
        for (;;) {
            const size_t lf = buffer_.find('\n', scanned_);
            if (lf != std::string::npos) {
                // A whole line counts as much as a part of one, however the server cut it up.
                if (lf + 1 > limit) {
                    throw HttpError("Header too large");
                }
                std::string line = buffer_.substr(0, lf + 1);
                buffer_.erase(0, lf + 1);
                scanned_ = 0;
                return line;
            }
            scanned_ = buffer_.size();
            if (buffer_.size() > limit) {
                throw HttpError("Header too large");
            }
            if (ended_) {
                std::string rest;
                rest.swap(buffer_);
                scanned_ = 0;
                return rest;
            }
            char chunk[4096];
            const std::optional<size_t> n = connection_.Read(chunk, sizeof chunk, waiter_);
            if (!n) {
                throw HttpError("Socket readln aborted");
            }
            if (*n == 0) {
                if (connection_.Broken()) {
                    throw HttpError(connection_.BrokenText());
                }
                ended_ = true;
            }
            waiter_.Received(*n);
            waiter_.PumpIfDue();
            buffer_.append(chunk, *n);
        }
    }

    // What was read past the header: the start of the body.
    std::string TakeBuffered() {
        std::string rest;
        rest.swap(buffer_);
        return rest;
    }
    bool Ended() const { return ended_; }

private:
    TcpConnection& connection_;
    HttpWaiter& waiter_;
    std::string buffer_;
    size_t scanned_ = 0;
    bool ended_ = false;
};

HttpResponse HttpExchange::Run() {
    try {
        std::optional<Url> url = FirstUrl();
        for (int redirects = 0;; ++redirects) {
            std::optional<Url> next = Cycle(*url);
            if (!next) {
                break;
            }
            // A redirect chain always ends: a loop between servers is cut off.
            if (redirects == HttpClient::kMaxRedirects) {
                throw HttpError("Too many redirects");
            }
            url = std::move(next);
        }
        response_.outcome = concluded_.value_or(HttpOutcome::kHttpStatus);
    } catch (const HttpError& e) {
        response_.outcome = waiter_.CancelRequested() ? HttpOutcome::kCancelled
                            : certificateFailed_      ? HttpOutcome::kCertificateError
                                                      : HttpOutcome::kTransportError;
        // Whatever wait the time-out broke off, the time-out is the cause.
        response_.error = waiter_.TimedOut() ? waiter_.TimeOutText() : std::string(e.what());
    }
    return std::move(response_);
}

Url HttpExchange::FirstUrl() const {
    std::string text = request_.url;
    if (text.empty()) {
        throw HttpError("Empty URL");
    }
    // Without a scheme the URL starts with its host, and is asked for over http.
    const size_t scheme = text.find("://");
    if (scheme == std::string::npos || text.find('/') < scheme) {
        if (text.starts_with("//")) {
            text.insert(0, "http:");
        } else if (text.front() != '/') {
            text.insert(0, "http://");
        }
    }
    std::optional<Url> url = Url::Parse(text);
    if (!url) {
        throw HttpError("Invalid URL");
    }
    return std::move(*url);
}

std::string HttpExchange::RequestText(const Url& url, bool secure) const {
    // Inside a tunnel the server itself reads the request: it takes the path; a proxy needs
    // the whole URL.
    const bool viaProxy = !request_.proxy.empty() && !secure;
    std::string text = request_.command == HttpCommand::kHead ? "HEAD " : "GET ";
    text += viaProxy ? "http://" + url.Authority(DefaultPort(false)) + url.Target() : url.Target();
    text += " HTTP/1.0\r\n";
    if (viaProxy) {
        text += "Proxy-Connection: Keep-Alive\r\n";
    }
    text += "Host: " + url.Authority(DefaultPort(secure)) + "\r\n";
    if (!request_.userAgent.empty()) {
        text += "User-Agent: " + FirstLineOf(request_.userAgent) + "\r\n";
    }
    text += "Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff\r\n";
    text += "Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript\r\n";
    if (const std::optional<std::string> cookie = cookies_.For(url.Host(), secure)) {
        text += "Cookie: " + *cookie + "\r\n";
    }
    text += "Content-type: application/x-www-form-urlencoded\r\n\r\n";
    return text;
}

std::optional<Url> HttpExchange::Cycle(const Url& url) {
    if (url.Text().size() > kHttpMaxUrlBytes) {
        throw HttpError("URL too long: " + std::to_string(url.Text().size()) + " bytes, at most " +
                        std::to_string(kHttpMaxUrlBytes));
    }
    const bool secure = url.Scheme() == "https";
    const int port = url.Port().value_or(DefaultPort(secure));
    waiter_.StartTimeOut();
    std::unique_ptr<TcpConnection> connection = Connect(url, port);
    if (secure) {
        if (!request_.proxy.empty()) {
            OpenTunnel(*connection, url, port);
        }
        StartTls(*connection, url);
    }
    if (!connection->SendAll(RequestText(url, secure), waiter_)) {
        throw HttpError(waiter_.CancelRequested() ? "Connection Canceled" : "Connection Failed");
    }
    HttpLineReader reader(*connection, waiter_);
    const ResponseHead head = ReadHeader(reader);
    ReadBody(*connection, reader, head);
    return Conclude(url, head);
}

std::unique_ptr<TcpConnection> HttpExchange::Connect(const Url& url, int port) {
    const bool viaProxy = !request_.proxy.empty();
    const std::string host = viaProxy ? ProxyHost(request_.proxy) : url.Host();
    TcpConnector::Attempt attempt =
        connector_.Connect(host, viaProxy ? request_.proxyPort : port, waiter_);
    switch (attempt.outcome) {
        case TcpConnector::Outcome::Connected:
            return std::move(attempt.connection);
        case TcpConnector::Outcome::HostNotFound:
            throw HttpError("Null Remote Address\nThe host name " + host +
                            " could not be resolved" +
                            (attempt.detail.empty() ? "" : " (" + attempt.detail + ")"));
        case TcpConnector::Outcome::LookupCancelled:
            throw HttpError("Host Lookup Canceled");
        case TcpConnector::Outcome::ConnectCancelled:
            throw HttpError("Connection Canceled");
        case TcpConnector::Outcome::Failed:
            break;
    }
    throw HttpError("Connection Failed");
}

void HttpExchange::OpenTunnel(TcpConnection& connection, const Url& url, int port) {
    const std::string authority = HostAndPort(url, port);
    if (!connection.SendAll("CONNECT " + authority + " HTTP/1.0\r\nHost: " + authority + "\r\n\r\n",
                            waiter_)) {
        throw HttpError(waiter_.CancelRequested() ? "Connection Canceled" : "Connection Failed");
    }
    HttpLineReader reader(connection, waiter_);
    const ResponseHead head = ReadHeader(reader);
    const std::string statusLine = FirstLineOf(response_.header);
    response_.header.clear();
    response_.status = 0;
    // A proxy that talks on after its header, or says no, has not opened a tunnel.
    if (head.status != 200 || !reader.TakeBuffered().empty() || reader.Ended()) {
        throw HttpError("Proxy refused the tunnel: " + statusLine);
    }
}

void HttpExchange::StartTls(TcpConnection& connection, const Url& url) {
    const TcpConnection::TlsOutcome tls = connection.StartTls(url.Host(), waiter_);
    switch (tls.kind) {
        case TcpConnection::TlsOutcome::Ready:
            return;
        case TcpConnection::TlsOutcome::Cancelled:
            throw HttpError("Connection Canceled");
        case TcpConnection::TlsOutcome::Unverified:
            certificateFailed_ = true;
            throw HttpError(HttpClient::CertificateErrorText(url.Host(), tls.detail));
        case TcpConnection::TlsOutcome::Failed:
            break;
    }
    throw HttpError("TLS handshake failed: " + tls.detail);
}

HttpExchange::ResponseHead HttpExchange::ReadHeader(HttpLineReader& reader) {
    // Status line and header lines, up to the empty line.
    response_.header.clear();
    response_.announcedLength = 0;
    response_.status = 0;
    const size_t limit = request_.maxHeaderBytes;
    ResponseHead head;
    const std::string statusLine = reader.ReadLine(limit);
    response_.header = statusLine;
    // The status is the first word after the version, however many blanks come between.
    const size_t blank = statusLine.find(' ');
    const size_t code = statusLine.find_first_not_of(' ', blank);
    if (blank != std::string::npos && code != std::string::npos) {
        const size_t end = statusLine.find_first_of(" \r\n", code);
        head.status =
            TryStrToInt(
                statusLine.substr(code, end == std::string::npos ? std::string::npos : end - code))
                .value_or(0);
    }
    while (!statusLine.empty()) {
        const std::string line = reader.ReadLine(limit - std::min(response_.header.size(), limit));
        response_.header += line;
        if (line.empty() || TrimControls(line).empty()) {
            break;
        }
        if (auto v = HeaderValue(line, "content-length")) {
            head.length = ContentLength(*v);
        } else if (auto v = HeaderValue(line, "location")) {
            head.location = FirstLineOf(*v);
        } else if (auto v = HeaderValue(line, "set-cookie")) {
            head.cookie = *v;
        }
    }
    response_.announcedLength = head.length.value_or(0);
    response_.status = head.status;
    return head;
}

void HttpExchange::ReadBody(TcpConnection& connection, HttpLineReader& reader,
                            const ResponseHead& head) {
    // To the file or to text; a HEAD response has no body, whatever its header says.
    const bool headOnly = request_.command == HttpCommand::kHead;
    response_.receivedBytes = 0;
    response_.body.clear();
    if (request_.bodyFile.empty()) {
        if (!headOnly) {
            ReceiveBody(connection, reader, head, "Socket capture aborted",
                        [this](std::string_view chunk) { response_.body += chunk; });
        }
        return;
    }
    response_.bodyFile = request_.bodyFile;
    const auto toFile = [&](TextFileWriter& file) {
        if (!headOnly) {
            ReceiveBody(connection, reader, head, "Socket send aborted",
                        [&file](std::string_view chunk) { file.Write(chunk); });
        }
        file.Close();
    };
    if (request_.replaceBodyFile) {
        TemporaryFile fresh(request_.bodyFile);
        TextFileWriter file = fresh.Writer();
        toFile(file);
        fresh.MoveOver(request_.bodyFile);
    } else {
        TextFileWriter file(request_.bodyFile);
        toFile(file);
    }
}

void HttpExchange::ReceiveBody(TcpConnection& connection, HttpLineReader& reader,
                               const ResponseHead& head, const char* aborted,
                               const std::function<void(std::string_view)>& sink) {
    uint64_t& received = response_.receivedBytes;
    // A body announced as larger than the limit is refused before any of it is stored.
    if (head.length && *head.length > request_.maxBodyBytes) {
        throw HttpError("Body too large");
    }
    std::string chunk = reader.TakeBuffered();
    bool ended = reader.Ended() && chunk.empty();
    std::string buffer(HttpClient::kChunkBytes, '\0');
    // With a Content-Length the body is whole once that many bytes have come: the server (or a
    // proxy keeping the connection) need not close it, and what comes after is not the page.
    while (!ended && (!head.length || received < *head.length)) {
        if (chunk.empty()) {
            const std::optional<size_t> n = connection.Read(buffer.data(), buffer.size(), waiter_);
            if (!n) {
                throw HttpError(aborted);
            }
            if (*n == 0) {
                // Without a length, a stream that did not end cleanly may have been cut anywhere.
                if (connection.Broken()) {
                    throw HttpError(connection.BrokenText());
                }
                break;
            }
            waiter_.Received(*n);
            chunk.assign(buffer.data(), *n);
        }
        if (head.length) {
            chunk.resize(
                static_cast<size_t>(std::min<uint64_t>(chunk.size(), *head.length - received)));
        }
        received += chunk.size();
        if (received > request_.maxBodyBytes) {
            throw HttpError("Body too large");
        }
        sink(chunk);
        chunk.clear();
        if (progress_.onBytes) {
            progress_.onBytes(received, head.length.value_or(0));
        }
        waiter_.PumpIfDue();
        if (waiter_.AskCancel()) {
            throw HttpError(aborted);
        }
    }
    // A body that ends before its announced length is a cut transfer, not a whole page.
    if (head.length && received < *head.length) {
        throw HttpError("Connection closed before the end of the body");
    }
}

std::optional<Url> HttpExchange::Conclude(const Url& url, const ResponseHead& head) {
    if (head.status < 299) {
        concluded_ = HttpOutcome::kOk;
        return std::nullopt;
    }
    if (head.status > 399) {
        concluded_ = HttpOutcome::kHttpStatus;
        return std::nullopt;
    }
    if (head.location.empty()) {
        return std::nullopt;  // nowhere to go: no page, and no error status either
    }
    const bool secure = url.Scheme() == "https";
    if (!head.cookie.empty()) {
        cookies_.Set(url.Host(), head.cookie);
    }
    std::optional<Url> next = url.Resolve(head.location);
    if (!next) {
        throw HttpError("Invalid URL\nThe redirect leads to no URL: " +
                        Url::Encode(head.location.substr(0, 200)));
    }
    // What came over TLS does not go on in the clear; the source's URL can name the http page.
    if (secure && next->Scheme() != "https") {
        throw HttpError("Redirect from https to http refused: " + next->Text());
    }
    return next;
}

}  // namespace yomida

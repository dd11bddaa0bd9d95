#include "download/HttpClient.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "platform/ScopeExit.h"
#include "platform/TemporaryFile.h"
#include "platform/TextFile.h"
#include "text/Messages.h"
#include "text/Numbers.h"
#include "text/Sjis.h"

namespace yomida {
namespace {

constexpr size_t kMaxTarget = 256;

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

int DefaultPort(bool secure) {
    return secure ? 443 : 80;
}

// "host" for the scheme's own port, "host:port" otherwise.
std::string Authority(const std::string& host, int port, bool secure) {
    return port == DefaultPort(secure) ? host : host + ":" + std::to_string(port);
}

std::string SchemeOf(bool secure) {
    return secure ? "https://" : "http://";
}

std::string DurationText(int ms) {
    if (ms % 1000 != 0) {
        return std::to_string(ms) + " milliseconds";
    }
    return std::to_string(ms / 1000) + (ms == 1000 ? " second" : " seconds");
}

}  // namespace

// Reads the response line by line; a line ends after its LF.
class HttpLineReader {
public:
    HttpLineReader(TcpConnection& connection, std::function<bool()> idle,
                   std::function<void(size_t)> received)
        : connection_(connection), idle_(std::move(idle)), received_(std::move(received)) {}

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
            const std::optional<size_t> n = connection_.Read(chunk, sizeof chunk, idle_);
            if (!n) {
                throw HttpError("Socket readln aborted");
            }
            if (*n == 0) {
                if (connection_.Broken()) {
                    throw HttpError(connection_.BrokenText());
                }
                ended_ = true;
            }
            received_(*n);
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
    std::function<bool()> idle_;
    std::function<void(size_t)> received_;
    std::string buffer_;
    size_t scanned_ = 0;
    bool ended_ = false;
};

void HttpClient::AskCancel() {
    if (progress_ != nullptr && progress_->cancelled && progress_->cancelled()) {
        cancel_ = true;
        cancelRequested_ = true;
    }
}

bool HttpClient::Idle() {
    if (progress_ != nullptr && progress_->pump) {
        progress_->pump();
    }
    AskCancel();
    if (TimeOutPassed()) {
        timedOut_ = true;
        return false;
    }
    return !cancel_;
}

void HttpClient::StartTimeOut() {
    timedOut_ = false;
    lastByte_ = windowStart_ = std::chrono::steady_clock::now();
    windowBytes_ = 0;
}

void HttpClient::Received(size_t bytes) {
    if (bytes > 0) {
        lastByte_ = std::chrono::steady_clock::now();
        windowBytes_ += bytes;
    }
}

bool HttpClient::TimeOutPassed() {
    if (timeOutMs_ <= 0) {
        return false;
    }
    const auto now = std::chrono::steady_clock::now();
    const std::chrono::milliseconds limit(timeOutMs_);
    if (now - lastByte_ >= limit) {
        timeOutText_ = "Timed out: nothing received for " + DurationText(timeOutMs_);
        return true;
    }
    if (now - windowStart_ >= limit) {
        if (windowBytes_ < kMinBytesPerTimeOut) {
            timeOutText_ = "Timed out: under " + std::to_string(kMinBytesPerTimeOut) +
                           " bytes received in " + DurationText(timeOutMs_);
            return true;
        }
        windowStart_ = now;
        windowBytes_ = 0;
    }
    return false;
}

std::string HttpClient::ParseUrl(std::string& url) {
    if (url.empty()) {
        throw HttpError("Empty URL");
    }
    size_t rest = 0;
    const size_t scheme = url.find("://");
    if (scheme != std::string::npos && url.find('/') > scheme) {
        secure_ = AsciiLower(url.substr(0, scheme)) == "https";
        rest = scheme + 3;
    } else if (url.rfind("//", 0) == 0) {
        rest = 2;  // the previous scheme
    } else if (url.front() != '/') {
        secure_ = false;
    }
    if (url.front() != '/' || rest == 2) {
        const size_t slash = url.find('/', rest);
        std::string hostPort =
            url.substr(rest, slash == std::string::npos ? std::string::npos : slash - rest);
        port_ = DefaultPort(secure_);
        const size_t colon = hostPort.find(':');
        if (colon != std::string::npos) {
            const std::string digits = hostPort.substr(colon + 1);
            if (!digits.empty()) {
                // A port out of range would wrap around to some other port.
                const std::optional<int> port = TryStrToInt(digits);
                if (!port || *port < 1 || *port > 65535 || !AllDigits(digits)) {
                    throw HttpError("Invalid URL");
                }
                port_ = *port;
            }
            hostPort.resize(colon);
        }
        host_ = hostPort;
        if (slash == std::string::npos) {
            url += '/';
            return "/";
        }
        return url.substr(slash, kMaxTarget);
    }
    return url.substr(0, kMaxTarget);  // a path keeps the previous host
}

std::string HttpClient::RequestText(Command command, const std::string& target) const {
    std::string text = command == kHead ? "HEAD " : "GET ";
    text += target + " HTTP/1.0\r\n";
    if (!proxy_.empty() && !secure_) {
        text += "Proxy-Connection: Keep-Alive\r\n";
    }
    text += "Host: " + Authority(host_, port_, secure_) + "\r\n";
    if (!userAgent_.empty()) {
        text += "User-Agent: " + userAgent_ + "\r\n";
    }
    text += "Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff\r\n";
    text += "Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript\r\n";
    if (!cookie_.empty()) {
        text += "Cookie: " + cookie_ + "\r\n";
    }
    text += "Content-type: application/x-www-form-urlencoded\r\n\r\n";
    return text;
}

HttpResponse HttpClient::Get(const HttpRequest& request, const HttpProgress& progress) {
    proxy_ = request.proxy;
    proxyPort_ = request.proxyPort;
    bodyFile_ = request.bodyFile;
    replaceBodyFile_ = request.replaceBodyFile;
    maxHeaderBytes_ = request.maxHeaderBytes;
    maxBodyBytes_ = request.maxBodyBytes;
    timeOutMs_ = request.timeOutMs;
    userAgent_ = request.userAgent;
    // Nothing of an earlier request passes for this one's answer.
    header_.clear();
    body_.clear();
    status_ = 0;
    receivedBytes_ = 0;
    announcedLength_ = 0;
    concluded_.reset();
    progress_ = &progress;
    const ScopeExit forget([this] { progress_ = nullptr; });

    HttpResponse response;
    try {
        Request(request.command, request.url);
        response.outcome = concluded_.value_or(HttpOutcome::kHttpStatus);
    } catch (const HttpError& e) {
        response.outcome = cancelRequested_     ? HttpOutcome::kCancelled
                           : certificateFailed_ ? HttpOutcome::kCertificateError
                                                : HttpOutcome::kTransportError;
        response.error = error_.empty() ? std::string(e.what()) : error_;
    }
    response.status = status_;
    response.header = header_;
    response.body = std::move(body_);
    body_.clear();
    response.bodyFile = bodyFile_;
    response.receivedBytes = receivedBytes_;
    response.announcedLength = announcedLength_;
    return response;
}

void HttpClient::Request(Command command, std::string url) {
    error_.clear();
    cancelRequested_ = false;
    certificateFailed_ = false;
    try {
        if (connected_) {
            throw HttpError("Already connected");
        }
        for (int redirects = 0;; ++redirects) {
            std::optional<std::string> next = Cycle(command, url);
            if (!next) {
                return;
            }
            // A redirect chain always ends: a loop between servers is cut off.
            if (redirects == kMaxRedirects) {
                throw HttpError("Too many redirects");
            }
            url = *next;
        }
    } catch (const std::exception& e) {
        // Whatever wait the time-out broke off, the time-out is the cause.
        if (timedOut_) {
            timedOut_ = false;
            error_ = timeOutText_;
            throw HttpError(error_);
        }
        error_ = e.what();
        throw;
    }
}

std::optional<std::string> HttpClient::Cycle(Command command, std::string& url) {
    const std::string path = ParseUrl(url);
    // A proxy needs the whole URL, also when the URL was a path on the previous host.
    const bool absolute = url.find("://") != std::string::npos && url.find('/') > url.find("://");
    // Inside a tunnel the server itself reads the request: it takes the path.
    std::string target = path;
    if (!proxy_.empty() && !secure_) {
        target = absolute ? url : "http://" + Authority(host_, port_, false) + path;
    }
    cancel_ = false;
    connected_ = true;
    const ScopeExit disconnect([this] { connected_ = false; });

    StartTimeOut();
    std::unique_ptr<TcpConnection> connection = Connect();
    const std::function<bool()> idle = [this] { return Idle(); };
    if (secure_) {
        if (!proxy_.empty()) {
            OpenTunnel(*connection);
        }
        StartTls(*connection);
    }
    if (!connection->SendAll(RequestText(command, target), idle)) {
        throw HttpError(cancel_ ? "Connection Canceled" : "Connection Failed");
    }
    HttpLineReader reader(*connection, idle, [this](size_t n) { Received(n); });
    ResponseHead head = ReadHeader(reader);
    ReadBody(command, *connection, reader);
    return Conclude(head);
}

std::unique_ptr<TcpConnection> HttpClient::Connect() {
    std::unique_ptr<TcpConnection> connection;
    switch (connector_.Connect(
        proxy_.empty() ? host_ : proxy_, proxy_.empty() ? port_ : proxyPort_,
        [this] { return Idle(); }, connection)) {
        case TcpConnector::Outcome::Connected:
            return connection;
        case TcpConnector::Outcome::HostNotFound:
            throw HttpError("Null Remote Address");
        case TcpConnector::Outcome::LookupCancelled:
            cancel_ = false;
            throw HttpError("Host Lookup Canceled");
        case TcpConnector::Outcome::ConnectCancelled:
            cancel_ = false;
            throw HttpError("Connection Canceled");
        case TcpConnector::Outcome::Failed:
            break;
    }
    throw HttpError("Connection Failed");
}

void HttpClient::OpenTunnel(TcpConnection& connection) {
    const std::string authority = host_ + ":" + std::to_string(port_);
    if (!connection.SendAll("CONNECT " + authority + " HTTP/1.0\r\nHost: " + authority + "\r\n\r\n",
                            [this] { return Idle(); })) {
        throw HttpError(cancel_ ? "Connection Canceled" : "Connection Failed");
    }
    HttpLineReader reader(
        connection, [this] { return Idle(); }, [this](size_t n) { Received(n); });
    const ResponseHead head = ReadHeader(reader);
    const std::string statusLine = FirstLineOf(header_);
    header_.clear();
    status_ = 0;
    // A proxy that talks on after its header, or says no, has not opened a tunnel.
    if (head.status != 200 || !reader.TakeBuffered().empty() || reader.Ended()) {
        throw HttpError("Proxy refused the tunnel: " + statusLine);
    }
}

void HttpClient::StartTls(TcpConnection& connection) {
    const TcpConnection::TlsOutcome tls = connection.StartTls(host_, [this] { return Idle(); });
    switch (tls.kind) {
        case TcpConnection::TlsOutcome::Ready:
            return;
        case TcpConnection::TlsOutcome::Cancelled:
            cancel_ = false;
            throw HttpError("Connection Canceled");
        case TcpConnection::TlsOutcome::Unverified:
            certificateFailed_ = true;
            throw HttpError(CertificateErrorText(host_, tls.detail));
        case TcpConnection::TlsOutcome::Failed:
            break;
    }
    throw HttpError("TLS handshake failed: " + tls.detail);
}

std::string HttpClient::CertificateErrorText(const std::string& host, const std::string& reason) {
    return MsgText(Msg::CertificateUnverifiedFor) + host + " (" + reason + ")";
}

HttpClient::ResponseHead HttpClient::ReadHeader(HttpLineReader& reader) {
    // Status line and header lines, up to the empty line.
    header_.clear();
    announcedLength_ = 0;
    status_ = 0;
    ResponseHead head;
    try {
        const std::string statusLine = reader.ReadLine(maxHeaderBytes_);
        header_ = statusLine;
        // The status is the first word after the version, however many blanks come between.
        const size_t blank = statusLine.find(' ');
        const size_t code = statusLine.find_first_not_of(' ', blank);
        if (blank != std::string::npos && code != std::string::npos) {
            const size_t end = statusLine.find_first_of(" \r\n", code);
            head.status =
                TryStrToInt(statusLine.substr(
                                code, end == std::string::npos ? std::string::npos : end - code))
                    .value_or(0);
        }
        while (!statusLine.empty()) {
            const std::string line =
                reader.ReadLine(maxHeaderBytes_ - std::min(header_.size(), maxHeaderBytes_));
            header_ += line;
            if (line.empty() || TrimControls(line).empty()) {
                break;
            }
            if (auto v = HeaderValue(line, "content-length")) {
                announcedLength_ = static_cast<uint64_t>(std::max(0, TryStrToInt(*v).value_or(0)));
            } else if (auto v = HeaderValue(line, "location")) {
                head.location = FirstLineOf(*v);
            } else if (auto v = HeaderValue(line, "set-cookie")) {
                head.cookie = FirstLineOf(v->substr(0, v->find(';')));
            }
        }
    } catch (const HttpError&) {
        cancel_ = false;
        throw;
    }
    status_ = head.status;
    return head;
}

void HttpClient::ReadBody(Command command, TcpConnection& connection, HttpLineReader& reader) {
    // To the file or to text, until the server closes the connection.
    receivedBytes_ = 0;
    if (bodyFile_.empty()) {
        body_.clear();
        if (command != kHead) {
            ReceiveBody(connection, reader, "Socket capture aborted",
                        [this](std::string_view chunk) { body_ += chunk; });
        }
        return;
    }
    const auto toFile = [&](TextFileWriter& file) {
        if (command != kHead) {
            ReceiveBody(connection, reader, "Socket send aborted",
                        [&file](std::string_view chunk) { file.Write(chunk); });
        }
        file.Close();
    };
    if (replaceBodyFile_) {
        TemporaryFile fresh(bodyFile_);
        TextFileWriter file = fresh.Writer();
        toFile(file);
        fresh.MoveOver(bodyFile_);
    } else {
        TextFileWriter file(bodyFile_);
        toFile(file);
    }
}

void HttpClient::ReceiveBody(TcpConnection& connection, HttpLineReader& reader, const char* aborted,
                             const std::function<void(std::string_view)>& sink) {
    const std::function<bool()> idle = [this] { return Idle(); };
    std::string chunk = reader.TakeBuffered();
    bool ended = reader.Ended() && chunk.empty();
    std::string buffer(kChunkBytes, '\0');
    while (!ended) {
        if (chunk.empty()) {
            const std::optional<size_t> n = connection.Read(buffer.data(), kChunkBytes, idle);
            if (!n) {
                cancel_ = false;
                throw HttpError(aborted);
            }
            if (*n == 0) {
                // Many servers end TLS without close_notify; only a body of its announced
                // length is then known to be whole.
                if (connection.Broken() &&
                    !(connection.EndedWithoutCloseNotify() && announcedLength_ > 0 &&
                      receivedBytes_ == announcedLength_)) {
                    throw HttpError(connection.BrokenText());
                }
                break;
            }
            Received(*n);
            chunk.assign(buffer.data(), *n);
        }
        receivedBytes_ += chunk.size();
        if (receivedBytes_ > maxBodyBytes_) {
            throw HttpError("Body too large");
        }
        sink(chunk);
        chunk.clear();
        if (progress_ != nullptr && progress_->onBytes) {
            progress_->onBytes(receivedBytes_, announcedLength_);
        }
        AskCancel();
        if (cancel_) {
            cancel_ = false;
            throw HttpError(aborted);
        }
    }
    // A body that ends before its announced length is a cut transfer, not a whole page.
    if (receivedBytes_ < announcedLength_) {
        throw HttpError("Connection closed before the end of the body");
    }
}

std::optional<std::string> HttpClient::Conclude(ResponseHead& head) {
    if (head.status < 299) {
        concluded_ = HttpOutcome::kOk;
        return std::nullopt;
    }
    if (head.status <= 399) {
        if (head.location.empty()) {
            return std::nullopt;  // nowhere to go: no page, and no error status either
        }
        if (!head.cookie.empty()) {
            cookie_ = head.cookie;
        }
        if (head.location.find('/') == std::string::npos) {
            head.location =
                SchemeOf(secure_) + Authority(host_, port_, secure_) + "/" + head.location;
        }
        return head.location;
    }
    concluded_ = HttpOutcome::kHttpStatus;
    return std::nullopt;
}

}  // namespace yomida

#include "platform/TcpSocket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <ctime>
#include <future>
#include <thread>

namespace yomida {
namespace {

// OpenSSL writes to the socket with write(), which raises SIGPIPE when the server has gone;
// while it works the signal is held back on this thread and a raised one is taken away, so a
// closed connection is an error and never ends the program.
class SigPipeHeld {
public:
    SigPipeHeld() {
        sigemptyset(&pipe_);
        sigaddset(&pipe_, SIGPIPE);
        sigset_t pending;
        sigpending(&pending);
        pendingBefore_ = sigismember(&pending, SIGPIPE) == 1;
        pthread_sigmask(SIG_BLOCK, &pipe_, &old_);
    }
    ~SigPipeHeld() {
        sigset_t pending;
        sigpending(&pending);
        if (!pendingBefore_ && sigismember(&pending, SIGPIPE) == 1) {
            const timespec none{0, 0};
            sigtimedwait(&pipe_, nullptr, &none);
        }
        pthread_sigmask(SIG_SETMASK, &old_, nullptr);
    }
    SigPipeHeld(const SigPipeHeld&) = delete;
    SigPipeHeld& operator=(const SigPipeHeld&) = delete;

private:
    sigset_t pipe_;
    sigset_t old_;
    bool pendingBefore_ = false;
};

std::string OpenSslErrorText() {
    const unsigned long code = ERR_get_error();
    ERR_clear_error();
    if (code == 0) {
        return "TLS handshake failed";
    }
    char text[256];
    ERR_error_string_n(code, text, sizeof text);
    return text;
}

// Sleeps until the socket is ready for `events`, running the waiter between sleeps; false when
// the waiter ended the wait. A failed poll counts as ready: the next call on the socket tells
// what is wrong with it.
bool WaitForSocket(int fd, short events, TcpWaiter& waiter) {
    for (;;) {
        pollfd p{fd, events, 0};
        const int r = ::poll(&p, 1, waiter.SleepLimitMs());
        if (r > 0 || (r < 0 && errno != EINTR)) {
            return true;
        }
        if (!waiter.Idle()) {
            return false;
        }
    }
}

bool IsIpAddress(const std::string& host) {
    unsigned char address[16];
    return ::inet_pton(AF_INET, host.c_str(), address) == 1 ||
           ::inet_pton(AF_INET6, host.c_str(), address) == 1;
}

class PosixConnection final : public TcpConnection {
public:
    explicit PosixConnection(int fd) : fd_(fd) {}
    ~PosixConnection() override {
        // No close_notify of our own: every response ends with the server's close, and an
        // answer to a server that has gone could only block or fail.
        SSL_free(ssl_);
        SSL_CTX_free(context_);
        ::close(fd_);
    }

    bool SendAll(std::string_view data, TcpWaiter& waiter) override {
        if (ssl_ != nullptr) {
            return SendTls(data, waiter);
        }
        size_t done = 0;
        while (done < data.size()) {
            if (!WaitForSocket(fd_, POLLOUT, waiter)) {
                return false;
            }
            ssize_t n = ::send(fd_, data.data() + done, data.size() - done, MSG_NOSIGNAL);
            if (n < 0) {
                if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) {
                    continue;
                }
                return false;
            }
            done += static_cast<size_t>(n);
        }
        return true;
    }

    std::optional<size_t> Read(char* buffer, size_t size, TcpWaiter& waiter) override {
        if (ssl_ != nullptr) {
            return ReadTls(buffer, size, waiter);
        }
        for (;;) {
            if (!WaitForSocket(fd_, POLLIN, waiter)) {
                return std::nullopt;
            }
            ssize_t n = ::recv(fd_, buffer, size, 0);
            if (n >= 0) {
                return static_cast<size_t>(n);
            }
            if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) {
                broken_ = true;
                return 0;
            }
        }
    }

    bool Broken() const override { return broken_; }
    std::string BrokenText() const override {
        return withoutCloseNotify_ ? "Connection closed without TLS close_notify"
                                   : TcpConnection::BrokenText();
    }

    TlsOutcome StartTls(const std::string& host, TcpWaiter& waiter) override {
        ERR_clear_error();
        // A context of its own each time, so the trusted roots are read as SSL_CERT_FILE and
        // SSL_CERT_DIR say at the time of the request.
        context_ = SSL_CTX_new(TLS_client_method());
        if (context_ == nullptr || SSL_CTX_set_min_proto_version(context_, TLS1_2_VERSION) != 1 ||
            SSL_CTX_set_default_verify_paths(context_) != 1) {
            return {TlsOutcome::Failed, OpenSslErrorText()};
        }
        SSL_CTX_set_verify(context_, SSL_VERIFY_PEER, nullptr);
        ssl_ = SSL_new(context_);
        if (ssl_ == nullptr || SSL_set_fd(ssl_, fd_) != 1) {
            return {TlsOutcome::Failed, OpenSslErrorText()};
        }
        bool named = false;
        if (IsIpAddress(host)) {
            named = X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl_), host.c_str()) == 1;
        } else {
            named = SSL_set_tlsext_host_name(ssl_, host.c_str()) == 1 &&
                    SSL_set1_host(ssl_, host.c_str()) == 1;
        }
        if (!named) {
            return {TlsOutcome::Failed, OpenSslErrorText()};
        }
        SSL_set_mode(ssl_, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
        for (;;) {
            int result = 0;
            {
                SigPipeHeld held;
                result = SSL_connect(ssl_);
            }
            if (result == 1) {
                return {TlsOutcome::Ready, {}};
            }
            const int error = SSL_get_error(ssl_, result);
            if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) {
                if (!WaitForSocket(fd_, error == SSL_ERROR_WANT_READ ? POLLIN : POLLOUT, waiter)) {
                    return {TlsOutcome::Cancelled, {}};
                }
                continue;
            }
            const long verified = SSL_get_verify_result(ssl_);
            if (verified != X509_V_OK) {
                ERR_clear_error();
                return {TlsOutcome::Unverified, X509_verify_cert_error_string(verified)};
            }
            return {TlsOutcome::Failed, OpenSslErrorText()};
        }
    }

private:
    bool SendTls(std::string_view data, TcpWaiter& waiter) {
        size_t done = 0;
        while (done < data.size()) {
            size_t written = 0;
            int result = 0;
            {
                SigPipeHeld held;
                result = SSL_write_ex(ssl_, data.data() + done, data.size() - done, &written);
            }
            if (result == 1) {
                done += written;
                continue;
            }
            const int error = SSL_get_error(ssl_, result);
            if (error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE) {
                ERR_clear_error();
                return false;
            }
            if (!WaitForSocket(fd_, error == SSL_ERROR_WANT_READ ? POLLIN : POLLOUT, waiter)) {
                return false;
            }
        }
        return true;
    }

    // Bytes that TLS already holds are handed out before the socket is waited on.
    std::optional<size_t> ReadTls(char* buffer, size_t size, TcpWaiter& waiter) {
        for (;;) {
            size_t read = 0;
            int result = 0;
            {
                SigPipeHeld held;
                result = SSL_read_ex(ssl_, buffer, size, &read);
            }
            if (result == 1) {
                return read;
            }
            const int error = SSL_get_error(ssl_, result);
            if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) {
                if (!WaitForSocket(fd_, error == SSL_ERROR_WANT_READ ? POLLIN : POLLOUT, waiter)) {
                    return std::nullopt;
                }
                continue;
            }
            if (error == SSL_ERROR_ZERO_RETURN) {
                return 0;  // close_notify: the server ended the stream itself
            }
            // Anything else, a close without close_notify included, may have been cut by
            // someone other than the server.
            broken_ = true;
            withoutCloseNotify_ =
                ERR_GET_REASON(ERR_peek_error()) == SSL_R_UNEXPECTED_EOF_WHILE_READING ||
                (error == SSL_ERROR_SYSCALL && errno == 0);
            ERR_clear_error();
            return 0;
        }
    }

    int fd_;
    SSL_CTX* context_ = nullptr;
    SSL* ssl_ = nullptr;
    bool broken_ = false;
    bool withoutCloseNotify_ = false;
};

// A numeric address with the port, as connect() takes it; nothing for a host name.
std::optional<sockaddr_storage> NumericAddress(const std::string& host, int port,
                                               socklen_t& length) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) {
        return std::nullopt;
    }
    sockaddr_storage address{};
    std::memcpy(&address, found->ai_addr, found->ai_addrlen);
    length = found->ai_addrlen;
    ::freeaddrinfo(found);
    return address;
}

// Ends the waits of one connection attempt at its own deadline as well as the caller's.
class AttemptWaiter final : public TcpWaiter {
public:
    AttemptWaiter(TcpWaiter& caller, std::optional<std::chrono::steady_clock::time_point> deadline)
        : caller_(caller), deadline_(deadline) {}

    int SleepLimitMs() override {
        int limit = caller_.SleepLimitMs();
        if (deadline_) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(
                *deadline_ - std::chrono::steady_clock::now());
            const int ms = static_cast<int>(std::max<long long>(0, left.count()));
            limit = limit < 0 ? ms : std::min(limit, ms);
        }
        return limit;
    }
    bool Idle() override {
        if (deadline_ && std::chrono::steady_clock::now() >= *deadline_) {
            expired_ = true;
            return false;
        }
        return caller_.Idle();
    }
    bool Expired() const { return expired_; }

private:
    TcpWaiter& caller_;
    std::optional<std::chrono::steady_clock::time_point> deadline_;
    bool expired_ = false;
};

enum class AttemptEnd { Connected, Refused, Ended, Expired };

// One non-blocking connect to one address; the socket is closed unless it connected.
AttemptEnd ConnectTo(const sockaddr_storage& address, socklen_t length, AttemptWaiter& waiter,
                     int& fd) {
    fd = ::socket(address.ss_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        return AttemptEnd::Refused;
    }
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0 &&
        errno != EINPROGRESS) {
        ::close(fd);
        return AttemptEnd::Refused;
    }
    if (!WaitForSocket(fd, POLLOUT, waiter)) {
        ::close(fd);
        return waiter.Expired() ? AttemptEnd::Expired : AttemptEnd::Ended;
    }
    int error = 0;
    socklen_t errorLength = sizeof error;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &errorLength) != 0 || error != 0) {
        ::close(fd);
        return AttemptEnd::Refused;
    }
    return AttemptEnd::Connected;
}

// The addresses of `host`, looked up while the waiter runs; nothing when it ended the wait. The
// lookup blocks, so it runs on a thread of its own, and one given up is left to finish there.
std::optional<HostAddresses> LookUpWhileWaiting(const HostLookup& lookup, const std::string& host,
                                                TcpWaiter& waiter) {
    std::shared_future<HostAddresses> found =
        std::async(std::launch::async, [lookup, host] { return lookup(host); }).share();
    for (;;) {
        const int limit = waiter.SleepLimitMs();
        if (limit < 0) {
            return found.get();
        }
        if (found.wait_for(std::chrono::milliseconds(limit)) == std::future_status::ready) {
            return found.get();
        }
        if (!waiter.Idle()) {
            std::thread([found] { found.wait(); }).detach();
            return std::nullopt;
        }
    }
}

}  // namespace

PosixTcpConnector::PosixTcpConnector() : lookup_(&PosixTcpConnector::SystemLookup) {}

HostAddresses PosixTcpConnector::SystemLookup(const std::string& host) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int status = ::getaddrinfo(host.c_str(), nullptr, &hints, &found);
    if (status != 0) {
        return {{}, status == EAI_SYSTEM ? std::strerror(errno) : ::gai_strerror(status)};
    }
    HostAddresses result;
    for (const addrinfo* a = found; a != nullptr; a = a->ai_next) {
        char text[NI_MAXHOST];
        if (::getnameinfo(a->ai_addr, a->ai_addrlen, text, sizeof text, nullptr, 0,
                          NI_NUMERICHOST) == 0 &&
            std::find(result.addresses.begin(), result.addresses.end(), text) ==
                result.addresses.end()) {
            result.addresses.emplace_back(text);
        }
    }
    ::freeaddrinfo(found);
    if (result.addresses.empty()) {
        result.error = "no address";
    }
    return result;
}

TcpConnector::Attempt PosixTcpConnector::Connect(const std::string& host, int port,
                                                 TcpWaiter& waiter) {
    std::vector<std::string> addresses{host};
    socklen_t length = 0;
    if (!NumericAddress(host, port, length)) {
        std::optional<HostAddresses> found = LookUpWhileWaiting(lookup_, host, waiter);
        if (!found) {
            return {Outcome::LookupCancelled, nullptr, {}};
        }
        if (found->addresses.empty()) {
            return {Outcome::HostNotFound, nullptr, found->error};
        }
        addresses = std::move(found->addresses);
    }
    for (size_t i = 0; i < addresses.size(); ++i) {
        const std::optional<sockaddr_storage> address = NumericAddress(addresses[i], port, length);
        if (!address) {
            continue;
        }
        std::optional<std::chrono::steady_clock::time_point> deadline;
        if (i + 1 < addresses.size()) {
            deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kAttemptMs);
        }
        AttemptWaiter attempt(waiter, deadline);
        int fd = -1;
        switch (ConnectTo(*address, length, attempt, fd)) {
            case AttemptEnd::Connected:
                return {Outcome::Connected, std::make_unique<PosixConnection>(fd), {}};
            case AttemptEnd::Ended:
                return {Outcome::ConnectCancelled, nullptr, {}};
            case AttemptEnd::Refused:
            case AttemptEnd::Expired:
                break;
        }
    }
    return {Outcome::Failed, nullptr, {}};
}

}  // namespace yomida

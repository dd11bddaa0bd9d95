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

#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <future>
#include <thread>

namespace yomida {
namespace {

constexpr int kPollMs = 2;

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

    bool SendAll(std::string_view data, const std::function<bool()>& idle) override {
        if (ssl_ != nullptr) {
            return SendTls(data, idle);
        }
        size_t done = 0;
        while (done < data.size()) {
            if (!Wait(POLLOUT, idle)) {
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

    std::optional<size_t> Read(char* buffer, size_t size,
                               const std::function<bool()>& idle) override {
        if (ssl_ != nullptr) {
            return ReadTls(buffer, size, idle);
        }
        for (;;) {
            if (!Wait(POLLIN, idle)) {
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
    bool EndedWithoutCloseNotify() const override { return withoutCloseNotify_; }

    TlsOutcome StartTls(const std::string& host, const std::function<bool()>& idle) override {
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
                if (!Wait(error == SSL_ERROR_WANT_READ ? POLLIN : POLLOUT, idle)) {
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
    bool SendTls(std::string_view data, const std::function<bool()>& idle) {
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
            if (!Wait(error == SSL_ERROR_WANT_READ ? POLLIN : POLLOUT, idle)) {
                return false;
            }
        }
        return true;
    }

    // Bytes that TLS already holds are handed out before the socket is waited on.
    std::optional<size_t> ReadTls(char* buffer, size_t size, const std::function<bool()>& idle) {
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
                if (!Wait(error == SSL_ERROR_WANT_READ ? POLLIN : POLLOUT, idle)) {
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

    // Waits until the socket is ready, running the idle function every few milliseconds;
    // false when it asked to cancel.
    bool Wait(short events, const std::function<bool()>& idle) {
        for (;;) {
            pollfd p{fd_, events, 0};
            int r = ::poll(&p, 1, kPollMs);
            if (r > 0) {
                return true;
            }
            if (idle && !idle()) {
                return false;
            }
        }
    }

    int fd_;
    SSL_CTX* context_ = nullptr;
    SSL* ssl_ = nullptr;
    bool broken_ = false;
    bool withoutCloseNotify_ = false;
};

// getaddrinfo blocks, so it runs on its own thread; a cancelled lookup is left to finish there.
std::shared_future<addrinfo*> LookUp(const std::string& host, int port) {
    return std::async(std::launch::async,
                      [host, port]() -> addrinfo* {
                          addrinfo hints{};
                          hints.ai_family = AF_INET;
                          hints.ai_socktype = SOCK_STREAM;
                          addrinfo* result = nullptr;
                          if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints,
                                            &result) != 0) {
                              return nullptr;
                          }
                          return result;
                      })
        .share();
}

}  // namespace

TcpConnector::Outcome PosixTcpConnector::Connect(const std::string& host, int port,
                                                 const std::function<bool()>& idle,
                                                 std::unique_ptr<TcpConnection>& connection) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    if (::inet_pton(AF_INET, host.c_str(), &address.sin_addr) != 1) {
        std::shared_future<addrinfo*> lookup = LookUp(host, port);
        while (lookup.wait_for(std::chrono::milliseconds(kPollMs)) != std::future_status::ready) {
            if (idle && !idle()) {
                // The helper thread finishes on its own and frees what it found.
                std::thread([lookup] {
                    if (addrinfo* found = lookup.get()) {
                        ::freeaddrinfo(found);
                    }
                }).detach();
                return Outcome::LookupCancelled;
            }
        }
        addrinfo* found = lookup.get();
        if (found == nullptr) {
            return Outcome::HostNotFound;
        }
        address.sin_addr = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr;
        ::freeaddrinfo(found);
    }

    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        return Outcome::Failed;
    }
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 &&
        errno != EINPROGRESS) {
        ::close(fd);
        return Outcome::Failed;
    }
    for (;;) {
        pollfd p{fd, POLLOUT, 0};
        int r = ::poll(&p, 1, kPollMs);
        if (r > 0) {
            int error = 0;
            socklen_t length = sizeof error;
            ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
            if (error != 0) {
                ::close(fd);
                return Outcome::Failed;
            }
            break;
        }
        if (idle && !idle()) {
            ::close(fd);
            return Outcome::ConnectCancelled;
        }
    }
    connection = std::make_unique<PosixConnection>(fd);
    return Outcome::Connected;
}

}  // namespace yomida

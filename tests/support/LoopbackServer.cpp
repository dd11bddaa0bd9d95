#include "support/LoopbackServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <stdexcept>

namespace yomida::test {
namespace {

constexpr auto kMaxLife = std::chrono::seconds(30);

bool WaitReadable(int fd, int ms) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, ms) > 0;
}

// True while the peer has not closed its end. Over TLS whatever the client still sends (an
// alert) is read away: nothing is read from the stream after the request.
bool PeerOpen(int fd, bool tls) {
    if (!WaitReadable(fd, 0)) {
        return true;
    }
    char c[256];
    if (!tls) {
        return ::recv(fd, c, 1, MSG_PEEK | MSG_DONTWAIT) > 0;
    }
    return ::recv(fd, c, sizeof c, MSG_DONTWAIT) > 0;
}

int ListenOnLoopback(int& port, bool ipv6 = false) {
    const int fd = ::socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_storage address{};
    socklen_t length = 0;
    if (ipv6) {
        auto* in6 = reinterpret_cast<sockaddr_in6*>(&address);
        in6->sin6_family = AF_INET6;
        in6->sin6_addr = in6addr_loopback;
        length = sizeof(sockaddr_in6);
    } else {
        auto* in4 = reinterpret_cast<sockaddr_in*>(&address);
        in4->sin_family = AF_INET;
        in4->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        length = sizeof(sockaddr_in);
    }
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(fd, 8) != 0) {
        if (fd >= 0) {
            ::close(fd);
        }
        throw std::runtime_error("loopback server cannot listen");
    }
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(ipv6 ? reinterpret_cast<sockaddr_in6*>(&address)->sin6_port
                      : reinterpret_cast<sockaddr_in*>(&address)->sin_port);
    return fd;
}

SSL_CTX* ServerContext(const ServerIdentity& identity) {
    // A client that leaves mid-reply must not end the test process.
    std::signal(SIGPIPE, SIG_IGN);
    SSL_CTX* context = SSL_CTX_new(TLS_server_method());
    BIO* certificate =
        BIO_new_mem_buf(identity.certificate.data(), static_cast<int>(identity.certificate.size()));
    BIO* key = BIO_new_mem_buf(identity.key.data(), static_cast<int>(identity.key.size()));
    X509* x509 = PEM_read_bio_X509(certificate, nullptr, nullptr, nullptr);
    EVP_PKEY* pkey = PEM_read_bio_PrivateKey(key, nullptr, nullptr, nullptr);
    const bool ok = x509 != nullptr && pkey != nullptr &&
                    SSL_CTX_use_certificate(context, x509) == 1 &&
                    SSL_CTX_use_PrivateKey(context, pkey) == 1;
    X509_free(x509);
    EVP_PKEY_free(pkey);
    BIO_free(certificate);
    BIO_free(key);
    if (!ok) {
        SSL_CTX_free(context);
        throw std::runtime_error("loopback server cannot use its certificate");
    }
    return context;
}

}  // namespace

LoopbackServer::LoopbackServer(std::vector<Reply> replies, const std::optional<ServerIdentity>& tls,
                               Family family)
    : replies_(std::move(replies)), family_(family) {
    listenFd_ = ListenOnLoopback(port_, family == Family::kIpv6);
    if (tls) {
        try {
            context_ = ServerContext(*tls);
        } catch (...) {
            ::close(listenFd_);
            throw;
        }
    }
    thread_ = std::thread([this] { Serve(); });
}

LoopbackServer::~LoopbackServer() {
    stop_ = true;
    thread_.join();
    ::close(listenFd_);
    SSL_CTX_free(context_);
}

std::string LoopbackServer::Url(const std::string& path) const {
    return std::string(Tls() ? "https://" : "http://") +
           (family_ == Family::kIpv6 ? "[::1]:" : "127.0.0.1:") + std::to_string(port_) + path;
}

std::vector<std::string> LoopbackServer::Requests() {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

void LoopbackServer::Serve() {
    const auto deadline = std::chrono::steady_clock::now() + kMaxLife;
    size_t next = 0;
    while (!stop_ && next < replies_.size() && std::chrono::steady_clock::now() < deadline) {
        if (!WaitReadable(listenFd_, 10)) {
            continue;
        }
        int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        SSL* ssl = nullptr;
        if (context_ != nullptr) {
            // A client that never finishes its handshake does not hold the server.
            timeval second{1, 0};
            ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &second, sizeof second);
            ssl = SSL_new(context_);
            SSL_set_fd(ssl, fd);
            if (SSL_accept(ssl) != 1) {
                // A client that refused the certificate: its turn is taken all the same.
                ERR_clear_error();
                SSL_free(ssl);
                ::close(fd);
                std::lock_guard<std::mutex> lock(mutex_);
                requests_.push_back("");
                ++next;
                continue;
            }
        }
        const auto send = [fd, ssl](const char* data, size_t size) {
            if (ssl != nullptr) {
                size_t written = 0;
                return SSL_write_ex(ssl, data, size, &written) == 1 && written == size;
            }
            return ::send(fd, data, size, MSG_NOSIGNAL) == static_cast<ssize_t>(size);
        };
        std::string request;
        char buffer[4096];
        while (request.find("\r\n\r\n") == std::string::npos && !stop_ &&
               ((ssl != nullptr && SSL_pending(ssl) > 0) || WaitReadable(fd, 1000))) {
            ssize_t n = ssl != nullptr ? SSL_read(ssl, buffer, sizeof buffer)
                                       : ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0) {
                break;
            }
            request.append(buffer, static_cast<size_t>(n));
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            requests_.push_back(request);
        }
        const Reply& reply = replies_[next++];
        for (size_t r = 0; r < reply.repeat && !stop_; ++r) {
            if (!reply.bytes.empty() && !send(reply.bytes.data(), reply.bytes.size())) {
                break;
            }
        }
        if (reply.shared && !stop_) {
            send(reply.shared->data(), reply.shared->size());
        }
        for (char c : reply.drip) {
            if (stop_ || !PeerOpen(fd, ssl != nullptr) || !send(&c, 1)) {
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(reply.dripMs));
        }
        while (reply.holdOpen && !stop_ && PeerOpen(fd, ssl != nullptr) &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        if (reply.reset) {
            linger hard{1, 0};
            ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
        } else if (ssl != nullptr && !reply.cut) {
            SSL_shutdown(ssl);
        }
        ERR_clear_error();
        SSL_free(ssl);
        ::close(fd);
    }
}

TunnelProxy::TunnelProxy(std::string answer) : answer_(std::move(answer)) {
    listenFd_ = ListenOnLoopback(port_);
    thread_ = std::thread([this] { Serve(); });
}

TunnelProxy::~TunnelProxy() {
    stop_ = true;
    thread_.join();
    ::close(listenFd_);
}

std::vector<std::string> TunnelProxy::Requests() {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

void TunnelProxy::Serve() {
    const auto deadline = std::chrono::steady_clock::now() + kMaxLife;
    while (!stop_ && std::chrono::steady_clock::now() < deadline) {
        if (!WaitReadable(listenFd_, 10)) {
            continue;
        }
        const int client = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) {
            continue;
        }
        std::string request;
        char buffer[16384];
        while (request.find("\r\n\r\n") == std::string::npos && WaitReadable(client, 1000)) {
            const ssize_t n = ::recv(client, buffer, 1, 0);  // nothing past the header
            if (n <= 0) {
                break;
            }
            request.append(buffer, static_cast<size_t>(n));
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            requests_.push_back(request);
        }
        ::send(client, answer_.data(), answer_.size(), MSG_NOSIGNAL);
        const size_t colon = request.find(':');
        if (!answer_.starts_with("HTTP/1.0 200") || colon == std::string::npos) {
            ::close(client);
            continue;
        }
        const int server = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<uint16_t>(std::atoi(request.c_str() + colon + 1)));
        if (::connect(server, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
            pollfd both[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
            bool open = true;
            while (open && !stop_ && ::poll(both, 2, 10) >= 0) {
                for (int i = 0; i < 2 && open; ++i) {
                    if ((both[i].revents & (POLLIN | POLLHUP | POLLERR)) == 0) {
                        continue;
                    }
                    const ssize_t n = ::recv(both[i].fd, buffer, sizeof buffer, 0);
                    open = n > 0 && ::send(both[1 - i].fd, buffer, static_cast<size_t>(n),
                                           MSG_NOSIGNAL) == n;
                }
            }
        }
        ::close(server);
        ::close(client);
    }
}

}  // namespace yomida::test

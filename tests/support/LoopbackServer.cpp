#include "support/LoopbackServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace yomida::test {
namespace {

constexpr auto kMaxLife = std::chrono::seconds(30);

bool WaitReadable(int fd, int ms) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, ms) > 0;
}

// True while the peer has not closed its end.
bool PeerOpen(int fd) {
    if (!WaitReadable(fd, 0)) {
        return true;
    }
    char c;
    return ::recv(fd, &c, 1, MSG_PEEK | MSG_DONTWAIT) > 0;
}

}  // namespace

LoopbackServer::LoopbackServer(std::vector<Reply> replies) : replies_(std::move(replies)) {
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int one = 1;
    ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listenFd_, 8) != 0) {
        throw std::runtime_error("loopback server cannot listen");
    }
    socklen_t length = sizeof address;
    ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
}

LoopbackServer::~LoopbackServer() {
    stop_ = true;
    thread_.join();
    ::close(listenFd_);
}

std::string LoopbackServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
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
        std::string request;
        char buffer[4096];
        while (request.find("\r\n\r\n") == std::string::npos && !stop_ && WaitReadable(fd, 1000)) {
            ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
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
            if (::send(fd, reply.bytes.data(), reply.bytes.size(), MSG_NOSIGNAL) < 0) {
                break;
            }
        }
        for (char c : reply.drip) {
            if (stop_ || !PeerOpen(fd) || ::send(fd, &c, 1, MSG_NOSIGNAL) != 1) {
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(reply.dripMs));
        }
        while (reply.holdOpen && !stop_ && PeerOpen(fd) &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        if (reply.reset) {
            linger hard{1, 0};
            ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
        }
        ::close(fd);
    }
}

}  // namespace yomida::test

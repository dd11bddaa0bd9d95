#include "platform/TcpSocket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <future>
#include <thread>

namespace yomida {
namespace {

constexpr int kPollMs = 2;

class PosixConnection final : public TcpConnection {
public:
    explicit PosixConnection(int fd) : fd_(fd) {}
    ~PosixConnection() override { ::close(fd_); }

    bool SendAll(std::string_view data, const std::function<bool()>& idle) override {
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

private:
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
    bool broken_ = false;
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

#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "support/TestCertificates.h"

struct ssl_ctx_st;

namespace yomida::test {

// A scripted HTTP server on loopback for tests: it answers one connection after another with
// the next scripted reply and records each request, over TCP or, given an identity, over TLS.
// It only ever listens on loopback and stops by itself when destroyed.
class LoopbackServer {
public:
    struct Reply {
        std::string bytes;      // sent at once
        std::string drip = {};  // then sent one byte every dripMs milliseconds
        int dripMs = 0;
        bool holdOpen = false;  // keep the connection open after sending, until the client leaves
        bool reset = false;     // reset the connection after sending
        size_t repeat = 1;      // send `bytes` this many times (big bodies without big strings)
        bool cut = false;       // TLS: close without close_notify
        // Sent after `bytes`; shared by every reply that names it (big pages).
        std::shared_ptr<const std::string> shared = {};
    };

    enum class Family { kIpv4, kIpv6 };  // listens on 127.0.0.1 or on ::1

    explicit LoopbackServer(std::vector<Reply> replies,
                            const std::optional<ServerIdentity>& tls = std::nullopt,
                            Family family = Family::kIpv4);
    ~LoopbackServer();

    int Port() const { return port_; }
    bool Tls() const { return context_ != nullptr; }
    // http:// or https:// and 127.0.0.1 (or [::1]) with the port.
    std::string Url(const std::string& path = "/") const;
    std::vector<std::string> Requests();

private:
    void Serve();

    std::vector<Reply> replies_;
    ssl_ctx_st* context_ = nullptr;
    Family family_;
    int listenFd_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

// An HTTP proxy on 127.0.0.1 that opens CONNECT tunnels: it records each request header,
// answers `answer`, and when that is a 200 relays bytes both ways to 127.0.0.1 at the port
// the request named.
class TunnelProxy {
public:
    explicit TunnelProxy(std::string answer = "HTTP/1.0 200 Connection established\r\n\r\n");
    ~TunnelProxy();
    int Port() const { return port_; }
    std::vector<std::string> Requests();

private:
    void Serve();

    std::string answer_;
    int listenFd_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

}  // namespace yomida::test

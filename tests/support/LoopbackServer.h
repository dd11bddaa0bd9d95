#pragma once

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace yomida::test {

// A scripted HTTP server on 127.0.0.1 for tests: it answers one connection after another with
// the next scripted reply and records each request. It only ever listens on loopback and stops
// by itself when destroyed.
class LoopbackServer {
public:
    struct Reply {
        std::string bytes;      // sent at once
        std::string drip = {};  // then sent one byte every dripMs milliseconds
        int dripMs = 0;
        bool holdOpen = false;  // keep the connection open after sending, until the client leaves
        bool reset = false;     // reset the connection after sending
        size_t repeat = 1;      // send `bytes` this many times (big bodies without big strings)
    };

    explicit LoopbackServer(std::vector<Reply> replies);
    ~LoopbackServer();

    int Port() const { return port_; }
    std::string Url(const std::string& path = "/") const;
    std::vector<std::string> Requests();

private:
    void Serve();

    std::vector<Reply> replies_;
    int listenFd_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

}  // namespace yomida::test

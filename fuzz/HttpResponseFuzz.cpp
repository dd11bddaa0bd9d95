#include <cstdint>
#include <cstring>
#include <string>

#include "FuzzSupport.h"
#include "download/HttpClient.h"

namespace {

// A connection that answers any request with the fuzz input, a few bytes at a time.
class ScriptedConnection final : public yomida::TcpConnection {
public:
    explicit ScriptedConnection(std::string reply) : reply_(std::move(reply)) {}
    bool SendAll(std::string_view, yomida::TcpWaiter&) override { return true; }
    std::optional<size_t> Read(char* buffer, size_t size, yomida::TcpWaiter& waiter) override {
        if (!waiter.Idle()) {
            return std::nullopt;
        }
        const size_t n = std::min({size, reply_.size() - pos_, size_t{7}});
        std::memcpy(buffer, reply_.data() + pos_, n);
        pos_ += n;
        return n;
    }

private:
    std::string reply_;
    size_t pos_ = 0;
};

class ScriptedConnector final : public yomida::TcpConnector {
public:
    std::string reply;
    Attempt Connect(const std::string&, int, yomida::TcpWaiter&) override {
        return {Outcome::Connected, std::make_unique<ScriptedConnection>(reply), {}};
    }
};

}  // namespace

// Any bytes as a server's answer (every redirect answered the same) end the request with a
// response, never a crash or a hang.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace yomida;
    ScriptedConnector connector;
    connector.reply.assign(reinterpret_cast<const char*>(data), size);
    HttpClient http(connector);
    HttpRequest request;
    request.url = "http://example.invalid/page";
    request.maxHeaderBytes = 4096;
    request.maxBodyBytes = 65536;
    if (size % 2 == 0) {
        request.bodyFile = fuzz::ScratchFolder() / "download.dat";
        request.replaceBodyFile = size % 4 == 0;
    }
    int pumps = 0;
    HttpProgress progress;
    progress.cancelled = [&] { return ++pumps > 100000; };
    static_cast<void>(http.Get(request, progress));
    return 0;
}

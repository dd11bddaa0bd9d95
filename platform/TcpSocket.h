#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace yomida {

// One open TCP connection. Every wait polls in short steps and calls the idle function between
// them, which runs the message loop and returns false when the user cancelled.
class TcpConnection {
public:
    virtual ~TcpConnection() = default;
    // Sends everything; false when the connection failed or the wait was cancelled.
    virtual bool SendAll(std::string_view data, const std::function<bool()>& idle) = 0;
    // Up to `size` bytes into `buffer`: the count, 0 at the end of the stream (or when the
    // connection broke, which Broken() then tells), nothing when the wait was cancelled.
    virtual std::optional<size_t> Read(char* buffer, size_t size,
                                       const std::function<bool()>& idle) = 0;
    // True once a read ended because the peer reset the connection or it failed otherwise:
    // what arrived until then may be cut anywhere.
    virtual bool Broken() const { return false; }
    // Why the stream broke, once Broken() says it did.
    virtual std::string BrokenText() const { return "Connection reset"; }
    // True when the break was a TLS stream that ended without close_notify: what arrived is
    // whole, but nothing says the server meant to end there.
    virtual bool EndedWithoutCloseNotify() const { return false; }

    struct TlsOutcome {
        enum Kind { Ready, Cancelled, Failed, Unverified } kind = Failed;
        std::string detail;  // Failed: what went wrong; Unverified: why the certificate failed
    };
    // Runs a TLS handshake (TLS 1.2 or later) over this connection and from then on reads and
    // writes through TLS. The server's certificate must chain to a trusted root and name
    // `host` (an IP address is checked against the certificate's IP addresses).
    virtual TlsOutcome StartTls(const std::string& host, const std::function<bool()>& idle) {
        (void)host;
        (void)idle;
        return {TlsOutcome::Failed, "TLS is not available on this connection"};
    }
};

// Opens TCP connections; the HTTP client takes one as its transport, so tests can hand in
// another.
class TcpConnector {
public:
    enum class Outcome { Connected, HostNotFound, Failed, LookupCancelled, ConnectCancelled };

    virtual ~TcpConnector() = default;
    // Looks the host up without blocking the caller's message loop, then connects.
    virtual Outcome Connect(const std::string& host, int port, const std::function<bool()>& idle,
                            std::unique_ptr<TcpConnection>& connection) = 0;
};

// Plain POSIX sockets; the host lookup runs on a helper thread.
class PosixTcpConnector final : public TcpConnector {
public:
    Outcome Connect(const std::string& host, int port, const std::function<bool()>& idle,
                    std::unique_ptr<TcpConnection>& connection) override;
};

}  // namespace yomida

#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace yomida {

// How a wait on the network spends its time: it sleeps until the socket is ready or the sleep
// limit has passed, then runs Idle (the message loop, the cancel and time-out checks) and
// sleeps again. A caller with nothing to do between sleeps lets them run to the time-out.
class TcpWaiter {
public:
    virtual ~TcpWaiter() = default;
    // The longest the next sleep may last, in milliseconds; -1 for as long as it takes.
    virtual int SleepLimitMs() = 0;
    // Runs after a sleep that ended without the socket becoming ready; false ends the wait.
    virtual bool Idle() = 0;
};

// One open TCP connection. Every wait sleeps as its waiter allows and runs the waiter's Idle
// between sleeps.
class TcpConnection {
public:
    virtual ~TcpConnection() = default;
    // Sends everything; false when the connection failed or the wait was ended.
    virtual bool SendAll(std::string_view data, TcpWaiter& waiter) = 0;
    // Up to `size` bytes into `buffer`: the count, 0 at the end of the stream (or when the
    // connection broke, which Broken() then tells), nothing when the wait was ended.
    virtual std::optional<size_t> Read(char* buffer, size_t size, TcpWaiter& waiter) = 0;
    // True once a read ended because the peer reset the connection or it failed otherwise:
    // what arrived until then may be cut anywhere.
    virtual bool Broken() const { return false; }
    // Why the stream broke, once Broken() says it did.
    virtual std::string BrokenText() const { return "Connection reset"; }

    struct TlsOutcome {
        enum Kind { Ready, Cancelled, Failed, Unverified } kind = Failed;
        std::string detail;  // Failed: what went wrong; Unverified: why the certificate failed
    };
    // Runs a TLS handshake (TLS 1.2 or later) over this connection and from then on reads and
    // writes through TLS. The server's certificate must chain to a trusted root and name
    // `host` (an IP address is checked against the certificate's IP addresses).
    virtual TlsOutcome StartTls(const std::string& host, TcpWaiter& waiter) {
        (void)host;
        (void)waiter;
        return {TlsOutcome::Failed, "TLS is not available on this connection"};
    }
};

// Opens TCP connections; the HTTP client takes one as its transport, so tests can hand in
// another.
class TcpConnector {
public:
    enum class Outcome { Connected, HostNotFound, Failed, LookupCancelled, ConnectCancelled };
    struct Attempt {
        Outcome outcome = Outcome::Failed;
        std::unique_ptr<TcpConnection> connection;  // when connected
        std::string detail;                         // HostNotFound: why the lookup found none
    };

    virtual ~TcpConnector() = default;
    // Looks the host (a name, or an IPv4 or IPv6 address without brackets) up without blocking
    // the caller's message loop, then connects to its addresses one after another until one
    // answers.
    virtual Attempt Connect(const std::string& host, int port, TcpWaiter& waiter) = 0;
};

// What a host name stands for: its numeric addresses (IPv4 or IPv6) in the order to try them,
// or why there are none.
struct HostAddresses {
    std::vector<std::string> addresses;
    std::string error;
};
using HostLookup = std::function<HostAddresses(const std::string& host)>;

// Plain POSIX sockets; a host name is looked up on a helper thread.
class PosixTcpConnector final : public TcpConnector {
public:
    // While another address is left to try, one that has not answered in this long is given
    // up, so a network that swallows one address family does not hold the request.
    static constexpr int kAttemptMs = 3000;

    PosixTcpConnector();
    // With a lookup of its own instead of the system's resolver.
    explicit PosixTcpConnector(HostLookup lookup) : lookup_(std::move(lookup)) {}

    Attempt Connect(const std::string& host, int port, TcpWaiter& waiter) override;
    // The system's resolver, IPv4 and IPv6 alike.
    static HostAddresses SystemLookup(const std::string& host);

private:
    HostLookup lookup_;
};

}  // namespace yomida

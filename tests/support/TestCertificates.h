#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace yomida::test {

// A server's certificate chain and key, in PEM.
struct ServerIdentity {
    std::string certificate;
    std::string key;
};

// A certificate authority made afresh for a test, and server certificates it or nobody signs.
class TestCa {
public:
    TestCa();
    ~TestCa();
    TestCa(const TestCa&) = delete;
    TestCa& operator=(const TestCa&) = delete;

    struct Request {
        std::vector<std::string> dnsNames;
        std::vector<std::string> ipAddresses;
        long validFromSeconds = -3600;  // relative to now
        long validToSeconds = 86400;
        bool selfSigned = false;
    };
    ServerIdentity Issue(const Request& request) const;
    // The usual loopback server: 127.0.0.1, ::1 and localhost, valid now.
    ServerIdentity IssueForLoopback() const;

    // Writes the authority's certificate to `file` and points SSL_CERT_FILE at it until this
    // object goes away (SSL_CERT_DIR is cleared meanwhile, so nothing else is trusted).
    void TrustIn(const std::filesystem::path& file);

private:
    struct Keys;
    Keys* keys_;
    bool trusted_ = false;
};

}  // namespace yomida::test

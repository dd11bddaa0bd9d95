#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace yomida {

// An absolute URL taken apart as an HTTP request needs it. Its text is percent-encoded first
// wherever it holds bytes that no URL may hold (blanks, control bytes, CP932 or UTF-8 text), so
// nothing taken from a settings file or a server can break a request line or a header.
class Url {
public:
    // Nothing unless `text` has a scheme and a host (a name, an IPv4 address or an IPv6 address
    // in brackets), no user name, and a port from 1 to 65535 when it names one.
    static std::optional<Url> Parse(std::string_view text);
    // Where `reference` leads from this URL, by the reference resolution of RFC 3986
    // ("sub/t.html", "../t.html", "/t.html", "//host/t.html" or a whole URL); nothing when
    // that is no URL as Parse takes it.
    std::optional<Url> Resolve(std::string_view reference) const;

    const std::string& Scheme() const { return scheme_; }  // in lower case
    const std::string& Host() const { return host_; }      // an IPv6 address without brackets
    std::optional<int> Port() const { return port_; }      // when the URL names one
    // The path and query, "/" when the URL has neither; the fragment is no part of it.
    const std::string& Target() const { return target_; }
    // The whole URL, encoded, without its fragment.
    const std::string& Text() const { return text_; }
    // The host (an IPv6 address in brackets) with ":port" unless the port is `defaultPort`.
    std::string Authority(int defaultPort) const;

    // `text` with every byte outside the characters of a URL written as %XX. A "%" followed
    // by two hex digits is taken as encoded already; brackets stay only around a host.
    static std::string Encode(std::string_view text);
    // Letters, digits, "-", "." and "_": what a host name in a request may hold.
    static bool IsHostName(std::string_view host);
    // A host name, an IPv4 address or an IPv6 address in brackets, with an optional ":port"
    // from 1 to 65535: what a setting that names a server may hold.
    static bool IsHostAndPort(std::string_view text);

private:
    Url() = default;

    std::string scheme_;
    std::string host_;
    bool ipv6_ = false;
    std::optional<int> port_;
    std::string target_;
    std::string text_;
};

}  // namespace yomida

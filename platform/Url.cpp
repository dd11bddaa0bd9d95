#include "platform/Url.h"

#include <arpa/inet.h>
#include <uriparser/Uri.h>

#include <algorithm>
#include <cstring>

namespace yomida {
namespace {

// Longer host names are no DNS names; the limit keeps the checks short.
constexpr size_t kUrlMaxHostBytes = 253;

bool IsUrlHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool IsUrlAlnum(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// The unreserved characters and the delimiters of RFC 3986, brackets and "#" aside.
bool IsPlainUrlChar(char c) {
    return IsUrlAlnum(c) || (c != '\0' && std::strchr("-._~:/?@!$&'()*+,;=", c) != nullptr);
}

// Where the authority of `text` lies: after "scheme://" or a leading "//", up to the first
// "/", "?" or "#". Both ends are npos when there is none.
std::pair<size_t, size_t> UrlAuthoritySpan(std::string_view text) {
    size_t start = std::string_view::npos;
    if (text.starts_with("//")) {
        start = 2;
    } else if (!text.empty() &&
               ((text[0] >= 'a' && text[0] <= 'z') || (text[0] >= 'A' && text[0] <= 'Z'))) {
        const size_t end = text.find_first_not_of(
            "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789+-.");
        if (end != std::string_view::npos && text.substr(end).starts_with("://")) {
            start = end + 3;
        }
    }
    if (start == std::string_view::npos) {
        return {start, start};
    }
    return {start, std::min(text.find_first_of("/?#", start), text.size())};
}

// A parsed URI whose members are freed with it; its text ranges point into its own text.
class ParsedUri {
public:
    explicit ParsedUri(std::string text) : text_(std::move(text)) {
        const char* errorPos = nullptr;
        owns_ = uriParseSingleUriExA(&uri_, text_.data(), text_.data() + text_.size(), &errorPos) ==
                URI_SUCCESS;
    }
    // The reference `relative` resolved against `base`.
    ParsedUri(ParsedUri& relative, ParsedUri& base) {
        owns_ = relative.owns_ && base.owns_ &&
                uriAddBaseUriExA(&uri_, &relative.uri_, &base.uri_, URI_RESOLVE_STRICTLY) ==
                    URI_SUCCESS;
    }
    ~ParsedUri() {
        if (owns_) {
            uriFreeUriMembersA(&uri_);
        }
    }
    ParsedUri(const ParsedUri&) = delete;
    ParsedUri& operator=(const ParsedUri&) = delete;

    bool Parsed() const { return owns_; }
    const UriUriA& Uri() const { return uri_; }

    // The URI's text as uriparser writes it.
    std::optional<std::string> ToText() const {
        int length = 0;
        if (!owns_ || uriToStringCharsRequiredA(&uri_, &length) != URI_SUCCESS) {
            return std::nullopt;
        }
        std::string text(static_cast<size_t>(length) + 1, '\0');
        int written = 0;
        if (uriToStringA(text.data(), &uri_, length + 1, &written) != URI_SUCCESS) {
            return std::nullopt;
        }
        text.resize(static_cast<size_t>(length));
        return text;
    }

private:
    std::string text_;
    UriUriA uri_{};
    bool owns_ = false;
};

std::string_view UrlRange(const UriTextRangeA& range) {
    if (range.first == nullptr || range.afterLast == nullptr) {
        return {};
    }
    return {range.first, static_cast<size_t>(range.afterLast - range.first)};
}

// A port written as 1 to 65535; nothing otherwise.
std::optional<int> UrlPortNumber(std::string_view digits) {
    if (digits.empty() || digits.size() > 5 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    int port = 0;
    for (char c : digits) {
        port = port * 10 + (c - '0');
    }
    if (port < 1 || port > 65535) {
        return std::nullopt;
    }
    return port;
}

bool IsIpv6Address(std::string_view text) {
    in6_addr address{};
    return ::inet_pton(AF_INET6, std::string(text).c_str(), &address) == 1;
}

}  // namespace

std::string Url::Encode(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    const auto [authorityStart, authorityEnd] = UrlAuthoritySpan(text);
    bool fragment = false;
    std::string encoded;
    encoded.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool inAuthority =
            authorityStart != std::string_view::npos && i >= authorityStart && i < authorityEnd;
        bool keep = IsPlainUrlChar(c);
        if (c == '%') {
            keep = i + 2 < text.size() && IsUrlHexDigit(text[i + 1]) && IsUrlHexDigit(text[i + 2]);
        } else if (c == '[' || c == ']') {
            keep = inAuthority;
        } else if (c == '#') {
            keep = !fragment;
            fragment = true;
        }
        if (keep) {
            encoded += c;
        } else {
            const auto b = static_cast<unsigned char>(c);
            encoded += '%';
            encoded += kHex[b >> 4];
            encoded += kHex[b & 0x0F];
        }
    }
    return encoded;
}

bool Url::IsHostName(std::string_view host) {
    return !host.empty() && host.size() <= kUrlMaxHostBytes &&
           std::all_of(host.begin(), host.end(),
                       [](char c) { return IsUrlAlnum(c) || c == '-' || c == '.' || c == '_'; });
}

bool Url::IsHostAndPort(std::string_view text) {
    std::string_view host = text;
    std::optional<std::string_view> port;
    if (text.starts_with('[')) {
        const size_t close = text.find(']');
        if (close == std::string_view::npos) {
            return false;
        }
        host = text.substr(1, close - 1);
        const std::string_view rest = text.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':') {
                return false;
            }
            port = rest.substr(1);
        }
        if (!IsIpv6Address(host)) {
            return false;
        }
    } else {
        const size_t colon = text.find(':');
        if (colon != std::string_view::npos) {
            host = text.substr(0, colon);
            port = text.substr(colon + 1);
        }
        if (!IsHostName(host)) {
            return false;
        }
    }
    // "host:" names the scheme's own port, as in a URL.
    return !port || port->empty() || UrlPortNumber(*port).has_value();
}

std::optional<Url> Url::Parse(std::string_view text) {
    std::string encoded = Encode(text);
    const auto [authorityStart, authorityEnd] = UrlAuthoritySpan(encoded);
    if (authorityStart == std::string::npos || authorityStart < 3) {
        return std::nullopt;  // no scheme, or no host
    }
    ParsedUri parsed(encoded);
    if (!parsed.Parsed()) {
        return std::nullopt;
    }
    const UriUriA& uri = parsed.Uri();
    Url url;
    if (uri.userInfo.first != nullptr || uri.hostData.ipFuture.first != nullptr) {
        return std::nullopt;
    }
    url.host_ = UrlRange(uri.hostText);
    url.ipv6_ = uri.hostData.ip6 != nullptr;
    if (!url.ipv6_ && !IsHostName(url.host_)) {
        return std::nullopt;
    }
    const std::string_view port = UrlRange(uri.portText);
    if (!port.empty()) {
        url.port_ = UrlPortNumber(port);
        if (!url.port_) {
            return std::nullopt;
        }
    }
    url.scheme_ = UrlRange(uri.scheme);
    std::transform(url.scheme_.begin(), url.scheme_.end(), url.scheme_.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
    const size_t fragment = std::min(encoded.find('#', authorityEnd), encoded.size());
    encoded.resize(fragment);
    url.target_ = encoded.substr(authorityEnd);
    if (!url.target_.starts_with('/')) {
        url.target_.insert(0, "/");
    }
    url.text_ = std::move(encoded);
    return url;
}

std::optional<Url> Url::Resolve(std::string_view reference) const {
    ParsedUri base(text_);
    ParsedUri relative(Encode(reference));
    const ParsedUri resolved(relative, base);
    const std::optional<std::string> text = resolved.ToText();
    if (!text) {
        return std::nullopt;
    }
    return Parse(*text);
}

std::string Url::Authority(int defaultPort) const {
    std::string authority = ipv6_ ? "[" + host_ + "]" : host_;
    if (port_ && *port_ != defaultPort) {
        authority += ":" + std::to_string(*port_);
    }
    return authority;
}

}  // namespace yomida

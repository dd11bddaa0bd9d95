#include "download/HttpCookieJar.h"

#include <algorithm>

#include "text/Sjis.h"

namespace yomida {

void HttpCookieJar::Set(const std::string& host, std::string_view setCookie) {
    // A value goes into later requests only up to its first control byte, so a server cannot
    // add lines of its own to them.
    const size_t control = std::find_if(setCookie.begin(), setCookie.end(),
                                        [](char c) {
                                            const auto b = static_cast<unsigned char>(c);
                                            return b < 0x20 || b == 0x7F;
                                        }) -
                           setCookie.begin();
    std::string_view value = setCookie.substr(0, control);
    Cookie cookie;
    size_t at = value.find(';');
    cookie.pair = TrimControls(value.substr(0, at));
    while (at != std::string_view::npos) {
        const size_t next = value.find(';', at + 1);
        const std::string_view attribute = value.substr(
            at + 1, next == std::string_view::npos ? std::string_view::npos : next - at - 1);
        cookie.secure = cookie.secure || AsciiLower(TrimControls(attribute)) == "secure";
        at = next;
    }
    if (!cookie.pair.empty()) {
        byHost_[AsciiLower(host)] = std::move(cookie);
    }
}

std::optional<std::string> HttpCookieJar::For(const std::string& host, bool secure) const {
    const auto found = byHost_.find(AsciiLower(host));
    if (found == byHost_.end() || (found->second.secure && !secure)) {
        return std::nullopt;
    }
    return found->second.pair;
}

}  // namespace yomida

#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace yomida {

// The cookies that redirects set, the last one per host: each goes back only to the host that
// set it, and one marked Secure only over https.
class HttpCookieJar {
public:
    // Takes the value of a Set-Cookie line that `host` sent; one without a name and value
    // changes nothing.
    void Set(const std::string& host, std::string_view setCookie);
    // The "name=value" to send in a request to `host`, or nothing.
    std::optional<std::string> For(const std::string& host, bool secure) const;

private:
    struct Cookie {
        std::string pair;
        bool secure = false;
    };
    std::map<std::string, Cookie> byHost_;  // host names in lower case
};

}  // namespace yomida

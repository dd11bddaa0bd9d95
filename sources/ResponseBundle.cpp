#include "sources/ResponseBundle.h"

#include "sources/DefinedSourceError.h"
#include "text/Numbers.h"

namespace yomida {
namespace {

constexpr std::string_view kBundleHead = "YOMIDA-RESPONSES 1\n";

}  // namespace

std::string JoinResponses(const std::vector<std::string>& responses) {
    size_t size = kBundleHead.size();
    for (const std::string& r : responses) {
        size += r.size() + 22;
    }
    std::string joined;
    joined.reserve(size);
    joined += kBundleHead;
    for (const std::string& r : responses) {
        joined += std::to_string(r.size());
        joined += '\n';
        joined += r;
        joined += '\n';
    }
    return joined;
}

std::vector<std::string_view> SplitResponses(std::string_view text) {
    if (!text.starts_with(kBundleHead)) {
        return {text};
    }
    std::vector<std::string_view> responses;
    text.remove_prefix(kBundleHead.size());
    while (!text.empty()) {
        const size_t lineEnd = text.find('\n');
        const std::string_view length = text.substr(0, lineEnd);
        if (lineEnd == std::string_view::npos || length.empty() || length.size() > 12 ||
            !AllDigits(length)) {
            throw DefinedSourceError("the joined responses are damaged: no length where response " +
                                     std::to_string(responses.size() + 1) + " should start");
        }
        const size_t bytes = std::stoull(std::string(length));
        text.remove_prefix(lineEnd + 1);
        if (bytes >= text.size() || text[bytes] != '\n') {
            throw DefinedSourceError("the joined responses are cut short in response " +
                                     std::to_string(responses.size() + 1));
        }
        responses.push_back(text.substr(0, bytes));
        text.remove_prefix(bytes + 1);
    }
    return responses;
}

}  // namespace yomida

#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace yomida {

// The responses of one fetch of a defined source, kept as one download file for the conversion
// that follows it: a first line "YOMIDA-RESPONSES 1", then each response as its length in bytes
// on a line of its own, its bytes and a line feed. The lengths make any bytes safe inside.
std::string JoinResponses(const std::vector<std::string>& responses);

// The responses of a joined text in order; a text that is no joined file is one response as it
// stands, so a single saved response converts as it is. Throws DefinedSourceError for a joined
// text that is cut short or damaged.
std::vector<std::string_view> SplitResponses(std::string_view text);

}  // namespace yomida

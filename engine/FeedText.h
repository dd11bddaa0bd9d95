#pragma once

#include <string>
#include <string_view>

namespace yomida {

// Text from a list or a state file as a calendar or a feed may hold it: well-formed UTF-8 (a
// malformed byte becomes U+FFFD) without control characters other than the tab and the line
// breaks. Neither format may hold the others, and a terminal showing the file would act on them.
std::string PrintableUtf8(std::string_view utf8);

}  // namespace yomida

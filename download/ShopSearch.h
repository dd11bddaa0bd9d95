#pragma once

#include <string>
#include <string_view>

namespace yomida {

// Escapes blank, "*", "#", "%", "<", ">" and every byte from 0x80 as "%" and two upper-case hex
// digits; every other byte passes unchanged.
std::string EscapeUrlText(std::string_view bytes);

// The shop's search URL for a CP932 text: each UTF-8 byte of the text ends up as %25 and its
// two hex digits.
std::string ShopSearchUrl(std::string_view cp932Text, const std::string& host,
                          const std::string& tag);

}  // namespace yomida

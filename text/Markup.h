#pragma once

#include <string>
#include <string_view>

namespace yomida {

// UTF-8 text as markup character data (an XML feed, or the body of a desktop notification, which
// servers may read as markup): the characters that start markup are escaped, and the control
// characters XML 1.0 cannot hold are left out, so one odd title never spoils the whole document.
std::string EscapeMarkup(std::string_view text);

}  // namespace yomida

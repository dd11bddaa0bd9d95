#pragma once

#include <string>
#include <string_view>

namespace yomida {

// UTF-8 text as markup character data (an XML feed, or the body of a desktop notification, which
// servers may read as markup): the characters that start markup are escaped, and the control
// characters XML 1.0 cannot hold are left out, so one odd title never spoils the whole document.
std::string EscapeMarkup(std::string_view text);

// Appends CP932 text taken from an HTML page to `out` with its character references decoded: the
// numeric ones ("&#39;", "&#x27;") and the named ones whose character CP932 has ("&quot;",
// "&hellip;"). A character comes out as the page's own text would after its conversion from
// Unicode, so one CP932 lacks becomes "?". A reference without its ";", or with a name HTML
// does not know, stays as it is written.
void DecodeCharacterReferences(std::string_view text, std::string& out);

}  // namespace yomida

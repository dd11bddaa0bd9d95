#pragma once

#include <string>
#include <string_view>

namespace yomida {

// Maps CP932 text to one canonical form: full-width ASCII look-alikes become ASCII, full-width
// Latin letters become upper-case ASCII, half-width katakana become full-width with a following
// voiced or semi-voiced mark merged in. Everything else is copied unchanged.
std::string NormaliseWidth(std::string_view text);

// The same, writing into `out` (replacing its contents) so a caller can reuse one buffer.
void NormaliseWidthInto(std::string_view text, std::string& out);
// The same, appending to `out`.
void NormaliseWidthAppend(std::string_view text, std::string& out);

}  // namespace yomida

#pragma once

#include <string>
#include <string_view>

namespace yomida {

// The program keeps its text as Windows-31J (CP932) bytes, where 0x5C is the backslash and
// 0x7E the tilde; these two functions are the only way across to Unicode.

// CP932 bytes to UTF-8. A byte sequence that forms no character becomes "?".
std::string Cp932ToUtf8(std::string_view cp932);

// UTF-8 to CP932. A character the code page lacks, or malformed UTF-8, becomes "?".
std::string Utf8ToCp932(std::string_view utf8);
// The same into `out` (replacing its contents), converting straight through without a copy of
// the whole text in UTF-16, for whole web pages.
void Utf8ToCp932Into(std::string_view utf8, std::string& out);

}  // namespace yomida

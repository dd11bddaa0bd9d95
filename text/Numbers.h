#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace yomida {

// A text that should have been a number and was not. what() is UTF-8.
class ConversionError : public std::runtime_error {
public:
    explicit ConversionError(std::string_view text);
};

// The whole text as a decimal integer (an optional sign, then digits); throws ConversionError.
int StrToInt(std::string_view text);
// The same, or nothing when the text is not a whole number.
std::optional<int> TryStrToInt(std::string_view text);
// Whether the text is one or more of the digits 0 to 9 and nothing else: no sign, no blank.
bool AllDigits(std::string_view text);

}  // namespace yomida

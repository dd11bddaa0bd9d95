#include "text/Numbers.h"

#include <charconv>

#include "platform/Cp932.h"
#include "text/Messages.h"

namespace yomida {

ConversionError::ConversionError(std::string_view text)
    : std::runtime_error("'" + Cp932ToUtf8(text) + "'" + MsgUtf8(Msg::NotAnInteger)) {}

std::optional<int> TryStrToInt(std::string_view text) {
    std::string_view digits = text;
    if (!digits.empty() && digits.front() == '+') {
        digits.remove_prefix(1);
    }
    int value = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size()) {
        return std::nullopt;
    }
    return value;
}

int StrToInt(std::string_view text) {
    const std::optional<int> value = TryStrToInt(text);
    if (!value) {
        throw ConversionError(text);
    }
    return *value;
}

bool AllDigits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

}  // namespace yomida

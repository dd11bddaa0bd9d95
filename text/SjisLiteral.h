#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

#include "platform/Cp932.h"

namespace yomida {

template <size_t N>
struct Utf8Literal {
    char text[N];
    constexpr Utf8Literal(const char (&s)[N]) { std::copy_n(s, N, text); }  // NOLINT: implicit
    constexpr std::string_view view() const { return {text, N - 1}; }
};

// "コミック"_sj is the CP932 form of a UTF-8 source literal, converted once on first use.
template <Utf8Literal L>
const std::string& operator""_sj() {
    static const std::string converted = Utf8ToCp932(L.view());
    return converted;
}

}  // namespace yomida

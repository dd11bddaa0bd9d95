#include "text/Numbers.h"

#include <gtest/gtest.h>

namespace yomida {
namespace {

TEST(Numbers, AllDigitsTakesNoSignBlankOrEmptyText) {
    EXPECT_TRUE(AllDigits("0"));
    EXPECT_TRUE(AllDigits("0305"));
    EXPECT_TRUE(AllDigits("99999999999999999999"));
    for (const char* text : {"", "+1", "-1", " 1", "1 ", "1a", "１"}) {
        EXPECT_FALSE(AllDigits(text)) << text;
    }
    // What TryStrToInt takes and AllDigits refuses.
    EXPECT_EQ(TryStrToInt("+15"), 15);
    EXPECT_EQ(TryStrToInt("-15"), -15);
}

}  // namespace
}  // namespace yomida

#include "platform/Cp932.h"

#include <gtest/gtest.h>

namespace yomida {
namespace {

TEST(Cp932, BackslashAndTildeAreAsciiNotYenAndOverline) {
    EXPECT_EQ(Utf8ToCp932("\\~"), "\x5C\x7E");
    EXPECT_EQ(Cp932ToUtf8("\x5C\x7E"), "\\~");
    EXPECT_EQ(Utf8ToCp932("＼"), "\x81\x5F");
    EXPECT_EQ(Utf8ToCp932("￥"), "\x81\x8F");
}

TEST(Cp932, JapaneseTextRoundTrips) {
    const std::string text = "まんが王倶楽部・ＢＬ　ｶﾞﾝﾀﾞﾑ【QZ日付】①～№";
    EXPECT_EQ(Cp932ToUtf8(Utf8ToCp932(text)), text);
    EXPECT_EQ(Utf8ToCp932("ア"), "\x83\x41");
    EXPECT_EQ(Utf8ToCp932("ｱ"), "\xB1");
}

TEST(Cp932, WaveDashFromLinuxInputReachesTheWindowsCodePoint) {
    EXPECT_EQ(Utf8ToCp932("\u301C"), "\x81\x60");
    EXPECT_EQ(Utf8ToCp932("\uFF5E"), "\x81\x60");
}

TEST(Cp932, UnmappableAndMalformedBecomeQuestionMarks) {
    EXPECT_EQ(Utf8ToCp932("a😀b"), "a?b");
    EXPECT_EQ(Utf8ToCp932("a\xFF"
                          "b"),
              "a?b");
    // A lead byte with an invalid trail byte, and a lead byte at the very end.
    EXPECT_EQ(Cp932ToUtf8("x\x81"), "x?");
    EXPECT_EQ(Cp932ToUtf8(""), "");
    EXPECT_EQ(Utf8ToCp932(""), "");
}

}  // namespace
}  // namespace yomida

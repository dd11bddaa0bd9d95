#include "text/NormaliseWidth.h"

#include <gtest/gtest.h>
#include <unicode/normalizer2.h>
#include <unicode/unistr.h>

#include "support/TestSupport.h"

namespace yomida {
namespace {

using test::Sj;

std::string Bytes(std::initializer_list<int> bytes) {
    std::string s;
    for (int b : bytes) {
        s += static_cast<char>(b);
    }
    return s;
}

// The full-width characters that become ASCII, by code.
const std::pair<int, char> kAsciiRows[] = {
    {0x8140, ' '}, {0x8144, '.'}, {0x8146, ':'}, {0x8147, ';'},  {0x8148, '?'},  {0x8149, '!'},
    {0x814F, '^'}, {0x815E, '/'}, {0x8162, '|'}, {0x8165, '\''}, {0x8166, '\''}, {0x8169, '('},
    {0x816A, ')'}, {0x816D, '['}, {0x816E, ']'}, {0x816F, '{'},  {0x8170, '}'},  {0x817B, '+'},
    {0x817C, '-'}, {0x8181, '='}, {0x8183, '<'}, {0x8184, '>'},  {0x818C, '\''}, {0x818F, '\\'},
    {0x8190, '$'}, {0x8193, '%'}, {0x8194, '#'}, {0x8195, '&'},  {0x8196, '*'},  {0x8197, '@'},
    {0x81AC, '='}};

TEST(NormaliseWidth, EveryFullWidthRowMapsToItsAsciiByte) {
    for (auto [code, ascii] : kAsciiRows) {
        EXPECT_EQ(NormaliseWidth(Bytes({code >> 8, code & 0xFF})), std::string(1, ascii))
            << std::hex << code;
    }
    for (int k = 0; k < 10; ++k) {
        EXPECT_EQ(NormaliseWidth(Bytes({0x82, 0x4F + k})), std::string(1, char('0' + k)));
    }
    for (int k = 0; k < 26; ++k) {
        EXPECT_EQ(NormaliseWidth(Bytes({0x82, 0x60 + k})), std::string(1, char('A' + k)));
        EXPECT_EQ(NormaliseWidth(Bytes({0x82, 0x81 + k})), std::string(1, char('A' + k)));
    }
}

TEST(NormaliseWidth, LookAlikesTheConvertersRelyOnStayFullWidth) {
    for (const char* kept : {"，", "、", "。", "・", "＼", "＿", "～", "“", "”", "【", "】", "「",
                             "」", "漢", "あ", "ア"}) {
        EXPECT_EQ(NormaliseWidth(Sj(kept)), Sj(kept)) << kept;
    }
}

// Unicode's compatibility normalisation turns half-width katakana into full-width ones and
// composes a voiced mark where a voiced letter exists: an independent oracle for the tables.
std::string Nfkc(std::string_view cp932) {
    UErrorCode err = U_ZERO_ERROR;
    const icu::Normalizer2* nfkc = icu::Normalizer2::getNFKCInstance(err);
    icu::UnicodeString u = icu::UnicodeString::fromUTF8(test::U8(cp932));
    std::string utf8;
    nfkc->normalize(u, err).toUTF8String(utf8);
    return Sj(utf8);
}

TEST(NormaliseWidth, HalfWidthKatakanaTablesMatchTheStandardCorrespondence) {
    for (int b = 0xA1; b <= 0xDD; ++b) {
        const std::string plain = Nfkc(Bytes({b}));
        ASSERT_EQ(plain.size(), 2u) << std::hex << b;
        EXPECT_EQ(NormaliseWidth(Bytes({b})), plain) << std::hex << b;
        EXPECT_EQ(NormaliseWidth(Bytes({b, 'x'})), plain + "x") << std::hex << b;
        for (int mark : {0xDE, 0xDF}) {
            // Where no composed letter exists the mark is absorbed into the plain form.
            std::string composed = Nfkc(Bytes({b, mark}));
            std::string expected = composed.size() == 2 ? composed : plain;
            EXPECT_EQ(NormaliseWidth(Bytes({b, mark})), expected) << std::hex << b << " " << mark;
        }
    }
}

TEST(NormaliseWidth, Examples) {
    EXPECT_EQ(NormaliseWidth(Sj("２００３年５月")), Sj("2003年5月"));
    EXPECT_EQ(NormaliseWidth(Sj("ＡＢＣａｂｃ")), "ABCABC");
    EXPECT_EQ(NormaliseWidth(Sj("ｶﾞﾝﾀﾞﾑ")), Sj("ガンダム"));
    EXPECT_EQ(NormaliseWidth(Sj("ﾊﾟﾝ")), Sj("パン"));
    EXPECT_EQ(NormaliseWidth(Sj("ｳﾞ")), Sj("ヴ"));
    EXPECT_EQ(NormaliseWidth(Sj("ｱﾞ")), Sj("ア"));
    EXPECT_EQ(NormaliseWidth("\xDE"), "\xDE");
    EXPECT_EQ(NormaliseWidth(Sj("１，０００円")), Sj("1，000円"));
    EXPECT_EQ(NormaliseWidth(Sj("￥１２００")), "\\1200");
    EXPECT_EQ(NormaliseWidth(Sj("a　b")), "a b");
}

TEST(NormaliseWidth, EdgesOfTheInput) {
    EXPECT_EQ(NormaliseWidth(""), "");
    const std::string ascii = "Plain ASCII, 0-9 & ~\\ \x01\x7F";
    EXPECT_EQ(NormaliseWidth(ascii), ascii);
    EXPECT_EQ(NormaliseWidth("a\x82"), "a\x82");  // lead byte in the last position
    EXPECT_EQ(NormaliseWidth("\xB1"), Sj("ア"));  // katakana byte in the last position
    EXPECT_EQ(NormaliseWidth("\xA0\xFD\xFE\xFF"), "\xA0\xFD\xFE\xFF");
    // The trail byte of a character is never read as a half-width katakana byte.
    EXPECT_EQ(NormaliseWidth("\x88\xB1"), "\x88\xB1");
}

}  // namespace
}  // namespace yomida

#include "text/Sjis.h"

#include <gtest/gtest.h>

#include "support/TestSupport.h"

namespace yomida {
namespace {

using test::Sj;

TEST(Sjis, SearchNeverStartsInsideADoubleByteCharacter) {
    // ア is 0x83 0x41: its trail byte is the letter A.
    EXPECT_EQ(FindSjis(Sj("ア"), "A"), std::string::npos);
    EXPECT_EQ(FindSjis(Sj("アA"), "A"), 2u);
    EXPECT_EQ(FindSjis(Sj("アアA"), "A"), 4u);
    // ソ ends in 0x5C.
    EXPECT_EQ(FindSjis(Sj("ソ\\"), "\\"), 2u);
    EXPECT_EQ(FindSjis(Sj("ワンピース"), Sj("ピース")), 4u);
    EXPECT_EQ(FindSjis("abc", ""), 0u);
    EXPECT_EQ(FindSjis("", "a"), std::string::npos);
}

TEST(Sjis, ReplaceAllIsCharacterAwareAndSinglePass) {
    // "@" (0x40) is also the trail byte of the full-width space 0x81 0x40.
    EXPECT_EQ(ReplaceAllSjis(Sj("a@　@"), "@", "#"), Sj("a#　#"));
    EXPECT_EQ(ReplaceAllSjis(Sj("a b　c"), " ", Sj("　")), Sj("a　b　c"));
    EXPECT_EQ(ReplaceAllSjis("aaa", "a", "aa"), "aaaaaa");
    EXPECT_EQ(ReplaceAllSjis("", "a", "b"), "");
}

TEST(Sjis, AnyCaseReplacementFoldsOnlySingleByteLetters) {
    EXPECT_EQ(ReplaceAllSjisNoCase("a<LI>b<li>c<Li>", "<li>", ""), "abc");
    EXPECT_EQ(ReplaceAllSjisNoCase(Sj("x&YEN;1　　2"), "&yen;", ""), Sj("x1　　2"));
    EXPECT_EQ(ReplaceAllSjisNoCase(Sj("a　　b"), Sj("　　"), ","), "a,b");
    // ヂ (0x83 0x61) must not match ア (0x83 0x41) by folding its trail byte.
    EXPECT_EQ(ReplaceAllSjisNoCase(Sj("ヂア"), Sj("ア"), "x"), Sj("ヂx"));
    // A match never starts on a trail byte: ア ends in the byte A.
    EXPECT_EQ(ReplaceAllSjisNoCase(Sj("アa"), "a", "b"), Sj("アb"));
}

TEST(Sjis, StripTagsInOnePass) {
    EXPECT_EQ(StripTags("<td>a</td><br>b"), "ab");
    EXPECT_EQ(StripTags("a > b <i>c</i>"), "a > b <i>c</i>") << "a > before the first < stops it";
    EXPECT_EQ(StripTags("x<unclosed"), "x<unclosed");
    std::string many;
    for (int i = 0; i < 100000; ++i) {
        many += "<b>x</b>";
    }
    EXPECT_EQ(StripTags(many), std::string(100000, 'x'));
}

TEST(Sjis, AnsiUpperTouchesOnlyAsciiLetters) {
    // ヂ is 0x83 0x61: its trail byte is the letter a, which must stay.
    std::string text = Sj("abcヂxyz{ａ");
    AnsiUpperInPlace(text);
    EXPECT_EQ(text, Sj("ABCヂXYZ{ａ"));
}

TEST(Sjis, TrimControlsRemovesBytesUpToSpace) {
    EXPECT_EQ(TrimControls(" \t\x01 a b \r\n"), "a b");
    EXPECT_EQ(TrimControls("   "), "");
    EXPECT_EQ(TrimControls(Sj("　x　")), Sj("　x　"));
}

}  // namespace
}  // namespace yomida

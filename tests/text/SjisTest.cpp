#include "text/Sjis.h"

#include <gtest/gtest.h>

#include <random>

#include "support/TestSupport.h"

namespace yomida {
namespace {

using test::Sj;

TEST(Sjis, AsciiCaseChangesLettersOnly) {
    EXPECT_EQ(AsciiLower("HTTPS Content-Type .CSV @[`{"), "https content-type .csv @[`{");
    EXPECT_EQ(AsciiUpper("booktown host-1 @[`{"), "BOOKTOWN HOST-1 @[`{");
    // Bytes above 0x7F stay as they are whatever the locale.
    EXPECT_EQ(AsciiLower("\xC4\xD6x.HTM"), "\xC4\xD6x.htm");
    EXPECT_EQ(AsciiUpper("\xe4\xf6X.htm"), "\xe4\xf6X.HTM");
}

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

// A character-by-character any-case replacement, as plain as it can be written, to check the
// fast search against.
std::string SlowReplaceNoCase(std::string_view text, std::string_view from, std::string_view to) {
    auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        bool match = i + from.size() <= text.size();
        for (size_t k = 0; match && k < from.size();) {
            if (IsLeadByte(static_cast<unsigned char>(from[k])) && k + 1 < from.size()) {
                match = text[i + k] == from[k] && text[i + k + 1] == from[k + 1];
                k += 2;
            } else {
                match = upper(text[i + k]) == upper(from[k]);
                ++k;
            }
        }
        if (match) {
            out.append(to);
            i += from.size();
            continue;
        }
        const size_t n = CharLength(text, i);
        out.append(text.substr(i, n));
        i += n;
    }
    return out;
}

TEST(Sjis, AnyCaseReplacementFindsOnlyCharacterStarts) {
    // Lead bytes in runs of every length before the pattern decide whether its "<" is a trail
    // byte or a character of its own.
    const char alphabet[] = {'\x81', '\x82', '\x9F', '\xE0', '<', 'l', 'I', '>', 'a', '\x40'};
    std::mt19937 random(5);
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        const size_t length = random() % 24;
        for (size_t i = 0; i < length; ++i) {
            text += alphabet[random() % sizeof alphabet];
        }
        for (const char* pattern : {"<li>", "<", "<\x81", ">a"}) {
            ASSERT_EQ(ReplaceAllSjisNoCase(text, pattern, "#"),
                      SlowReplaceNoCase(text, pattern, "#"))
                << round << " " << pattern;
        }
    }
}

}  // namespace
}  // namespace yomida

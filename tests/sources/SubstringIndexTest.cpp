#include "sources/SubstringIndex.h"

#include <gtest/gtest.h>

#include <random>

#include "text/Sjis.h"

namespace yomida {
namespace {

// Whatever the text and the needle, the index answers as FindSjis does: matches start on a
// character boundary, and a needle may end with the lead byte of a double-byte character.
TEST(SubstringIndex, AnswersAsFindSjisWhileTheTextGrows) {
    const std::vector<std::string> tokens = {"a",        "b",    "\x83",     "\x83\x41",
                                             "\x83\x83", "\x41", "\x81\x40", "\x82\x60",
                                             "\xE0",     "\xB6", "ab"};
    std::mt19937 random(15);
    SubstringIndex index;
    for (int trial = 0; trial < 400; ++trial) {
        index.Clear();
        const int pieces = 1 + static_cast<int>(random() % 12);
        for (int p = 0; p < pieces; ++p) {
            std::string piece;
            for (int t = static_cast<int>(random() % 4); t > 0; --t) {
                piece += tokens[random() % tokens.size()];
            }
            index.Append(piece);
            for (int q = 0; q < 20; ++q) {
                std::string needle;
                for (int t = 1 + static_cast<int>(random() % 3); t > 0; --t) {
                    needle += tokens[random() % tokens.size()];
                }
                if (random() % 2 == 0 && !index.Text().empty()) {
                    // A piece of the text itself, cut anywhere.
                    const size_t from = random() % index.Text().size();
                    needle = index.Text().substr(from, 1 + random() % 5);
                }
                ASSERT_EQ(index.Contains(needle),
                          FindSjis(index.Text(), needle) != std::string::npos)
                    << testing::PrintToString(index.Text()) << " "
                    << testing::PrintToString(needle);
            }
        }
    }
    EXPECT_TRUE(index.Contains(""));
}

}  // namespace
}  // namespace yomida

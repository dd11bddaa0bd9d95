#include "sources/TaiyoshaItem.h"

#include <gtest/gtest.h>

#include <random>

#include "support/TestSupport.h"

namespace yomida {
namespace {

// The count kept while an item grows must be the count of a split of the whole text, however
// the pieces cut "<li>", a kana and its sound mark, a double-byte character or a quoted field.
TEST(TaiyoshaItem, CountWhileGrowingEqualsTheSplitOfTheWhole) {
    const std::vector<std::string> tokens = {"<li>",
                                             "<LI",
                                             "<",
                                             "l",
                                             "I",
                                             ">",
                                             ",",
                                             " ",
                                             "\t",
                                             "\"",
                                             "\"\"",
                                             "\xB6",
                                             "\xCA",
                                             "\xDE",
                                             "\xDF",
                                             "\x82",
                                             "\x82\xA0",
                                             "\x81\x40",
                                             "\x81",
                                             "A",
                                             "\xA0",
                                             "\xE0",
                                             std::string(1, '\0'),
                                             test::Sj("　　"),
                                             test::Sj("ｶﾞ"),
                                             test::Sj("Ａ，"),
                                             "x,y,z"};
    std::mt19937 random(15);
    std::vector<std::string> fields;
    for (int trial = 0; trial < 4000; ++trial) {
        TaiyoshaItem item;
        item.Reset("<LI>");
        const int pieces = 1 + static_cast<int>(random() % 40);
        for (int p = 0; p < pieces; ++p) {
            std::string piece;
            const int count = static_cast<int>(random() % 6);
            for (int t = 0; t < count; ++t) {
                piece += tokens[random() % tokens.size()];
            }
            item.Append(piece);
            TaiyoshaItem::Split(item.Text(), fields);
            ASSERT_EQ(item.FieldCount(), fields.size()) << testing::PrintToString(item.Text());
        }
    }
    {
        TaiyoshaItem item;
        item.Reset("<LI>a,b,c,d,e,f");
        EXPECT_EQ(item.FieldCount(), 6u);
        item.Reset("<LI>a");
        EXPECT_EQ(item.FieldCount(), 1u) << "a new item starts afresh";
    }
}

}  // namespace
}  // namespace yomida

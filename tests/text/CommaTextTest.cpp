#include "text/CommaText.h"

#include <gtest/gtest.h>

#include "support/TestSupport.h"

namespace yomida {
namespace {

using Items = std::vector<std::string>;
using namespace std::string_literals;

TEST(CommaText, SeparatorsBlanksAndEmptyItems) {
    EXPECT_EQ(SplitCommaText(""), Items{});
    EXPECT_EQ(SplitCommaText("   "), Items{});
    EXPECT_EQ(SplitCommaText("a,b"), (Items{"a", "b"}));
    EXPECT_EQ(SplitCommaText("  a , b  "), (Items{"a", "b"}));
    EXPECT_EQ(SplitCommaText("a b\tc"), (Items{"a", "b", "c"}));
    EXPECT_EQ(SplitCommaText("a,,b"), (Items{"a", "", "b"}));
    EXPECT_EQ(SplitCommaText(","), (Items{"", ""}));
    EXPECT_EQ(SplitCommaText("a,"), (Items{"a", ""}));
    // A comma followed only by blanks gives no empty last item.
    EXPECT_EQ(SplitCommaText("a, "), (Items{"a"}));
}

TEST(CommaText, QuotedItemsSplitBackWhole) {
    for (const std::string& item : {""s, "plain"s, "a,b c"s, R"(say "hi")"s, "\"\""s, "tab\there"s,
                                    "line\r\nbreak"s, "\x83\x7b,\x83\x5c"s}) {
        std::string text = "x,";
        AppendQuoted(item, text);
        text += ",y";
        EXPECT_EQ(SplitCommaText(text), (Items{"x", item, "y"})) << text;
    }
    std::string quoted;
    AppendQuoted(R"(a"b)", quoted);
    EXPECT_EQ(quoted, R"("a""b")");
}

TEST(CommaText, QuotedItems) {
    EXPECT_EQ(SplitCommaText(R"("a,b c",d)"), (Items{"a,b c", "d"}));
    EXPECT_EQ(SplitCommaText(R"("say ""hi""")"), (Items{R"(say "hi")"}));
    EXPECT_EQ(SplitCommaText(R"("",x)"), (Items{"", "x"}));
    // Without its closing quote the item runs to the end of the text.
    EXPECT_EQ(SplitCommaText(R"(a,"open, to the end)"), (Items{"a", "open, to the end"}));
    // Text straight after a closing quote starts the next item.
    EXPECT_EQ(SplitCommaText(R"("ab"cd,e)"), (Items{"ab", "cd", "e"}));
}

TEST(CommaText, DoubleByteCharactersAndNul) {
    using test::Sj;
    // ソ has the trail byte 0x5C and 能 the trail byte 0x5C too; 　 is the full-width space.
    EXPECT_EQ(SplitCommaText(Sj("ソ能,表　示")), (Items{Sj("ソ能"), Sj("表　示")}));
    EXPECT_EQ(SplitCommaText(Sj("\"ソ\"\"\",x")), (Items{Sj("ソ\""), "x"}));
    // A lead byte in the last position stands alone and nothing is read past the end.
    EXPECT_EQ(SplitCommaText("ab\x81"), (Items{"ab\x81"}));
    EXPECT_EQ(SplitCommaText("\"a\x81"), (Items{"a\x81"}));
    // NUL ends the text.
    EXPECT_EQ(SplitCommaText("a,b\0c,d"s), (Items{"a", "b"}));
}

TEST(CommaText, AStampPrefixLeavesEveryCaptionInItsPlace) {
    const std::string stamp = "Mon, 5 \"x\" 2026\0y"s;
    const Items header = SplitCommaText(StampPrefix(stamp) + "No,□,出版社");
    EXPECT_EQ(header, (Items{"Mon, 5 \"x\" 2026y", "No", "□", "出版社"}));
}

TEST(CommaText, ReusedVectorIsReplaced) {
    Items items{"old", "stuff", "here"};
    SplitCommaText("x", items);
    EXPECT_EQ(items, Items{"x"});
}

}  // namespace
}  // namespace yomida

#include "text/Markup.h"

#include <gtest/gtest.h>

namespace yomida {
namespace {

TEST(Markup, EscapesWhatStartsMarkupAndDropsWhatXmlCannotHold) {
    EXPECT_EQ(EscapeMarkup("A&B <1> \"x\""), "A&amp;B &lt;1&gt; &quot;x&quot;");
    EXPECT_EQ(EscapeMarkup("行\t1\n行2"), "行\t1\n行2") << "tabs, line breaks and UTF-8 stay";
    EXPECT_EQ(EscapeMarkup(std::string("a\0b\x01\x1f"
                                       "c\r",
                                       7)),
              "abc");
}

}  // namespace
}  // namespace yomida

#include "text/Messages.h"

#include <gtest/gtest.h>

#include <set>

#include "platform/Cp932.h"

namespace yomida {
namespace {

TEST(Messages, EveryTextIsDistinctCp932ThatReadsBackUnchanged) {
    std::set<std::string> seen;
    for (size_t i = 0; i < kMsgCount; ++i) {
        const Msg id = static_cast<Msg>(i);
        SCOPED_TRACE(MsgUtf8(id));
        EXPECT_FALSE(MsgUtf8(id).empty());
        // A character CP932 lacks would have become "?" and would not read back.
        EXPECT_EQ(Cp932ToUtf8(MsgText(id)), MsgUtf8(id));
        EXPECT_TRUE(seen.insert(MsgText(id)).second) << "written twice";
        // Converted once: every call hands out the same string.
        EXPECT_EQ(&MsgText(id), &MsgText(id));
    }
}

}  // namespace
}  // namespace yomida

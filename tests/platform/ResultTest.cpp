#include "platform/Result.h"

#include <gtest/gtest.h>

#include <memory>

namespace yomida {
namespace {

enum class Why { kGone, kRefused };

Result<int, Why> Parse(int n) {
    if (n < 0) {
        return Failure<Why>{Why::kRefused, "negative"};
    }
    return n * 2;
}

TEST(Result, CarriesAValueOrAFailureWithItsCodeAndText) {
    const Result<int, Why> ok = Parse(21);
    ASSERT_TRUE(ok.Ok());
    EXPECT_EQ(*ok, 42);
    EXPECT_EQ(ok.ValueOr(0), 42);

    const Result<int, Why> refused = Parse(-1);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.ErrorCode(), Why::kRefused);
    EXPECT_EQ(refused.ErrorText(), "negative");
    EXPECT_EQ(refused.ValueOr(7), 7);

    // A value that cannot be copied moves out whole.
    Result<std::unique_ptr<int>> owned = std::make_unique<int>(5);
    const std::unique_ptr<int> taken = std::move(owned).Value();
    EXPECT_EQ(*taken, 5);

    const Result<std::string> text =
        Fail("\x83\x65\x83\x58\x83\x67");  // CP932 bytes kept as they are
    EXPECT_EQ(text.ErrorCode(), NoCode::kFailed);
    EXPECT_EQ(text.ErrorText(), "\x83\x65\x83\x58\x83\x67");

    const Result<void, Why> done;
    EXPECT_TRUE(done.Ok());
    const Result<void, Why> gone = Failure<Why>{Why::kGone, "gone"};
    EXPECT_FALSE(gone);
    EXPECT_EQ(gone.ErrorCode(), Why::kGone);
    EXPECT_EQ(gone.ErrorText(), "gone");
}

}  // namespace
}  // namespace yomida

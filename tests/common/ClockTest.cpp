#include "common/Clock.h"
#include "common/CheckedMath.h"

#include <gtest/gtest.h>

namespace folionix {
namespace {

TEST(Clock, HookPinsTimeAndFormatsPadTwoDigits) {
    SetClockHook([] { return LocalTime{2026, 3, 4, 5, 6, 7}; });
    const LocalTime now = CurrentLocalTime();
    EXPECT_EQ(FormatClockTime(now), "05:06:07");
    EXPECT_EQ(FormatDate(now), "03-04-2026");
    SetClockHook({});
    EXPECT_EQ(FormatClockTime(CurrentLocalTime()).size(), 8u);
}

TEST(CheckedMath, OverflowRaisesRunError) {
    EXPECT_EQ(CheckedMul(1000, 72, "w"), 72000);
    EXPECT_THROW(CheckedMul(40000000, 72, "w"), RunError);
    EXPECT_THROW(CheckedAdd(2147483647, 1, "n"), RunError);
    EXPECT_EQ(CheckedSub(-2147483647, 1, "n"), -2147483647 - 1);
    EXPECT_THROW(CheckedSub(-2147483647 - 1, 1, "n"), RunError);
}

} // namespace
} // namespace folionix

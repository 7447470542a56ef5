#include "common/Clock.h"
#include "common/CheckedMath.h"

#include <gtest/gtest.h>

namespace folionix {
namespace {

TEST(Clock, FormatsPadTwoDigits) {
    const LocalTime time{2026, 3, 4, 5, 6, 7};
    EXPECT_EQ(FormatClockTime(time), "05:06:07");
    EXPECT_EQ(FormatDate(time), "03-04-2026");
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

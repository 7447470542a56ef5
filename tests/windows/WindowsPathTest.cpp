#include "common/FileAccess.h"

#include <gtest/gtest.h>

namespace folionix {
namespace {

TEST(WindowsPaths, SeparatorIsBackslash) {
    EXPECT_EQ(kPathSeparator, '\\');
}

} // namespace
} // namespace folionix

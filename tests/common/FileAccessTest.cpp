#include "common/FileAccess.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace folionix {
namespace {

TEST(FileAccess, CreateWriteReadAndSizeThroughOneHandle) {
    test::TempDir dir;
    const std::string path = dir.File("a.bin");
    auto file = File::Open(path, File::Mode::CreateTruncate);
    ASSERT_TRUE(file.has_value());
    EXPECT_EQ(file->Size(), 0);
    ASSERT_TRUE(file->WriteAt(0, std::string_view("hello")));
    ASSERT_TRUE(file->WriteAt(5, std::string_view(" world")));
    EXPECT_EQ(file->Size(), 11);
    std::array<std::uint8_t, 5> word{};
    ASSERT_TRUE(file->ReadExactlyAt(6, word));
    EXPECT_EQ(std::string(word.begin(), word.end()), "world");
    // Past the end: a short read, not a failure of the platform call.
    std::array<std::uint8_t, 8> tail{};
    EXPECT_EQ(file->ReadAt(8, tail), 3);
    EXPECT_FALSE(file->ReadExactlyAt(8, tail));
}

TEST(FileAccess, ModesOnMissingFilesAndFolders) {
    test::TempDir dir;
    EXPECT_FALSE(File::Open(dir.File("missing"), File::Mode::Read).has_value());
    EXPECT_FALSE(File::Open(dir.Path().string(), File::Mode::Read).has_value());
    EXPECT_FALSE(File::Open("", File::Mode::Read).has_value());
    // ReadWrite creates a missing file empty; CreateTruncate empties an existing one.
    auto created = File::Open(dir.File("new"), File::Mode::ReadWrite);
    ASSERT_TRUE(created.has_value());
    EXPECT_EQ(created->Size(), 0);
    test::WriteText(dir.File("full"), "12345");
    auto truncated = File::Open(dir.File("full"), File::Mode::CreateTruncate);
    ASSERT_TRUE(truncated.has_value());
    EXPECT_EQ(truncated->Size(), 0);
}

TEST(FileAccess, NonAsciiNamesRoundTrip) {
    test::TempDir dir;
    const std::string path = dir.File("\xC3\xA9t\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC.jpg");
    test::WriteText(path, "xyz");
    auto file = File::Open(path, File::Mode::Read);
    ASSERT_TRUE(file.has_value());
    EXPECT_EQ(file->Size(), 3);
    EXPECT_EQ(Utf8FromPath(PathFromUtf8(path)), path);
}

TEST(FileAccess, MovedFromHandleDoesNotCloseTwice) {
    test::TempDir dir;
    auto first = File::Open(dir.File("m"), File::Mode::CreateTruncate);
    ASSERT_TRUE(first.has_value());
    File second = std::move(*first);
    EXPECT_TRUE(second.WriteAt(0, std::string_view("x")));
    EXPECT_EQ(second.Size(), 1);
}

} // namespace
} // namespace folionix

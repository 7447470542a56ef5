#include "common/FileAccess.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
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

TEST(FileAccess, AppendGoesToTheEndAndCreatesMissingFiles) {
    test::TempDir dir;
    const std::string path = dir.File("log.txt");
    test::WriteText(path, "abc");
    {
        auto file = File::Open(path, File::Mode::Append);
        ASSERT_TRUE(file.has_value());
        EXPECT_EQ(file->Size(), -1);
        ASSERT_TRUE(file->Append("de"));
        ASSERT_TRUE(file->Append(""));
        ASSERT_TRUE(file->Append("f"));
    }
    EXPECT_EQ(test::ReadText(path), "abcdef");
    auto fresh = File::Open(dir.File("new.txt"), File::Mode::Append);
    ASSERT_TRUE(fresh.has_value());
    ASSERT_TRUE(fresh->Append("x"));
    EXPECT_EQ(test::ReadText(dir.File("new.txt")), "x");
    EXPECT_FALSE(File::Open(dir.Path().string(), File::Mode::Append).has_value());
}

TEST(FileAccess, NamesWithANulOrBeyondTheShortBufferOpenAsTheyShould) {
    test::TempDir dir;
    test::WriteText(dir.File("a"), "1");
    EXPECT_FALSE(File::Open(dir.File("a") + std::string(1, '\0') + "b", File::Mode::Read));
#ifndef _WIN32
    // A name longer than the stack buffer for names: nested folders, each name short. (Windows
    // names go through wide paths, and such lengths need long-path support there.)
    std::string folder = dir.Path().string();
    while (folder.size() < 1100) {
        folder += "/" + std::string(60, 'd');
        std::filesystem::create_directory(PathFromUtf8(folder));
    }
    const std::string path = folder + "/long.bin";
    test::WriteText(path, "long");
    auto file = File::Open(path, File::Mode::Read);
    ASSERT_TRUE(file.has_value());
    EXPECT_EQ(file->Size(), 4);
#endif
}

// The copy between two files inside the operating system, and what it says when it is off.
TEST(FileAccess, CopyRangeToCopiesTheRangeOrSaysItCannot) {
    test::TempDir dir;
    std::string bytes;
    for (int i = 0; i < 100000; ++i) {
        bytes.push_back(static_cast<char>((i * 131) % 251));
    }
    test::WriteText(dir.File("src"), bytes);
    test::WriteText(dir.File("dst"), "head");
    auto source = File::Open(dir.File("src"), File::Mode::Read);
    auto destination = File::Open(dir.File("dst"), File::Mode::ReadWrite);
    ASSERT_TRUE(source && destination);

    SetKernelCopyEnabled(false);
    EXPECT_EQ(source->CopyRangeTo(7, *destination, 4, 10), File::KernelCopy::Unsupported);
    SetKernelCopyEnabled(true);
    EXPECT_EQ(destination->Size(), 4);

    const File::KernelCopy result = source->CopyRangeTo(7, *destination, 4, 70000);
    if (result == File::KernelCopy::Unsupported) {
        GTEST_SKIP() << "no copy between files in the operating system here";
    }
    ASSERT_EQ(result, File::KernelCopy::Done);
    EXPECT_EQ(destination->Size(), 70004);
    EXPECT_EQ(test::ReadText(dir.File("dst")), "head" + bytes.substr(7, 70000));
    // Past the end of the source: the copy cannot finish.
    EXPECT_EQ(source->CopyRangeTo(99990, *destination, 70004, 20), File::KernelCopy::SourceEnded);
}

} // namespace
} // namespace folionix

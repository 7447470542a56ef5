// File access, the clock's text and 32-bit checked arithmetic.
#include "common/CheckedMath.h"
#include "common/Clock.h"
#include "common/FileAccess.h"
#include "common/PendingFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <filesystem>

#ifndef _WIN32
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif

namespace folionix {
namespace {

// One handle creates, writes, reads and sizes. Read opens only an existing regular file;
// ReadWrite and Append create a missing one, CreateTruncate empties an existing one; Append writes
// at the end without taking the length. Non-ASCII names, and names longer than the stack buffer.
TEST(FileAccess, OpenModesOneHandlesReadsAndWritesAndLongOrNonAsciiNames) {
    test::TempDir dir;
    auto file = File::Open(dir.File("a.bin"), File::Mode::CreateTruncate);
    ASSERT_TRUE(file && file->Size() == 0 && file->WriteAt(0, std::string_view("hello")) &&
                file->WriteAt(5, " world") && file->Size() == 11);
    std::array<std::uint8_t, 8> bytes{};
    EXPECT_TRUE(file->ReadExactlyAt(3, bytes) &&
                std::string(bytes.begin(), bytes.end()) == "lo world");
    // Past the end: a short read, not a failure of the platform call.
    EXPECT_TRUE(file->ReadAt(8, bytes) == 3 && !file->ReadExactlyAt(4, bytes));
    EXPECT_TRUE(!file->Truncate(-1) && file->Truncate(4) && file->Size() == 4);
    const std::string full = dir.File("\xC3\xA9t\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC.jpg");
    test::WriteText(full, "12345");
    EXPECT_EQ(Utf8FromPath(PathFromUtf8(full)), full);
    for (const std::string& path :
         {dir.File("missing"), dir.Path().string(), std::string(), full + std::string(1, '\0')}) {
        EXPECT_FALSE(File::Open(path, File::Mode::Read)) << path;
    }
    EXPECT_FALSE(File::Open(dir.Path().string(), File::Mode::Append));
    EXPECT_EQ(File::Open(dir.File("new"), File::Mode::ReadWrite)->Size(), 0);
    auto appending = File::Open(full, File::Mode::Append);
    ASSERT_TRUE(appending && appending->Append("67") && appending->Append("") &&
                appending->Size() == -1);
    EXPECT_EQ(File::Open(full, File::Mode::Read)->Size(), 7);
#ifndef _WIN32
    // Longer than the stack buffer for names (Windows would need long-path support).
    const std::string longName = std::string(full).insert(full.rfind('/'), 1100, '/');
    EXPECT_EQ(File::Open(longName, File::Mode::Read)->Size(), 7);
#endif
    EXPECT_EQ(File::Open(full, File::Mode::CreateTruncate)->Size(), 0);
    EXPECT_TRUE(File::Open(dir.File("log"), File::Mode::Append)->Append("x"));
}

// The copy inside the operating system answers Done, SourceEnded once it has copied something,
// and otherwise Unsupported: switched off, not available, or nothing left to copy (the buffer
// then finds out why).
TEST(FileAccess, CopyRangeToCopiesOrSaysWhyNot) {
    test::TempDir dir;
    const std::string bytes = std::string(50000, 'a') + std::string(50000, 'b');
    test::WriteText(dir.File("src"), bytes);
    test::WriteText(dir.File("dst"), "head");
    auto source = File::Open(dir.File("src"), File::Mode::Read);
    auto destination = File::Open(dir.File("dst"), File::Mode::ReadWrite);
    ASSERT_TRUE(source && destination);
    SetKernelCopyEnabled(false);
    EXPECT_EQ(source->CopyRangeTo(7, *destination, 4, 10), File::KernelCopy::Unsupported);
    SetKernelCopyEnabled(true);
    if (source->CopyRangeTo(7, *destination, 4, 70000) == File::KernelCopy::Unsupported) {
        GTEST_SKIP() << "no copy between files in the operating system here";
    }
    EXPECT_EQ(test::ReadText(dir.File("dst")), "head" + bytes.substr(7, 70000));
    EXPECT_EQ(source->CopyRangeTo(99990, *destination, 70004, 20), File::KernelCopy::SourceEnded);
    errno = EINTR; // a stale error from before the call must not make it try again forever
    EXPECT_EQ(source->CopyRangeTo(100000, *destination, 0, 5), File::KernelCopy::Unsupported);
}

// A signal removes the document being written, and only while it is being written: once renamed
// into place, a later file under its temporary name is not the run's.
TEST(PendingFile, TheSignalRemovesOnlyTheDocumentBeingWritten) {
    test::TempDir dir;
    PendingFile gone(dir.File("a.pdf"));
    ASSERT_TRUE(gone.Created());
    RemovePendingFileNow();
    EXPECT_FALSE(std::filesystem::exists(PathFromUtf8(gone.TemporaryPath())));
    PendingFile kept(dir.File("a.pdf"));
    ASSERT_TRUE(kept.Commit());
    test::WriteText(kept.TemporaryPath(), "another run's");
    RemovePendingFileNow();
    EXPECT_EQ(test::ReadText(kept.TemporaryPath()) + test::ReadText(dir.File("a.pdf")),
              "another run's");
}

#ifndef _WIN32
// What a path names when it is not a regular file, for the message that leaves it out.
TEST(FileAccess, DescribeFileTypeNamesWhatIsNotAFile) {
    test::TempDir dir;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    dir.File("socket").copy(address.sun_path, sizeof address.sun_path - 1);
    const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(socket);
    ASSERT_EQ(::mkfifo(dir.File("pipe").c_str(), 0600), 0);
    std::string kinds;
    for (const std::string& path : {dir.File(""), dir.File("pipe"), dir.File("socket"),
                                    std::string("/dev/null"), dir.File("missing")}) {
        kinds += DescribeFileType(path) + "|";
    }
    EXPECT_EQ(kinds + DescribeOpenFailure(dir.File("socket")),
              "a folder|a named pipe|a socket|a device||not a regular file: a socket");
}
#endif

// Two digits each, the year's two pairs too.
TEST(Clock, DateAndTimeInTwoDigitFields) {
    const LocalTime time{2026, 3, 4, 15, 6, 7};
    EXPECT_EQ(FormatDate(time) + " " + FormatClockTime(time), "03-04-2026 15:06:07");
}

TEST(CheckedMath, ResultsOutside32BitsEndTheRun) {
    EXPECT_EQ(CheckedMul(1000, 72, "w"), 72000);
    EXPECT_EQ(CheckedAdd(2147483646, 1, "n"), 2147483647);
    EXPECT_EQ(CheckedSub(-2147483647, 1, "n"), -2147483647 - 1);
    EXPECT_THROW(CheckedMul(40000000, 72, "w"), RunError);
    EXPECT_THROW(CheckedAdd(2147483647, 1, "n"), RunError);
    EXPECT_THROW(CheckedSub(-2147483647 - 1, 1, "n"), RunError);
}

} // namespace
} // namespace folionix

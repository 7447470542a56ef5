// What holds only on Windows: drive roots, a file system that ignores letter case, and non-ASCII
// names read and written through wide paths. The core's own tables (list entries, dropped paths)
// run under Wine too, with backslash folders; here each path form is wired through once.
#include "support/FakeHost.h"
#include "support/ImageBytes.h"
#include "support/ListState.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace folionix::test {
namespace {

using namespace std::string_literals;

// Windows opens PHOTO.JPG when asked for photo.jpg: other spellings find the entry listed. "D:"
// gets its backslash; per-image documents are named folder + image name + ".PDF", in a drive's
// root too (the Wine runner maps a writable D: to a scratch folder).
TEST(WindowsPaths, ChosenFilesIgnoreLetterCaseTravelAsWidePathsAndReachDriveRoots) {
    TempDir dir;
    const std::string folder = Utf8FromPath(dir.Path() / PathFromUtf8("\xC3\xA9t\xC3\xA9")) + "\\";
    const std::string jp2 = "\xE6\x97\xA5\xE6\x9C\xAC \xC3\xB8.jp2"; // "日本 ø.jp2"
    std::filesystem::create_directory(PathFromUtf8(folder));
    WriteBytes(folder + "photo.jpg", MakeJpeg(10, 10, 72));
    WriteBytes(folder + jp2, MakeJp2(64, 32));
    FakeHost host;
    AddDroppedFiles(host, DropData{false, "", {folder + "photo.jpg", folder + "PHOTO.JPG"}});
    AddSelectedFiles(host, folder.substr(0, folder.size() - 1), {"Photo.Jpg", jp2}, 2);
    EXPECT_EQ(State(host.list), "photo.jpg|" + jp2);
    EXPECT_EQ(host.list.ItemText(1), jp2 + "\t\t\t\t\t" + folder);
    const std::string pdf = "r\xC3\xA9sum\xC3\xA9 \xE2\x82\xAC.pdf"; // "résumé €.pdf"
    EXPECT_TRUE(CreateSinglePdf(host.With("O=" + folder + ";N=" + pdf)));
    EXPECT_EQ(ReadText(folder + pdf).rfind("%PDF-1.3", 0), 0u);
    if (const char* drive = std::getenv("FOLIONIX_SCRATCH_DRIVE"); !drive || drive != "D:"s) {
        GTEST_SKIP() << "no scratch drive D: (FOLIONIX_SCRATCH_DRIVE)";
    }
    EXPECT_TRUE(CreateMultiplePdfs(host.With("O=D:"))); // a bare drive gets its backslash
    EXPECT_TRUE(std::filesystem::remove(PathFromUtf8("D:\\photo.jpg.PDF")) &&
                std::filesystem::remove(PathFromUtf8("D:\\" + jp2 + ".PDF")));
}

} // namespace
} // namespace folionix::test

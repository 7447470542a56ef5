// What holds only on Windows: backslash folders, drive roots, a file system that ignores letter
// case, and non-ASCII names read and written through wide paths. The core's own tables run
// elsewhere; here each path form is wired through once.
#include "common/FileAccess.h"
#include "conversion/ListBox.h"
#include "conversion/modFolionix.h"
#include "conversion/modForms.h"
#include "dialogs/modCmDlgDLL.h"
#include "support/ImageBytes.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

namespace folionix {
namespace {

using namespace std::string_literals;
using namespace test;

class Host final : public ConversionHost {
public:
    std::map<SettingsField, std::string> fields = {
        {SettingsField::OutputPath, ""},    {SettingsField::PageWidth, "8.5"},
        {SettingsField::FileName, "a.pdf"}, {SettingsField::PageHeight, "11"},
        {SettingsField::MarginTop, "0"},    {SettingsField::MarginBottom, "0"},
        {SettingsField::MarginLeft, "0"},   {SettingsField::MarginRight, "0"}};
    bool single = true;
    ImageListModel list;
    std::vector<std::string> messages;

    std::string FieldText(SettingsField field) const override { return fields.at(field); }
    bool IsSpecifyPageSize() const override { return true; }
    bool IsSinglePdf() const override { return single; }
    bool IsCentered() const override { return true; }
    CheckState ShrinkCheckState() const override { return CheckState::Checked; }
    ListBox& ImageList() override { return list; }
    void ShowMessage(const std::string& text, int, const std::string&) override {
        messages.push_back(text);
    }
};

TEST(WindowsPaths, ListEntriesAndDialogAnswersKeepBackslashFoldersAndDriveRoots) {
    std::string name, folder;
    SplitListEntry("x.jp2\t\t\t\t\t  C:\\Scans  ", name, folder);
    EXPECT_EQ(folder, "C:\\Scans\\");
    std::vector<std::string> names;
    std::int32_t count = 0;
    const std::string buffer = "C:\\\0y.jpg\0x.jpg\0\0"s + std::string(8000, ' ');
    EXPECT_TRUE(ReadOpenFilesAnswer(ReadResultStrings(buffer), folder, names, count));
    EXPECT_EQ(folder, "C:\\");
    EXPECT_EQ(names, (std::vector<std::string>{"x.jpg", "y.jpg"}));
    Host host;
    AddDroppedFiles(host, DropData{false, "", {"C:\\my.scans\\page"}});
    EXPECT_EQ(host.messages,
              std::vector<std::string>{"Unable to load image file: C:\\my.scans\\page"});
}

// Windows opens PHOTO.JPG when asked for photo.jpg: other spellings find the entry listed.
TEST(WindowsPaths, DroppedAndChosenFilesIgnoreLetterCaseAndTravelAsWidePaths) {
    TempDir dir;
    const std::string folder =
        Utf8FromPath(dir.Path() / PathFromUtf8("Fotos \xC3\xA9t\xC3\xA9")) + "\\";
    const std::string jp2 = "\xE6\x97\xA5\xE6\x9C\xAC \xC3\xB8.jp2"; // "日本 ø.jp2"
    std::filesystem::create_directory(PathFromUtf8(folder));
    WriteBytes(folder + "photo.jpg", MakeJpeg(10, 10, 72));
    WriteBytes(folder + jp2, MakeJp2(64, 32));
    Host host;
    AddDroppedFiles(host, DropData{false, "", {folder + "photo.jpg", folder + "PHOTO.JPG"}});
    AddSelectedFiles(host, folder.substr(0, folder.size() - 1), {"Photo.Jpg", jp2}, 2);
    EXPECT_TRUE(host.messages.empty());
    ASSERT_EQ(host.list.ListCount(), 2);
    EXPECT_EQ(host.list.ItemText(0), "photo.jpg\t\t\t\t\t" + folder);
    EXPECT_EQ(host.list.ItemText(1), jp2 + "\t\t\t\t\t" + folder);
    host.fields[SettingsField::OutputPath] = folder;
    host.fields[SettingsField::FileName] =
        "r\xC3\xA9sum\xC3\xA9 \xE2\x82\xAC.pdf"; // "résumé €.pdf"
    EXPECT_TRUE(CreateSinglePdf(host));
    EXPECT_EQ(ReadText(folder + host.fields[SettingsField::FileName]).rfind("%PDF-1.3", 0), 0u);
}

// "C:" gets its backslash; per-image documents are named folder + image name + ".PDF". The Wine
// runner maps a writable D: to a scratch folder.
TEST(WindowsPaths, BareDriveAndPerImageDocuments) {
    const char* drive = std::getenv("FOLIONIX_SCRATCH_DRIVE");
    if (drive == nullptr || std::string(drive) != "D:" ||
        !File::Open("C:\\folionix-probe", File::Mode::CreateTruncate)) {
        GTEST_SKIP() << "no writable C:\\ and scratch drive D: (FOLIONIX_SCRATCH_DRIVE)";
    }
    std::filesystem::remove("C:\\folionix-probe");
    std::error_code ignored;
    std::filesystem::remove_all("D:\\Out", ignored);
    ASSERT_TRUE(std::filesystem::create_directory("D:\\Out"));
    TempDir dir;
    WriteBytes(dir.File("a.jpg"), MakeJpeg(30, 20, 72));
    WriteBytes(dir.File("c.J2K"), MakeJ2k(30, 20));
    Host host;
    host.fields[SettingsField::OutputPath] = "C:";
    host.fields[SettingsField::FileName] = "folionix-drive-root.pdf";
    for (const char* name : {"a.jpg", "c.J2K"}) {
        host.list.AddItem(ImageListEntry(name, Utf8FromPath(dir.Path()) + "\\"));
    }
    EXPECT_TRUE(CreateSinglePdf(host));
    EXPECT_TRUE(std::filesystem::remove("C:\\folionix-drive-root.pdf"));
    host.single = false;
    host.fields[SettingsField::OutputPath] = "D:\\Out";
    EXPECT_TRUE(CreateMultiplePdfs(host));
    std::vector<std::string> written;
    for (const auto& entry : std::filesystem::directory_iterator("D:\\Out")) {
        written.push_back(Utf8FromPath(entry.path()));
    }
    std::sort(written.begin(), written.end());
    EXPECT_EQ(written, (std::vector<std::string>{"D:\\Out\\a.jpg.PDF", "D:\\Out\\c.J2K.PDF"}));
    std::filesystem::remove_all("D:\\Out", ignored);
}

} // namespace
} // namespace folionix

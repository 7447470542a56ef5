// The two builds with Windows output folders: a bare drive "C:" gets its backslash, per-image
// documents are named folder + image name + ".PDF", and non-ASCII names travel as wide paths.
#include "common/FileAccess.h"
#include "conversion/ListBox.h"
#include "conversion/modFolionix.h"
#include "support/TestSupport.h"
#include "windows/ImageFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace folionix {
namespace {

// The window's controls as plain values, with the window's defaults.
class TestHost final : public ConversionHost {
public:
    std::map<SettingsField, std::string> fields = {
        {SettingsField::OutputPath, ""},    {SettingsField::PageWidth, "8.5"},
        {SettingsField::FileName, "a.pdf"}, {SettingsField::PageHeight, "11"},
        {SettingsField::MarginTop, "0"},    {SettingsField::MarginBottom, "0"},
        {SettingsField::MarginLeft, "0"},   {SettingsField::MarginRight, "0"}};
    bool single = true;
    ImageListModel list;

    std::string FieldText(SettingsField field) const override { return fields.at(field); }
    bool IsSpecifyPageSize() const override { return true; }
    bool IsSinglePdf() const override { return single; }
    bool IsCentered() const override { return true; }
    CheckState ShrinkCheckState() const override { return CheckState::Checked; }
    ListBox& ImageList() override { return list; }
    void ShowMessage(const std::string&, int, const std::string&) override {}
};

bool Exists(const std::string& utf8Path) {
    return File::Open(utf8Path, File::Mode::Read).has_value();
}

bool Contains(const std::vector<std::uint8_t>& haystack, const std::vector<std::uint8_t>& needle) {
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) !=
           haystack.end();
}

std::string UniqueName(const std::string& stem) {
    std::random_device random;
    return stem + "-" + std::to_string(random()) + ".pdf";
}

TEST(WindowsSinglePdf, BareDriveOutputFolderGetsItsBackslash) {
    test::TempDir dir;
    const std::vector<std::uint8_t> jpeg = test::MakeJpeg(144, 72, 72);
    test::WriteBytes(dir.File("p.jpg"), jpeg);
    const std::string fileName = UniqueName("folionix-drive-root");
    const std::string expected = "C:\\" + fileName;
    {
        // The root of C: is not writable for every Windows user; under Wine it is.
        auto probe = File::Open(expected, File::Mode::CreateTruncate);
        if (!probe) {
            GTEST_SKIP() << "C:\\ is not writable here";
        }
    }
    std::filesystem::remove(PathFromUtf8(expected));

    TestHost host;
    host.fields[SettingsField::OutputPath] = "C:";
    host.fields[SettingsField::FileName] = fileName;
    host.list.AddItem(ImageListEntry("p.jpg", Utf8FromPath(dir.Path())));
    static_cast<void>(CreateSinglePdf(host));

    const std::vector<std::uint8_t> pdf = test::ReadBytes(expected);
    std::filesystem::remove(PathFromUtf8(expected));
    ASSERT_FALSE(pdf.empty()) << expected;
    EXPECT_TRUE(Contains(pdf, jpeg));
}

// D:\Out needs a drive D: that may be written; the Wine runner maps one to a scratch folder.
TEST(WindowsMultiplePdfs, DocumentsAreNamedAfterTheImageWithPdfAppended) {
    const char* drive = std::getenv("FOLIONIX_SCRATCH_DRIVE");
    if (drive == nullptr || std::string(drive) != "D:") {
        GTEST_SKIP() << "no scratch drive D: (FOLIONIX_SCRATCH_DRIVE)";
    }
    std::error_code ignored;
    std::filesystem::remove_all("D:\\Out", ignored);
    ASSERT_TRUE(std::filesystem::create_directory("D:\\Out"));

    test::TempDir dir;
    const std::string folder = Utf8FromPath(dir.Path());
    test::WriteBytes(dir.File("a.jpg"), test::MakeJpeg(30, 20, 72));
    test::WriteBytes(dir.File("b.jp2"), test::MakeJp2(30, 20));
    test::WriteBytes(dir.File("c.J2K"), test::MakeJ2k(30, 20));
    TestHost host;
    host.single = false;
    host.fields[SettingsField::OutputPath] = "D:\\Out";
    host.fields[SettingsField::FileName] = "ignored?*.pdf";
    for (const char* name : {"a.jpg", "b.jp2", "c.J2K"}) {
        host.list.AddItem(ImageListEntry(name, folder + "\\"));
    }
    static_cast<void>(CreateMultiplePdfs(host));

    std::vector<std::string> written;
    for (const auto& entry : std::filesystem::directory_iterator("D:\\Out")) {
        written.push_back(Utf8FromPath(entry.path()));
    }
    std::sort(written.begin(), written.end());
    EXPECT_EQ(written, (std::vector<std::string>{"D:\\Out\\a.jpg.PDF", "D:\\Out\\b.jp2.PDF",
                                                 "D:\\Out\\c.J2K.PDF"}));
    for (const std::string& path : written) {
        const std::string text = test::ReadText(path);
        EXPECT_EQ(text.rfind("%PDF-1.3", 0), 0u) << path;
        EXPECT_NE(text.find("/I1 "), std::string::npos) << path;
    }
    std::filesystem::remove_all("D:\\Out", ignored);
}

TEST(WindowsSinglePdf, NonAsciiFoldersAndNamesOnBothSides) {
    test::TempDir dir;
    const std::string folderName = "Fotos \xC3\xA9t\xC3\xA9";            // "Fotos été"
    const std::string imageName = "\xE6\x97\xA5\xE6\x9C\xAC.jpg";        // "日本.jpg"
    const std::string pdfName = "r\xC3\xA9sum\xC3\xA9 \xE2\x82\xAC.pdf"; // "résumé €.pdf"
    std::filesystem::create_directory(dir.Path() / PathFromUtf8(folderName));
    const std::string folder = Utf8FromPath(dir.Path() / PathFromUtf8(folderName));
    const std::vector<std::uint8_t> jpeg = test::MakeJpeg(200, 100, 150);
    test::WriteBytes(folder + "\\" + imageName, jpeg);

    TestHost host;
    host.fields[SettingsField::OutputPath] = folder;
    host.fields[SettingsField::FileName] = pdfName;
    host.list.AddItem(ImageListEntry(imageName, folder + "\\"));
    EXPECT_TRUE(CreateSinglePdf(host));
    const std::vector<std::uint8_t> pdf = test::ReadBytes(folder + "\\" + pdfName);
    ASSERT_FALSE(pdf.empty());
    EXPECT_TRUE(Contains(pdf, jpeg));

    host.single = false;
    EXPECT_TRUE(CreateMultiplePdfs(host));
    EXPECT_TRUE(Exists(folder + "\\" + imageName + ".PDF"));
}

} // namespace
} // namespace folionix

#include "ConversionFixtures.h"

#include "common/FileAccess.h"
#include "conversion/modConforming.h"
#include "conversion/modFolionix.h"
#include "imaging/ImageHeader.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

namespace folionix::test {
namespace {

std::size_t CountOf(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

class BuildTest : public ::testing::Test {
protected:
    BuildTest() {
        host.times = {LocalTime{2026, 3, 4, 10, 0, 0}};
        std::filesystem::create_directory(dir.Path() / "in");
        std::filesystem::create_directory(dir.Path() / "out");
        inFolder = Utf8FromPath(dir.Path() / "in") + kPathSeparator;
        outFolder = Utf8FromPath(dir.Path() / "out") + kPathSeparator;
        host.fields[SettingsField::OutputPath] = outFolder;
    }

    void AddImage(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        WriteBytes(inFolder + name, bytes);
        host.list.AddItem(Entry(name, inFolder));
    }

    TempDir dir;
    FakeHost host;
    std::string inFolder;
    std::string outFolder;
};

TEST_F(BuildTest, SinglePdfNamesImagesByListIndexAndEmbedsEachBeforeItsPage) {
    AddImage("wide.jpg", MakeJpeg(3000, 2000, 300));
    AddImage("square.J2K", MakeJ2k(100, 100));
    EXPECT_TRUE(CreateSinglePdf(host));

    const std::string pdf = ReadText(outFolder + "JPEG_Output.PDF");
    ASSERT_FALSE(pdf.empty());
    EXPECT_EQ(CountOf(pdf, "/Type /Page\n"), 2u);
    EXPECT_EQ(CountOf(pdf, "/Filter /DCTDecode"), 1u);
    EXPECT_EQ(CountOf(pdf, "/Filter /JPXDecode"), 1u);
    // The worked example: 612 x 408 with its bottom edge at 192, then 100 x 100 centred.
    const std::size_t first =
        pdf.find("q\n1 0 0 1 0 192.0 cm\n612.0 0 0 408.0 0 0 cm\n/I0 Do\nQ\n");
    const std::size_t second =
        pdf.find("q\n1 0 0 1 256.0 346.0 cm\n100.0 0 0 100.0 0 0 cm\n/I1 Do\nQ\n");
    ASSERT_NE(first, std::string::npos);
    ASSERT_NE(second, std::string::npos);
    EXPECT_LT(first, second);
    EXPECT_LT(pdf.find("/DCTDecode"), pdf.find("/MediaBox"));
    EXPECT_LT(pdf.find("/JPXDecode"), pdf.rfind("/MediaBox"));
    EXPECT_GT(pdf.find("/JPXDecode"), pdf.find("/MediaBox"));
}

// Each file's header is walked once when it is listed and once when its page is built, whatever
// the plan, and for one document or one per image.
TEST_F(BuildTest, EachHeaderIsWalkedOnceWhenListedAndOnceWhenBuilt) {
    for (const OutputPlan* plan : {&WindowPlan(), &ConformingPlan()}) {
        for (const bool single : {true, false}) {
            host.plan = plan;
            host.singlePdf = single;
            host.list = ImageListModel();
            DropData drop;
            for (const char* name : {"a.jpg", "b.jp2", "c.j2k"}) {
                WriteBytes(inFolder + name, std::string(name) == "a.jpg"   ? MakeJpeg(64, 48, 72)
                                            : std::string(name) == "b.jp2" ? MakeJp2(64, 48)
                                                                           : MakeJ2k(64, 48));
                drop.files.push_back(inFolder + name);
            }
            const std::uint64_t before = HeaderWalkCount();
            AddDroppedFiles(host, drop);
            ASSERT_EQ(host.list.ListCount(), 3);
            EXPECT_EQ(RunConversion(host).outcome, RunOutcome::Completed);
            EXPECT_EQ(HeaderWalkCount() - before, 6u);
        }
    }
}

TEST_F(BuildTest, OutputFolderGetsItsSeparatorAndFileNameIsUsedAsTyped) {
    AddImage("a.jpg", MakeJpeg(10, 10, 72));
    host.fields[SettingsField::OutputPath] = Utf8FromPath(dir.Path() / "out");
    host.fields[SettingsField::FileName] = "report";
    EXPECT_TRUE(CreateSinglePdf(host));
    EXPECT_TRUE(std::filesystem::exists(dir.Path() / "out" / "report"));
}

TEST_F(BuildTest, SettingsAreReadOnceAndPageOptionsForEveryEntry) {
    AddImage("a.jpg", MakeJpeg(10, 10, 72));
    AddImage("b.jpg", MakeJpeg(20, 10, 72));
    AddImage("c.jpg", MakeJpeg(30, 10, 72));
    host.reads.clear();
    host.events.clear();
    CreateSinglePdf(host);
    auto reads = [&](SettingsField field) {
        return std::count(host.reads.begin(), host.reads.end(), field);
    };
    EXPECT_EQ(reads(SettingsField::OutputPath), 1);
    EXPECT_EQ(reads(SettingsField::FileName), 1);
    EXPECT_EQ(reads(SettingsField::MarginTop), 1);
    EXPECT_EQ(reads(SettingsField::MarginRight), 1);
    EXPECT_EQ(reads(SettingsField::PageWidth), 3);
    EXPECT_EQ(reads(SettingsField::PageHeight), 3);
    EXPECT_EQ(std::count(host.events.begin(), host.events.end(), "shrink"), 3);
    EXPECT_EQ(std::count(host.events.begin(), host.events.end(), "position"), 3);
}

TEST_F(BuildTest, EntryThatNoLongerReadsIsLeftOutWithAMessageNamingIt) {
    AddImage("a.jpg", MakeJpeg(10, 10, 72));
    host.list.AddItem(Entry("gone.jpg", inFolder));
    AddImage("text.jpg", std::vector<std::uint8_t>{'h', 'i', '\n'});
    const RunReport report = RunConversion(host);
    EXPECT_EQ(report.outcome, RunOutcome::Completed);
    EXPECT_EQ(report.imagesLeftOut, 2);
    ASSERT_EQ(host.messages.size(), 3u);
    EXPECT_EQ(host.messages[0].text,
              "Unable to load image file: " + inFolder + "gone.jpg (No such file or directory)");
    EXPECT_EQ(host.messages[1].text.rfind("Unable to load image file: " + inFolder + "text.jpg", 0),
              0u);
    const std::string pdf = ReadText(outFolder + "JPEG_Output.PDF");
    EXPECT_EQ(CountOf(pdf, "/Type /Page\n"), 1u);
    EXPECT_EQ(CountOf(pdf, "/Subtype /Image"), 1u);
}

TEST_F(BuildTest, MultiplePdfsAreNamedAfterEachImageAndUseI1) {
    AddImage("a.jpg", MakeJpeg(10, 10, 72));
    AddImage("b.jp2", MakeJp2(20, 20));
    AddImage("c.J2K", MakeJ2k(30, 30));
    host.singlePdf = false;
    host.fields[SettingsField::FileName] = "";
    EXPECT_TRUE(CreateMultiplePdfs(host));

    std::vector<std::string> written;
    for (const auto& item : std::filesystem::directory_iterator(dir.Path() / "out")) {
        written.push_back(Utf8FromPath(item.path().filename()));
    }
    std::sort(written.begin(), written.end());
    EXPECT_EQ(written, (std::vector<std::string>{"a.jpg.PDF", "b.jp2.PDF", "c.J2K.PDF"}));
    for (const std::string& name : written) {
        const std::string pdf = ReadText(outFolder + name);
        EXPECT_EQ(CountOf(pdf, "/Type /Page\n"), 1u) << name;
        EXPECT_EQ(CountOf(pdf, "/I1 Do"), 1u) << name;
        EXPECT_EQ(pdf.find("/I0"), std::string::npos) << name;
    }
    EXPECT_NE(ReadText(outFolder + "b.jp2.PDF").find("/JPXDecode"), std::string::npos);
}

TEST_F(BuildTest, SameFileNameFromTwoFoldersLeavesOneDocument) {
    AddImage("a.jpg", MakeJpeg(10, 10, 72));
    std::filesystem::create_directory(dir.Path() / "other");
    const std::string other = Utf8FromPath(dir.Path() / "other") + kPathSeparator;
    WriteBytes(other + "a.jpg", MakeJpeg(40, 40, 72));
    host.list.AddItem(Entry("a.jpg", other));
    host.singlePdf = false;
    CreateMultiplePdfs(host);
    const std::string pdf = ReadText(outFolder + "a.jpg.PDF");
    EXPECT_NE(pdf.find("/Width 40"), std::string::npos);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path() / "out"),
                            std::filesystem::directory_iterator()),
              1);
}

TEST_F(BuildTest, MatchImageSizeGivesEachDocumentItsOwnPage) {
    AddImage("a.jpg", MakeJpeg(2000, 1000, 200));
    AddImage("b.jpg", MakeJpeg(100, 50, 0));
    host.singlePdf = false;
    host.specifyPageSize = false;
    for (SettingsField f : {SettingsField::MarginTop, SettingsField::MarginBottom,
                            SettingsField::MarginLeft, SettingsField::MarginRight}) {
        host.fields[f] = "0.5";
    }
    CreateMultiplePdfs(host);
    EXPECT_NE(ReadText(outFolder + "a.jpg.PDF").find("/MediaBox [0 0 792 432]"), std::string::npos);
    EXPECT_NE(ReadText(outFolder + "b.jpg.PDF").find("/MediaBox [0 0 172 122]"), std::string::npos);
    EXPECT_NE(ReadText(outFolder + "a.jpg.PDF").find("q\n1 0 0 1 36.0 36.0 cm\n720.0 0 0 360.0"),
              std::string::npos);
}

} // namespace
} // namespace folionix::test

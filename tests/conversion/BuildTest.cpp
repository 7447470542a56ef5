// Both builds and the run around them, on image files made in code.
#include "common/FileAccess.h"
#include "conversion/modConforming.h"
#include "conversion/modFolionix.h"
#include "imaging/ImageHeader.h"
#include "support/FakeHost.h"
#include "support/ImageBytes.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace folionix::test {
namespace {

namespace fs = std::filesystem;

class Build : public ::testing::Test {
protected:
    Build() {
        host.times = {LocalTime{2026, 1, 2, 9, 15, 2}, LocalTime{2026, 1, 2, 9, 15, 4}};
        fs::create_directories(dir.Path() / "out");
        host.fields[SettingsField::OutputPath] = out; // the build adds the separator
    }
    void AddImage(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        WriteBytes(in + name, bytes);
        host.list.AddItem(Entry(name, in));
    }
    // The documents in out/, each with the lines that place its images, in order.
    std::string Written() const {
        const std::set<fs::path> files{fs::directory_iterator(dir.Path() / "out"), {}};
        std::string text;
        for (const fs::path& file : files) {
            std::istringstream lines(ReadText(Utf8FromPath(file)));
            text += Utf8FromPath(file.filename()) + ":";
            for (std::string line; std::getline(lines, line);) {
                for (const char* key : {"/Filter", "/Width", "/MediaBox", " cm", " Do"}) {
                    text += line.find(key) != std::string::npos ? " " + line : "";
                }
            }
            text += "\n";
        }
        return text;
    }

    TempDir dir;
    FakeHost host;
    std::string in = Utf8FromPath(dir.Path()) + kPathSeparator;
    std::string out = Utf8FromPath(dir.Path() / "out");
};

// Images are embedded before their page and named by list index; an entry that no longer reads
// is left out with a message naming it, and its index is not reused.
TEST_F(Build, SinglePdfOfTheListUnderTheNameAsTyped) {
    AddImage("wide.jpg", MakeJpeg(3000, 2000, 300));
    host.list.AddItem(Entry("gone.jpg", in));
    AddImage("square.J2K", MakeJ2k(100, 100));
    AddImage("text.jpg", std::vector<std::uint8_t>{'h', 'i', '\n'});
    host.fields[SettingsField::FileName] = "report";
    const RunReport report = RunConversion(host);
    EXPECT_TRUE(report.outcome == RunOutcome::Completed && !report.writerFailed &&
                report.imagesLeftOut == 2);
    const std::string done = "Done creating PDF.  Duration:  09:15:02 - 09:15:04";
    EXPECT_EQ(report.completionText, done);
    EXPECT_EQ(host.Shown(), "Unable to load image file: " + in +
                                "gone.jpg (No such file or directory)|48|Image Error\n" +
                                "Unable to load image file: " + in +
                                "text.jpg (no longer a valid image header)|48|Image Error\n" +
                                done + "|0|Folionix\n");
    // The worked example: 612 x 408 with its bottom edge at 192, then 100 x 100 centred.
    EXPECT_EQ(Written(), "report: /Filter /DCTDecode /Width 3000 /MediaBox [0 0 612 792] 1 0 0 1 0 "
                         "192.0 cm 612.0 0 0 408.0 0 0 cm /I0 Do /Filter /JPXDecode /Width 100 "
                         "/MediaBox [0 0 612 792] 1 0 0 1 256.0 346.0 cm 100.0 0 0 100.0 0 0 cm "
                         "/I2 Do\n");
}

// One document per image, named after it, its image always I1, its page its own size; a file
// name met twice leaves the later image's document.
TEST_F(Build, MultiplePdfsAreNamedAfterEachImage) {
    AddImage("a.jpg", MakeJpeg(2000, 1000, 200));
    AddImage("b.jp2", MakeJp2(100, 50));
    fs::create_directory(dir.Path() / "other");
    AddImage("c.J2K", MakeJ2k(30, 30));
    const std::string other = in + "other" + kPathSeparator;
    WriteBytes(other + "c.J2K", MakeJ2k(40, 40));
    host.list.AddItem(Entry("c.J2K", other));
    host.With("N=;T=0.5;B=0.5;L=0.5;R=0.5").singlePdf = false;
    host.specifyPageSize = false;
    EXPECT_EQ(RunConversion(host).completionText,
              "Done creating PDFs.  Duration:  09:15:02 - 09:15:04");
    EXPECT_EQ(Written(), "a.jpg.PDF: /Filter /DCTDecode /Width 2000 /MediaBox [0 0 792 432] 1 0 0 "
                         "1 36.0 36.0 cm 720.0 0 0 360.0 0 0 cm /I1 Do\n"
                         "b.jp2.PDF: /Filter /JPXDecode /Width 100 /MediaBox [0 0 172 122] 1 0 0 "
                         "1 36.0 36.0 cm 100.0 0 0 50.0 0 0 cm /I1 Do\n"
                         "c.J2K.PDF: /Filter /JPXDecode /Width 40 /MediaBox [0 0 112 112] 1 0 0 1 "
                         "36.0 36.0 cm 40.0 0 0 40.0 0 0 cm /I1 Do\n");
}

// Each file's header is walked once when it is listed and once when its page is built, whatever
// the plan, and for one document or one per image. For a JPEG with a JFIF density in inches, no
// EXIF and an end marker, the conforming plan's document is the window's, byte for byte.
TEST_F(Build, EachHeaderIsWalkedOnceWhenListedAndOnceWhenBuilt) {
    WriteBytes(in + "a.jpg", MakeJpeg(64, 48, 144, 1));
    WriteBytes(in + "b.jp2", MakeJp2(64, 48));
    WriteBytes(in + "c.j2k", MakeJ2k(64, 48));
    std::string window;
    for (const int run : {0, 1, 2, 3}) {
        host.plan = run < 2 ? &WindowPlan() : &ConformingPlan();
        host.singlePdf = run % 2 == 0;
        host.list = ImageListModel();
        const std::uint64_t before = HeaderWalkCount();
        AddDroppedFiles(host, DropData{false, "", {in + "a.jpg", in + "b.jp2", in + "c.j2k"}});
        std::string failure = "stale"; // a build that succeeds clears it
        EXPECT_TRUE(host.singlePdf ? CreateSinglePdf(host, &failure)
                                   : CreateMultiplePdfs(host, &failure));
        EXPECT_EQ(failure + std::to_string(HeaderWalkCount() - before), "6") << run;
        window = run == 1 ? ReadText(out + kPathSeparator + "a.jpg.PDF") : window;
    }
    EXPECT_NE(window.find("/ColorSpace /DeviceGray\n"), std::string::npos);
    EXPECT_EQ(ReadText(out + kPathSeparator + "a.jpg.PDF"), window);
}

// A check that fails starts no build; an error that ends the run is reported, not shown, and
// leaves no document.
TEST_F(Build, RejectedOrFailedRunsWriteNothing) {
    AddImage("a.jpg", MakeJpeg(100, 100, 72));
    AddImage("b.jpg", MakeJpeg(100, 100, 72));
    const std::string missing = dir.File("missing") + kPathSeparator;
    const std::string cannot = "Cannot create " + missing;
    // The fields changed, one document, and the failure (empty: rejected by the checks).
    const std::tuple<std::string, bool, std::string> rows[] = {
        {"N=bad|name", true, ""},
        {"W=1e30", true, "Overflow: page width does not fit in 32 bits"},
        {"O=" + missing, true, cannot + "JPEG_Output.PDF: No such file or directory"},
        {"O=" + missing, false, cannot + "a.jpg.PDF: No such file or directory"},
    };
    for (const auto& [changes, single, failure] : rows) {
        FakeHost run = host;
        run.With(changes).singlePdf = single;
        const RunReport report = RunConversion(run);
        EXPECT_EQ(report.outcome, failure.empty() ? RunOutcome::Rejected : RunOutcome::Failed);
        EXPECT_EQ(report.failure, failure);
        EXPECT_FALSE(report.refusedBeforeWriting);
        EXPECT_EQ(run.messages.size(), failure.empty() ? 1u : 0u) << run.Shown();
    }
    EXPECT_EQ(Written(), "");
    EXPECT_FALSE(fs::exists(PathFromUtf8(missing)));
}

} // namespace
} // namespace folionix::test

// The built folionix-cli on images made by Debian tools, its documents checked with qpdf and
// pdfinfo.
#include "common/FileAccess.h"
#include "conversion/modFolionix.h"
#include "support/FakeHost.h"
#include "support/Pictures.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace folionix::test {
namespace {

namespace fs = std::filesystem;

class CliEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
#ifdef _WIN32
        GTEST_SKIP() << "the end-to-end checks use POSIX tools";
#endif
        for (const char* tool : {"cjpeg", "opj_compress", "convert", "qpdf", "pdfinfo"}) {
            if (!HaveTool(tool)) {
                GTEST_SKIP() << tool << " missing";
            }
        }
        WritePicture(picture, 96, 64, false, false);
    }

    // Runs the program in the test's folder with the arguments (quoted for the shell).
    int Run(const std::vector<std::string>& arguments) {
        std::string command =
            "cd " + ShellQuote(dir.File("")) + " && " + ShellQuote(FOLIONIX_CLI_PATH);
        for (const std::string& argument : arguments) {
            command += " " + ShellQuote(argument);
        }
        const int code = RunCommand(command + " 2>" + ShellQuote(dir.File("err.txt")), &out);
        err = ReadText(dir.File("err.txt"));
        return code;
    }

    // The picture as each kind of image, in the test's folder; the names in order.
    std::vector<std::string> EveryKind() {
        EXPECT_TRUE(Cjpeg(picture, dir.File("rgb.jpg")));
        EXPECT_TRUE(Cjpeg(picture, dir.File("gray.jpeg"), "-grayscale"));
        EXPECT_TRUE(Cjpeg(picture, dir.File("progressive.Jpg"), "-progressive"));
        EXPECT_EQ(RunCommand("convert " + ShellQuote(picture) +
                             " -colorspace CMYK jpeg:" + ShellQuote(dir.File("cmyk.jpe"))),
                  0);
        EXPECT_TRUE(OpjCompress(picture, dir.File("picture.jp2")));
        EXPECT_TRUE(OpjCompress(picture, dir.File("code.j2k")));
        fs::rename(dir.Path() / "code.j2k", PathFromUtf8(dir.File("été 1.J2K")));
        return {"rgb.jpg", "gray.jpeg", "progressive.Jpg", "cmyk.jpe", "picture.jp2", "été 1.J2K"};
    }

    void ExpectValid(const std::string& pdf) {
        std::string output;
        EXPECT_EQ(RunCommand("qpdf --check " + ShellQuote(dir.File(pdf)) + " 2>&1", &output), 0)
            << output;
        EXPECT_NE(output.find("No syntax or stream encoding errors"), std::string::npos) << output;
    }

    TempDir dir;
    std::string picture = dir.File("picture.ppm");
    std::string out;
    std::string err;
};

// The date and times in a document's third line, blanked.
std::string WithoutDate(std::string pdf) {
    const std::size_t at = pdf.find("%-[");
    return at == std::string::npos ? pdf : pdf.replace(at, 25, 25, '.');
}

// As the window, the program writes the window's bytes; by default each page renders as the
// image decoded.
TEST_F(CliEndToEnd, EveryKindOfImageInOneDocument) {
    const std::vector<std::string> images = EveryKind();
    std::vector<std::string> arguments = {"--as-window", "-f", "window.pdf"};
    arguments.insert(arguments.end(), images.begin(), images.end());
    ASSERT_EQ(Run(arguments), 0) << err;
    EXPECT_EQ(err, "");
    EXPECT_EQ(out.rfind("Done creating PDF.  Duration:  ", 0), 0u) << out;
    EXPECT_EQ(out.size(), 51u) << out;

    FakeHost host;
    host.fields[SettingsField::OutputPath] = dir.File("");
    host.fields[SettingsField::FileName] = "core.pdf";
    DropData drop;
    for (const std::string& image : images) {
        drop.files.push_back(dir.File(image));
    }
    AddDroppedFiles(host, drop);
    ASSERT_EQ(RunConversion(host).outcome, RunOutcome::Completed);
    const std::string window = ReadText(dir.File("window.pdf"));
    EXPECT_EQ(window.substr(0, 30), ReadText(dir.File("core.pdf")).substr(0, 30));
    EXPECT_TRUE(WithoutDate(window) == WithoutDate(ReadText(dir.File("core.pdf"))));

    // By default, into a folder and from a file named beyond ASCII, with the document's
    // information beyond ASCII too (how each page renders is the conforming tests' to judge).
    fs::create_directory(PathFromUtf8(dir.File("dossier ü")));
    arguments = {"--match-image-size", "-o",         "dossier ü/d.pdf", "--title", "Été à Zürich ☃",
                 "--author",           "A (B) \\ C", "--keywords",      "😀"};
    arguments.insert(arguments.end(), images.begin(), images.end());
    ASSERT_EQ(Run(arguments), 0) << err;
    ExpectValid("dossier ü/d.pdf");
    std::string info;
    ASSERT_EQ(RunCommand("pdfinfo " + ShellQuote(dir.File("dossier ü/d.pdf")), &info), 0);
    for (const char* line : {"Title:           Été à Zürich ☃\n", "Author:          A (B) \\ C\n",
                             "Keywords:        😀\n", "Pages:           6\n"}) {
        EXPECT_NE(info.find(line), std::string::npos) << line << info;
    }
    EXPECT_EQ(info.find("Subject:"), std::string::npos) << info;
}

} // namespace
} // namespace folionix::test

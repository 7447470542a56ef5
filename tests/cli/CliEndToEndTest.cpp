// The built folionix-cli on images made by Debian tools, its documents checked with qpdf,
// pdfimages and pdftoppm.
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
        for (const char* tool : {"cjpeg", "djpeg", "opj_compress", "convert", "qpdf", "pdfimages",
                                 "pdfinfo", "pdftoppm"}) {
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
        fs::rename(dir.Path() / "code.j2k", dir.Path() / "code.J2K");
        return {"rgb.jpg", "gray.jpeg", "progressive.Jpg", "cmyk.jpe", "picture.jp2", "code.J2K"};
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

    arguments = {"--match-image-size", "-o",         "default.pdf", "--title", "Été à Zürich ☃",
                 "--author",           "A (B) \\ C", "--keywords",  "😀"};
    arguments.insert(arguments.end(), images.begin(), images.end());
    ASSERT_EQ(Run(arguments), 0) << err;
    ExpectValid("default.pdf");
    std::string info;
    ASSERT_EQ(RunCommand("pdfinfo " + ShellQuote(dir.File("default.pdf")), &info), 0);
    for (const char* line : {"Title:           Été à Zürich ☃\n", "Author:          A (B) \\ C\n",
                             "Keywords:        😀\n", "Pages:           6\n"}) {
        EXPECT_NE(info.find(line), std::string::npos) << line << info;
    }
    EXPECT_EQ(info.find("Subject:"), std::string::npos) << info;
    std::string listed;
    ASSERT_EQ(RunCommand("pdfimages -list " + ShellQuote(dir.File("default.pdf")), &listed), 0);
    EXPECT_EQ(std::count(listed.begin(), listed.end(), '\n'), 8) << listed;
    ASSERT_EQ(RunCommand("cd " + ShellQuote(dir.File("")) +
                         " && pdftoppm -r 72 default.pdf page 2>/dev/null"),
              0);
    for (const char* name : {"rgb", "gray"}) {
        ASSERT_EQ(RunCommand("cd " + ShellQuote(dir.File("")) + " && djpeg " + name + ".j* > " +
                             name + ".pnm"),
                  0);
    }
    // Page by page, the picture it should show (the CMYK page is the conforming tests' to judge).
    const std::string references[] = {"rgb.pnm", "gray.pnm",    "rgb.pnm",
                                      "",        "picture.ppm", "picture.ppm"};
    for (int page = 1; page <= 6; ++page) {
        const std::string reference = references[page - 1];
        Picture rendered;
        Picture expected;
        ASSERT_TRUE(ReadPnm(dir.File("page-" + std::to_string(page) + ".ppm"), rendered)) << page;
        if (!reference.empty()) {
            ASSERT_TRUE(ReadPnm(dir.File(reference), expected)) << reference;
            EXPECT_GT(Psnr(rendered, expected), 30) << images[std::size_t(page) - 1];
        }
    }
}

TEST_F(CliEndToEnd, MultipleWritesOneDocumentPerImageNamedAfterIt) {
    ASSERT_TRUE(Cjpeg(picture, dir.File("a.Jpg")));
    ASSERT_TRUE(OpjCompress(picture, dir.File("b.jp2")));
    ASSERT_TRUE(OpjCompress(picture, dir.File("c.j2k")));
    fs::rename(dir.Path() / "c.j2k", PathFromUtf8(dir.File("été 1.J2K")));
    fs::create_directory(PathFromUtf8(dir.File("dossier ü")));
    ASSERT_EQ(Run({"--multiple", "-o", "dossier ü", "a.Jpg", "b.jp2", "été 1.J2K"}), 0) << err;
    EXPECT_EQ(out.rfind("Done creating PDFs.  Duration:  ", 0), 0u) << out;
    std::vector<std::string> names;
    for (const auto& item : fs::directory_iterator(PathFromUtf8(dir.File("dossier ü")))) {
        names.push_back(Utf8FromPath(item.path().filename()));
        ExpectValid("dossier ü/" + names.back());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"a.Jpg.PDF", "b.jp2.PDF", "été 1.J2K.PDF"}));
}

// One run for each exit code, and the message on standard error.
TEST_F(CliEndToEnd, ExitCodesAndMessages) {
    ASSERT_TRUE(Cjpeg(picture, dir.File("-a.jpg")));
    const std::string folder = dir.File("");
    struct Row {
        std::vector<std::string> arguments;
        int code;
        std::string error;
    };
    const Row rows[] = {
        {{"-o", "x.pdf", "--", "-a.jpg"}, 0, ""},
        {{"--width", "0", "--", "-a.jpg"},
         1,
         "the page width must be greater than 0 (--width 0)\n"},
        {{}, 2, "no IMAGE given\nTry 'folionix-cli --help'.\n"},
        {{"-o", "y.pdf", "missing.jpg", "--", "-a.jpg"},
         3,
         "left out " + folder + "missing.jpg: No such file or directory\n"},
        {{"-o", "no/x.pdf", "--", "-a.jpg"},
         4,
         "Cannot create no/x.pdf: No such file or directory\n"},
        {{"--as-window", "-W", "1e30", "--", "-a.jpg"},
         4,
         "Overflow: page width does not fit in 32 bits\n"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(Run(row.arguments), row.code) << row.error;
        EXPECT_EQ(err, row.error.empty() ? "" : "folionix-cli: " + row.error);
    }
    EXPECT_TRUE(fs::exists(dir.Path() / "x.pdf") && fs::exists(dir.Path() / "y.pdf"));
    EXPECT_FALSE(fs::exists(dir.Path() / "JPEG_Output.PDF"));
}

} // namespace
} // namespace folionix::test

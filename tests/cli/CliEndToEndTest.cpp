// The built folionix-cli on images made by Debian tools, its documents checked with qpdf and
// pdfinfo.
#include "common/FileAccess.h"
#include "conversion/modFolionix.h"
#include "support/FakeHost.h"
#include "support/ImageBytes.h"
#include "support/Pictures.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace folionix::test {
namespace {

namespace fs = std::filesystem;

// The date and times in a document's third line, blanked.
std::string WithoutDate(std::string pdf) {
    const std::size_t at = pdf.find("%-[");
    return at == std::string::npos ? pdf : pdf.replace(at, 25, 25, '.');
}

// Every kind of image in one document. As the window, the program writes the bytes the core
// writes for the window; by default, into a folder and from a file named beyond ASCII, a valid
// document with its information beyond ASCII too and each page the image's size (how each page
// renders is the conforming tests' to judge).
TEST(CliEndToEnd, EveryKindOfImageInOneDocument) {
#ifdef _WIN32
    GTEST_SKIP() << "the end-to-end checks use POSIX tools";
#endif
    for (const char* tool : {"cjpeg", "opj_compress", "convert", "qpdf", "pdfinfo"}) {
        if (!HaveTool(tool)) {
            GTEST_SKIP() << tool << " missing";
        }
    }
    TempDir dir;
    const std::string picture = dir.File("picture.ppm");
    WritePicture(picture, 96, 64, false, false);
    ASSERT_TRUE(Cjpeg(picture, dir.File("rgb.jpg")) &&
                Cjpeg(picture, dir.File("gray.jpeg"), "-grayscale") &&
                Cjpeg(picture, dir.File("progressive.Jpg"), "-progressive") &&
                OpjCompress(picture, dir.File("picture.jp2")) &&
                OpjCompress(picture, dir.File("code.j2k")));
    ASSERT_EQ(RunCommand("convert " + ShellQuote(picture) +
                         " -colorspace CMYK jpeg:" + ShellQuote(dir.File("cmyk.jpe"))),
              0);
    fs::rename(dir.Path() / "code.j2k", PathFromUtf8(dir.File("été 1.J2K")));
    fs::create_directory(PathFromUtf8(dir.File("dossier ü")));
    const std::vector<std::string> images = {"rgb.jpg",  "gray.jpeg",   "progressive.Jpg",
                                             "cmyk.jpe", "picture.jp2", "été 1.J2K"};
    // Runs the program in the folder; stdout, then stderr after a "|".
    const auto run = [&](std::string command) {
        for (const std::string& image : images) {
            command += " " + ShellQuote(image);
        }
        std::string out;
        const int code = RunCommand("cd " + ShellQuote(dir.File("")) + " && " +
                                        ShellQuote(FOLIONIX_CLI_PATH) + " " + command + " 2>err",
                                    &out);
        return std::to_string(code) + " " + out + "|" + ReadText(dir.File("err"));
    };
    const std::string done = run("--as-window -f window.pdf");
    EXPECT_EQ(done.substr(0, 33) + std::to_string(done.size()),
              "0 Done creating PDF.  Duration:  54");

    FakeHost host;
    host.With("O=" + dir.File("") + ";N=core.pdf");
    for (const std::string& image : images) {
        host.AddFile(dir.File(image));
    }
    ASSERT_EQ(RunConversion(host).outcome, RunOutcome::Completed);
    EXPECT_TRUE(WithoutDate(ReadText(dir.File("window.pdf"))) ==
                WithoutDate(ReadText(dir.File("core.pdf"))));

    EXPECT_EQ(run("--match-image-size -o 'dossier ü/d.pdf' --title 'Été à Zürich ☃' "
                  "--author 'A (B) \\ C' --keywords 😀")
                  .substr(0, 2),
              "0 ");
    const std::string pdf = ShellQuote(dir.File("dossier ü/d.pdf"));
    // Valid, with its information (no subject given), and every page the image's size.
    std::string info;
    ASSERT_EQ(
        RunCommand("qpdf --check " + pdf + " >/dev/null && pdfinfo -f 1 -l 6 " + pdf +
                       " | grep -E '^(Title|Subject|Author|Keywords|Pages|Page +[0-9]+ size)'",
                   &info),
        0);
    std::string expected = "Title:           Été à Zürich ☃\nKeywords:        😀\n"
                           "Author:          A (B) \\ C\nPages:           6\n";
    for (int page = 1; page <= 6; ++page) {
        expected += "Page    " + std::to_string(page) + " size:  96 x 64 pts\n";
    }
    EXPECT_EQ(info, expected);
}

// On a terminal, standard error carries one progress line, its file name shortened from the left
// to fit 79 columns. The line is due half a second into a run, so the run has thousands of pages.
TEST(CliEndToEnd, ProgressLineOnATerminalFitsItsColumns) {
    if (!HaveTool("script")) {
        GTEST_SKIP() << "script missing";
    }
    TempDir dir;
    const std::string name = std::string(60, 'n') + ".jpg";
    WriteBytes(dir.File(name), MakeJpeg(8, 8, 72));
    std::string list;
    for (int i = 1; i < 8000; ++i) {
        const std::string link = std::to_string(i) + ".jpg";
        fs::create_hard_link(PathFromUtf8(dir.File(name)), PathFromUtf8(dir.File(link)));
        list += link + "\n";
    }
    WriteText(dir.File("list.txt"), list + name + "\n");
    // Standard error on a pseudo-terminal, whose output script passes on.
    std::string seen;
    ASSERT_EQ(RunCommand("cd " + ShellQuote(dir.File("")) + " && script -qec " +
                             ShellQuote(ShellQuote(FOLIONIX_CLI_PATH) +
                                        " --from-file list.txt -o out.pdf >/dev/null") +
                             " /dev/null </dev/null",
                         &seen),
              0);
    if (seen.empty()) {
        GTEST_SKIP() << "the run ended before a progress line was due";
    }
    const std::string head = "folionix-cli: writing 8000/8000 ";
    EXPECT_NE(
        seen.find("\r" + head + "..." + name.substr(name.size() - (79 - head.size() - 3)) + "\r"),
        std::string::npos)
        << seen.substr(seen.size() - std::min<std::size_t>(seen.size(), 300));
    EXPECT_EQ(seen.find('\n'), std::string::npos) << "only the progress line";
}

} // namespace
} // namespace folionix::test

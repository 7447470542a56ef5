// The built folionix-cli, run in a folder of its own: every kind of image made by Debian tools
// into one document, its progress line on a terminal, and the faults a careful user or a hostile
// input can cause (and, for a file that changes under its open handle, the writer itself):
// nothing is written over an input, no partial document appears under a final name, and every
// image left out is named. Every test ends by checking that the inputs noted are unchanged.
#include "common/FileAccess.h"
#include "conversion/modFolionix.h"
#include "imaging/ByteSource.h"
#include "imaging/ImageHeader.h"
#include "pdf/modPDF.h"
#include "support/DocumentCheck.h"
#include "support/FakeHost.h"
#include "support/ImageBytes.h"
#include "support/Pictures.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <tuple>
#include <unistd.h>
#include <vector>

namespace folionix::test {
namespace {

namespace fs = std::filesystem;

// A JPEG header with size bytes of scan data: the readers stop at the scan, so any length will
// do for a run that has to last a while.
std::vector<std::uint8_t> PaddedJpeg(std::size_t size) {
    std::vector<std::uint8_t> bytes = MakeJpeg(640, 480, 72);
    bytes.insert(bytes.end() - 2, size, 0x00);
    return bytes;
}

class Reliability : public ::testing::Test {
public:
    Reliability() {
        fs::create_directories(dir.Path() / "in");
        fs::create_directories(dir.Path() / "out");
        WriteBytes(In("photo.jpg"), PaddedJpeg(2000));
        WriteBytes(In("small.jpg"), MakeJpeg(32, 24, 72));
        // Images the default (conforming) mode leaves out.
        WriteBytes(In("dot.jpg"), MakeJpeg(1, 1, 72));
        WriteBytes(In("none.jpg"), MakeJpeg(0, 0, 72));
        WriteBytes(In("wide.j2k"), MakeJ2k(0xFFFFFFFFu, 4));
        WriteBytes(In("huge.j2k"), MakeJ2k(2000000000u, 4));
    }
    // No input written over, no temporary document left in out/.
    ~Reliability() override {
        for (const auto& [path, bytes] : inputs) {
            EXPECT_TRUE(ReadBytes(path) == bytes) << path << " changed";
        }
        for (const auto& item : fs::directory_iterator(dir.Path() / "out")) {
            EXPECT_NE(item.path().filename().string().rfind(".folionix-", 0), 0u) << item.path();
        }
    }
    std::string In(const std::string& name) const { return dir.File("in/" + name); }

    // Notes the bytes of every file in in/, to be compared when the test ends.
    void SnapshotInputs() {
        for (const auto& item : fs::directory_iterator(dir.Path() / "in")) {
            if (item.is_regular_file()) {
                inputs[Utf8FromPath(item.path())] = ReadBytes(Utf8FromPath(item.path()));
            }
        }
    }

    // Runs the shell command in the test's folder, $cli standing for the program: its exit status
    // and, after a space, its output.
    std::string Shell(const std::string& command) {
        std::string text;
        const int code = RunCommand("cd " + ShellQuote(dir.File("")) + " && cli=" +
                                        ShellQuote(FOLIONIX_CLI_PATH) + " && " + command,
                                    &text);
        return std::to_string(code) + " " + text;
    }

    TempDir dir;
    std::map<std::string, std::vector<std::uint8_t>> inputs;
};

// Refused whole or in part, one after the other in one folder, each set up by a shell command:
// the exit code and the reason.
TEST_F(Reliability, RefusedRunsNameTheirReasonAndOverwriteNothing) {
    // Set-up, arguments, exit code, the reason.
    const std::tuple<const char*, const char*, int, const char*> refusals[] = {
        // The output is an input: by its path, through a symbolic link, through a hard link.
        {"true", "-o in -f photo.jpg in/photo.jpg in/small.jpg", 4,
         "Cannot write the PDF over an image file: "},
        {"ln -s ../in/photo.jpg out/small.jpg.PDF", "--multiple -o out in/photo.jpg in/small.jpg",
         4, "small.jpg.PDF is "},
        {"ln in/photo.jpg out/out.pdf", "-o out -f out.pdf in/small.jpg in/photo.jpg", 4,
         "out.pdf is "},
        // Named pipes, as an input and as the output.
        {"mkfifo in/x.jpg", "--as-window -o out in/x.jpg in/small.jpg", 3,
         "x.jpg (it is a named pipe, not a regular file)"},
        {"mkfifo out/o.pdf", "-o out -f o.pdf in/small.jpg", 4,
         "o.pdf: it is a named pipe, not a regular file"},
        // A folder name holding the image list's separator; a name too long for the system.
        {"mkdir 'in/a\t\t\t\t\tb' && cp in/small.jpg 'in/a\t\t\t\t\tb/c.jpg'",
         "-o out 'in/a\t\t\t\t\tb/c.jpg' in/small.jpg", 3, "five tabs in a row"},
        {"true", "-o out -f n$(printf %0300d 0).pdf in/small.jpg", 4, "File name too long"},
        // A page too small; images of no pixels or no width.
        {"true", "--match-image-size -o out in/dot.jpg in/small.jpg", 3,
         "dot.jpg (page side below 3 units (1 x 1))"},
        {"true", "-o out in/none.jpg in/small.jpg", 3, "below 1 pixel (0 x 0)"},
        {"true", "-o out in/wide.j2k in/small.jpg", 3, "below 1 pixel"},
        // Images adding up past 2 GiB: sparse files outside in/, that take no disk space and are
        // not read in full.
        {"for f in big1.jpg big2.jpg; do cp in/small.jpg $f && truncate -s 1200M $f; done",
         "-o out big1.jpg big2.jpg", 4, "add up to 2516582400 bytes"},
        // The images after a left-out one still make a whole document (checked below); as the
        // window, the same image ends the run instead and leaves no document behind.
        {"true", "-o out in/huge.j2k in/small.jpg", 3,
         "huge.j2k (its page cannot be laid out: Overflow: image width does not fit in 32 bits)"},
        {"true", "--as-window -o out -f w.pdf in/huge.j2k in/small.jpg", 4,
         "Overflow: image width does not fit in 32 bits"},
    };
    // No set-up makes a regular file in in/: the inputs noted once stand for every row.
    SnapshotInputs();
    for (const auto& [setUp, arguments, exitCode, message] : refusals) {
        const std::string text =
            Shell(std::string(setUp) + " && timeout 60 $cli " + arguments + " 2>&1");
        EXPECT_EQ(text.rfind(std::to_string(exitCode) + " ", 0), 0u) << arguments << text;
        EXPECT_NE(text.find(message), std::string::npos) << arguments << text;
    }
    const std::string pdf = ReadText(dir.File("out/JPEG_Output.PDF"));
    EXPECT_EQ(DocumentProblem(pdf), "");
    EXPECT_NE(pdf.find("/Width 32\n/Height 24"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir.Path() / "out" / "w.pdf"));
}

// A file that changes between its header read and the end of its copy is left out (grown;
// its frame height rewritten in place, same length); one swapped by a rename is read whole
// through the handle already open.
TEST_F(Reliability, ChangedImageIsEmbeddedAsReadOrNotAtAll) {
    const std::pair<std::string, std::string> changes[] = {
        {"Grown", "head -c 1000 /dev/zero >> in/photo.jpg"},
        {"HeaderRewrittenInPlace",
         "printf '\\000' | dd of=in/photo.jpg bs=1 seek=25 conv=notrunc 2>/dev/null"},
        {"ReplacedByRename", "cp in/small.jpg in/new.jpg && mv in/new.jpg in/photo.jpg"},
    };
    for (const auto& [change, command] : changes) {
        SCOPED_TRACE(change);
        const std::string image = In("photo.jpg");
        WriteBytes(image, PaddedJpeg(2000));
        const std::vector<std::uint8_t> original = ReadBytes(image);
        std::optional<FileSource> source = FileSource::Open(image);
        ImageHeader header;
        ASSERT_TRUE(source && ReadImageHeader(*source, ImageKind::Jpeg, header));
        ASSERT_EQ(Shell(command), "0 ");
        const std::string pdf = dir.File("out/" + change + ".pdf");
        ASSERT_TRUE(PdfOpenDocument(pdf, "1.3"));
        const auto before = fs::file_size(PathFromUtf8(pdf));
        const bool kept = change == "ReplacedByRename";
        EXPECT_EQ(PdfAddImageObject(pdf, image, source->Handle(), 640, 480,
                                    StandardImageOptions("DCTDecode", 8, 24), "I0",
                                    [&] { return source->BytesUnchanged(); }),
                  kept ? ImageEmbedding::Embedded : ImageEmbedding::SourceChanged);
        const std::string text = ReadText(pdf);
        EXPECT_TRUE(kept ? text.find(std::string(original.begin(), original.end())) !=
                               std::string::npos
                         : text.size() == before);
        ASSERT_TRUE(PdfCloseDocument(pdf));
        EXPECT_EQ(DocumentProblem(ReadText(pdf)), "");
    }
}

// Two runs started together, writing the same document: both complete and the one that is
// left is whole. A run terminated once its temporary document exists takes that file with it and
// leaves the previous document as it was.
TEST_F(Reliability, RacingOrTerminatedRunsLeaveOnlyWholeDocuments) {
    // Hard links to one padded JPEG, whose bytes stand for them all.
    WriteBytes(In("long.jpg"), PaddedJpeg(512 << 10));
    SnapshotInputs();
    ASSERT_EQ(Shell("mkdir in/l && for i in $(seq 100); do ln in/long.jpg in/l/$i.jpg; done"),
              "0 ");
    const std::string run = "$cli -o out in/l/*.jpg >/dev/null 2>&1 & ";
    EXPECT_EQ(Shell("(" + run + "a=$!; " + run + "b=$!; wait $a; x=$?; wait $b; echo $x $?)"),
              "0 0 0\n");
    EXPECT_EQ(DocumentProblem(ReadText(dir.File("out/JPEG_Output.PDF"))), "");

    WriteText(dir.File("out/JPEG_Output.PDF"), "the previous document");
    const std::string status =
        Shell("(" + run +
              "p=$!; while kill -0 $p 2>/dev/null && ! ls -a out | grep -q '^.folionix-'; do "
              "sleep 0.005; done; kill -TERM $p; wait $p; echo $?)");
    if (status == "0 0\n") {
        GTEST_SKIP() << "the run ended before the signal came";
    }
    EXPECT_EQ(status, "0 143\n");
    EXPECT_EQ(ReadText(dir.File("out/JPEG_Output.PDF")), "the previous document");
}

TEST_F(Reliability, FullDiskNamesItsCauseAndLeavesNothing) {
    if (::geteuid() != 0 || Shell("mkdir full && mount -t tmpfs -o size=1m tmpfs full") != "0 ") {
        GTEST_SKIP() << "needs root to mount a small tmpfs (CI runs as root)";
    }
    WriteBytes(In("two.jpg"), PaddedJpeg(2u << 20));
    SnapshotInputs();
    const std::string text = Shell("timeout 60 $cli -o full -f doc.pdf in/two.jpg 2>&1");
    EXPECT_EQ(text.substr(0, 2), "4 ") << text;
    EXPECT_NE(text.find("No space left on device"), std::string::npos) << text;
    EXPECT_TRUE(fs::is_empty(dir.Path() / "full"));
    Shell("umount full");
}

// The same folder and program, for the runs that end well.
using CliEndToEnd = Reliability;

// Every kind of image in one document. As the window, the program writes the bytes the core
// writes for the window; by default, into a folder and from a file named beyond ASCII, a valid
// document with its information beyond ASCII too and each page the image's size (how each page
// renders is the conforming tests' to judge).
TEST_F(CliEndToEnd, EveryKindOfImageInOneDocument) {
    for (const char* tool : {"cjpeg", "opj_compress", "convert", "qpdf", "pdfinfo"}) {
        if (!HaveTool(tool)) {
            GTEST_SKIP() << tool << " missing";
        }
    }
    WritePicture(dir.File("p.ppm"), 96, 64, false, false);
    ASSERT_EQ(Shell("(cjpeg -outfile rgb.jpg p.ppm && cjpeg -grayscale -outfile gray.jpeg p.ppm && "
                    "cjpeg -progressive -outfile progressive.Jpg p.ppm && opj_compress -i p.ppm -o "
                    "picture.jp2 && opj_compress -i p.ppm -o code.j2k && mv code.j2k 'été 1.J2K' "
                    "&& convert p.ppm -colorspace CMYK jpeg:cmyk.jpe && mkdir 'dossier ü') "
                    ">/dev/null 2>&1"),
              "0 ");
    // The images, for the core and for the shell.
    FakeHost host;
    host.With("O=" + dir.File("") + ";N=core.pdf");
    std::string images;
    for (const std::string image :
         {"rgb.jpg", "gray.jpeg", "progressive.Jpg", "cmyk.jpe", "picture.jp2", "été 1.J2K"}) {
        host.AddFile(dir.File(image));
        images += " " + ShellQuote(image);
    }
    const std::string done = Shell("$cli --as-window -f window.pdf" + images + " 2>&1");
    EXPECT_EQ(done.substr(0, 33) + std::to_string(done.size()),
              "0 Done creating PDF.  Duration:  53");
    ASSERT_EQ(RunConversion(host).outcome, RunOutcome::Completed);
    // The same bytes, but for the date and times in the third line.
    std::string window = ReadText(dir.File("window.pdf"));
    std::string core = ReadText(dir.File("core.pdf"));
    EXPECT_EQ(window.replace(window.find("%-["), 25, 25, '.'),
              core.replace(core.find("%-["), 25, 25, '.'));

    // Valid, with its information (no subject given), and every page the image's size.
    EXPECT_EQ(Shell("$cli --match-image-size -o 'dossier ü/d.pdf' --title 'Été à Zürich ☃' "
                    "--author 'A (B) \\ C' --keywords 😀" +
                    images +
                    " >/dev/null && qpdf --check 'dossier ü/d.pdf' >/dev/null && pdfinfo -f 1 -l 6 "
                    "'dossier ü/d.pdf' | grep -E '^(Title|Subject|Author|Keywords|Pages|Page "
                    "+[0-9]+ size)'"),
              "0 Title:           Été à Zürich ☃\nKeywords:        😀\n"
              "Author:          A (B) \\ C\nPages:           6\n"
              "Page    1 size:  96 x 64 pts\nPage    2 size:  96 x 64 pts\n"
              "Page    3 size:  96 x 64 pts\nPage    4 size:  96 x 64 pts\n"
              "Page    5 size:  96 x 64 pts\nPage    6 size:  96 x 64 pts\n");
}

// On a terminal, standard error carries one progress line, its file name shortened from the left
// to fit 79 columns. The line is due half a second into a run, so the run has thousands of pages.
TEST_F(CliEndToEnd, ProgressLineOnATerminalFitsItsColumns) {
    if (!HaveTool("script")) {
        GTEST_SKIP() << "script missing";
    }
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
    const std::string seen = Shell(
        "script -qec \"$cli --from-file list.txt -o out.pdf >/dev/null\" /dev/null </dev/null");
    if (seen == "0 ") {
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

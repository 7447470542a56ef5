// Faults a careful user or a hostile input can cause, run against the built folionix-cli (and,
// for a file that changes under its open handle, against the writer): nothing is written over
// an input, no partial document appears under a final name, and every image left out is named.
// Every scenario ends by checking that the inputs' bytes are unchanged.
#include "common/FileAccess.h"
#include "imaging/ByteSource.h"
#include "imaging/ImageHeader.h"
#include "pdf/modPDF.h"
#include "support/DocumentCheck.h"
#include "support/ImageBytes.h"
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
    ~Reliability() override {
        for (const auto& [path, bytes] : inputs) {
            EXPECT_TRUE(ReadBytes(path) == bytes) << path << " changed";
        }
    }
    std::string In(const std::string& name) const { return dir.File("in/" + name); }
    std::string Out(const std::string& name) const { return dir.File("out/" + name); }

    // Notes the bytes of every file in in/, to be compared when the test ends.
    void SnapshotInputs() {
        for (const auto& item : fs::directory_iterator(dir.Path() / "in")) {
            if (item.is_regular_file()) {
                inputs[Utf8FromPath(item.path())] = ReadBytes(Utf8FromPath(item.path()));
            }
        }
    }

    // Runs the shell command in the test's folder, $cli standing for the program; the exit
    // status, and its output in text.
    int Shell(const std::string& command, std::string& text) {
        return RunCommand("cd " + ShellQuote(dir.File("")) +
                              " && cli=" + ShellQuote(FOLIONIX_CLI_PATH) + " && " + command,
                          &text);
    }

    // The names in out/ that no finished document has.
    std::string Leftovers() const {
        std::string names;
        for (const auto& item : fs::directory_iterator(dir.Path() / "out")) {
            const std::string name = Utf8FromPath(item.path().filename());
            names += name.rfind(".folionix-", 0) == 0 ? name + " " : "";
        }
        return names;
    }

    // Hard links in in/links/ to one padded JPEG in in/ (whose bytes stand for them all), as
    // the arguments that name them.
    std::string ManyImages(int count, std::size_t size) {
        WriteBytes(In("long.jpg"), PaddedJpeg(size));
        std::string text;
        EXPECT_EQ(Shell("mkdir in/links && for i in $(seq " + std::to_string(count) +
                            "); do ln in/long.jpg in/links/$i.jpg; done",
                        text),
                  0);
        return " in/links/*.jpg";
    }

    TempDir dir;
    std::map<std::string, std::vector<std::uint8_t>> inputs;
};

// Refused whole or in part, one after the other in one folder, each set up by a shell command:
// the exit code and the reason; no input written over, no temporary file left.
TEST_F(Reliability, RefusedRunsNameTheirReasonAndOverwriteNothing) {
    // Name, set-up, arguments, exit code, the reason.
    const std::tuple<const char*, const char*, const char*, int, const char*> refusals[] = {
        {"OutputIsAnInputByPath", "true", "-o in -f photo.jpg in/photo.jpg in/small.jpg", 4,
         "Cannot write the PDF over an image file: "},
        {"OutputIsAnInputThroughASymbolicLink", "ln -s ../in/photo.jpg out/small.jpg.PDF",
         "--multiple -o out in/photo.jpg in/small.jpg", 4, "small.jpg.PDF is "},
        {"OutputIsAnInputThroughAHardLink", "ln in/photo.jpg out/out.pdf",
         "-o out -f out.pdf in/small.jpg in/photo.jpg", 4, "out.pdf is "},
        {"InputIsANamedPipe", "mkfifo in/x.jpg", "--as-window -o out in/x.jpg in/small.jpg", 3,
         "x.jpg (it is a named pipe, not a regular file)"},
        {"OutputIsANamedPipe", "mkfifo out/o.pdf", "-o out -f o.pdf in/small.jpg", 4,
         "o.pdf: it is a named pipe, not a regular file"},
        {"FolderNameHoldsTheListSeparator",
         "mkdir 'in/a\t\t\t\t\tb' && cp in/small.jpg 'in/a\t\t\t\t\tb/c.jpg'",
         "-o out 'in/a\t\t\t\t\tb/c.jpg' in/small.jpg", 3, "five tabs in a row"},
        {"OutputNameTooLong", "true", "-o out -f n$(printf %0300d 0).pdf in/small.jpg", 4,
         "File name too long"},
        {"PageTooSmall", "true", "--match-image-size -o out in/dot.jpg in/small.jpg", 3,
         "dot.jpg (page side below 3 units (1 x 1))"},
        {"JpegOfNoPixels", "true", "-o out in/none.jpg in/small.jpg", 3, "below 1 pixel (0 x 0)"},
        {"CodestreamOfNoWidth", "true", "-o out in/wide.j2k in/small.jpg", 3, "below 1 pixel"},
        // Sparse files outside in/: they take no disk space and are not read in full.
        {"ImagesAddUpPastTwoGibibytes",
         "for f in big1.jpg big2.jpg; do cp in/small.jpg $f && truncate -s 1200M $f; done",
         "-o out big1.jpg big2.jpg", 4, "add up to 2516582400 bytes"},
        // The images after a left-out one still make a whole document (checked below); as the
        // window, the same image ends the run instead and leaves no document behind.
        {"ImagesAfterALeftOutOne", "true", "-o out in/huge.j2k in/small.jpg", 3,
         "huge.j2k (its page cannot be laid out: Overflow: image width does not fit in 32 bits)"},
        {"WindowEndsTheRunThere", "true", "--as-window -o out -f w.pdf in/huge.j2k in/small.jpg", 4,
         "Overflow: image width does not fit in 32 bits"},
    };
    for (const auto& [name, setUp, arguments, exitCode, message] : refusals) {
        SCOPED_TRACE(name);
        std::string text;
        ASSERT_EQ(Shell(setUp, text), 0) << text;
        SnapshotInputs();
        EXPECT_EQ(Shell("timeout 60 $cli " + std::string(arguments) + " 2>&1", text), exitCode)
            << text;
        EXPECT_NE(text.find(message), std::string::npos) << text;
        EXPECT_EQ(Leftovers(), "");
    }
    const std::string pdf = ReadText(Out("JPEG_Output.PDF"));
    EXPECT_EQ(DocumentProblem(pdf), "");
    EXPECT_NE(pdf.find("/Width 32\n/Height 24"), std::string::npos);
    EXPECT_FALSE(fs::exists(PathFromUtf8(Out("w.pdf"))));
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
        std::string text;
        ASSERT_EQ(Shell(command, text), 0) << text;
        const std::string pdf = Out(change + ".pdf");
        ASSERT_TRUE(PdfOpenDocument(pdf, "1.3"));
        const auto before = fs::file_size(PathFromUtf8(pdf));
        const bool kept = change == "ReplacedByRename";
        EXPECT_EQ(PdfAddImageObject(pdf, image, source->Handle(), 640, 480,
                                    StandardImageOptions("DCTDecode", 8, 24), "I0",
                                    [&] { return source->BytesUnchanged(); }),
                  kept ? ImageEmbedding::Embedded : ImageEmbedding::SourceChanged);
        text = ReadText(pdf);
        EXPECT_TRUE(kept ? text.find(std::string(original.begin(), original.end())) !=
                               std::string::npos
                         : text.size() == before);
        ASSERT_TRUE(PdfCloseDocument(pdf));
        EXPECT_EQ(DocumentProblem(ReadText(pdf)), "");
    }
}

// Two runs started together, writing the same document: both complete and the one that is
// left is whole.
TEST_F(Reliability, TwoRunsWritingOneDocumentEachLeaveAWholeOne) {
    const std::string images = ManyImages(60, 256 << 10);
    SnapshotInputs();
    std::string codes;
    Shell("($cli -o out" + images + " >/dev/null 2>&1 & a=$!; $cli -o out" + images +
              " >/dev/null 2>&1 & b=$!; wait $a; x=$?; wait $b; echo $x $?)",
          codes);
    EXPECT_EQ(codes, "0 0\n");
    EXPECT_EQ(DocumentProblem(ReadText(Out("JPEG_Output.PDF"))), "");
    EXPECT_EQ(Leftovers(), "");
}

// Terminated once its temporary document exists, a run takes that file with it and leaves the
// previous document as it was.
TEST_F(Reliability, TerminatedRunKeepsThePreviousDocumentAndLeavesNoTemporaryFile) {
    const std::string images = ManyImages(200, 1 << 20);
    SnapshotInputs();
    WriteText(Out("JPEG_Output.PDF"), "the previous document");
    std::string status;
    Shell("($cli -o out" + images +
              " >/dev/null 2>&1 & p=$!; while kill -0 $p 2>/dev/null && "
              "! ls -a out | grep -q '^.folionix-'; do sleep 0.005; done; kill -TERM $p; "
              "wait $p; echo $?)",
          status);
    if (status == "0\n") {
        GTEST_SKIP() << "the run ended before the signal came";
    }
    EXPECT_EQ(status, "143\n");
    EXPECT_EQ(ReadText(Out("JPEG_Output.PDF")), "the previous document");
    EXPECT_EQ(Leftovers(), "");
}

TEST_F(Reliability, FullDiskNamesItsCauseAndLeavesNothing) {
    if (::geteuid() != 0 || !HaveTool("mount")) {
        GTEST_SKIP() << "needs root to mount a small tmpfs (CI runs as root)";
    }
    const std::string full = dir.File("full");
    fs::create_directory(PathFromUtf8(full));
    if (RunCommand("mount -t tmpfs -o size=1m tmpfs " + ShellQuote(full) + " 2>/dev/null") != 0) {
        GTEST_SKIP() << "tmpfs cannot be mounted here";
    }
    WriteBytes(In("two.jpg"), PaddedJpeg(2u << 20));
    SnapshotInputs();
    std::string text;
    EXPECT_EQ(Shell("timeout 60 $cli -o full -f doc.pdf in/two.jpg 2>&1", text), 4) << text;
    EXPECT_NE(text.find("No space left on device"), std::string::npos) << text;
    EXPECT_TRUE(fs::is_empty(PathFromUtf8(full)));
    RunCommand("umount " + ShellQuote(full));
}

} // namespace
} // namespace folionix::test

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
        std::string text;
        EXPECT_EQ(Shell(std::string(setUp) + " && timeout 60 $cli " + arguments + " 2>&1", text),
                  exitCode)
            << arguments << text;
        EXPECT_NE(text.find(message), std::string::npos) << arguments << text;
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
// left is whole. A run terminated once its temporary document exists takes that file with it and
// leaves the previous document as it was.
TEST_F(Reliability, RacingOrTerminatedRunsLeaveOnlyWholeDocuments) {
    // Hard links to one padded JPEG, whose bytes stand for them all.
    WriteBytes(In("long.jpg"), PaddedJpeg(512 << 10));
    SnapshotInputs();
    std::string text;
    ASSERT_EQ(Shell("mkdir in/l && for i in $(seq 100); do ln in/long.jpg in/l/$i.jpg; done", text),
              0);
    const std::string run = "$cli -o out in/l/*.jpg >/dev/null 2>&1 & ";
    Shell("(" + run + "a=$!; " + run + "b=$!; wait $a; x=$?; wait $b; echo $x $?)", text);
    EXPECT_EQ(DocumentProblem(ReadText(Out("JPEG_Output.PDF"))), "");

    WriteText(Out("JPEG_Output.PDF"), "the previous document");
    Shell("(" + run +
              "p=$!; while kill -0 $p 2>/dev/null && ! ls -a out | grep -q '^.folionix-'; do "
              "sleep 0.005; done; kill -TERM $p; wait $p; echo $?)",
          text);
    // Both exit statuses of the two runs, then the terminated run's.
    if (text == "0 0\n0\n") {
        GTEST_SKIP() << "the run ended before the signal came";
    }
    EXPECT_EQ(text, "0 0\n143\n");
    EXPECT_EQ(ReadText(Out("JPEG_Output.PDF")), "the previous document");
}

TEST_F(Reliability, FullDiskNamesItsCauseAndLeavesNothing) {
    std::string text;
    if (::geteuid() != 0 ||
        Shell("mkdir full && mount -t tmpfs -o size=1m tmpfs full", text) != 0) {
        GTEST_SKIP() << "needs root to mount a small tmpfs (CI runs as root)";
    }
    WriteBytes(In("two.jpg"), PaddedJpeg(2u << 20));
    SnapshotInputs();
    EXPECT_EQ(Shell("timeout 60 $cli -o full -f doc.pdf in/two.jpg 2>&1", text), 4) << text;
    EXPECT_NE(text.find("No space left on device"), std::string::npos) << text;
    EXPECT_TRUE(fs::is_empty(dir.Path() / "full"));
    Shell("umount full", text);
}

} // namespace
} // namespace folionix::test

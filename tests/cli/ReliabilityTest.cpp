// Faults a careful user or a hostile input can cause, run against the built folionix-cli (and,
// for a file that changes under its open handle, against the writer): nothing is written over
// an input, no partial document appears under a final name, and every image left out is named.
// Every scenario ends by checking that the inputs' bytes are unchanged.
#include "common/FileAccess.h"
#include "imaging/ByteSource.h"
#include "imaging/ImageHeader.h"
#include "pdf/modPDF.h"
#include "support/DocumentCheck.h"
#include "support/FakeHost.h"
#include "support/ImageBytes.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
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
        fs::create_directory(dir.Path() / "in");
        fs::create_directory(dir.Path() / "out");
        WriteBytes(In("photo.jpg"), PaddedJpeg(2000));
        WriteBytes(In("small.jpg"), MakeJpeg(32, 24, 72));
    }
    ~Reliability() override {
        for (const auto& [path, bytes] : inputs) {
            EXPECT_EQ(ReadBytes(path), bytes) << path << " changed";
        }
    }

public:
    std::string In(const std::string& name) const { return dir.File("in/" + name); }
    std::string Out(const std::string& name) const { return dir.File("out/" + name); }

    // Notes the bytes of every file in in/, to be compared when the test ends.
    void SnapshotInputs() {
        for (const auto& item : fs::recursive_directory_iterator(dir.Path() / "in")) {
            if (item.is_regular_file()) {
                inputs[Utf8FromPath(item.path())] = ReadBytes(Utf8FromPath(item.path()));
            }
        }
    }

    // Runs the program in the test's folder; the exit status, and both outputs in text.
    int Cli(const std::string& arguments, std::string& text) {
        return RunCommand("cd " + ShellQuote(Utf8FromPath(dir.Path())) + " && timeout 60 " +
                              ShellQuote(FOLIONIX_CLI_PATH) + " " + arguments + " 2>&1",
                          &text);
    }

    // The names left in out/ that no finished document has.
    std::vector<std::string> LeftoverFiles() const {
        std::vector<std::string> names;
        for (const auto& item : fs::directory_iterator(dir.Path() / "out")) {
            const std::string name = Utf8FromPath(item.path().filename());
            if (name.rfind(".folionix-", 0) == 0) {
                names.push_back(name);
            }
        }
        return names;
    }

    TempDir dir;
    std::map<std::string, std::vector<std::uint8_t>> inputs;
};

struct Refusal {
    const char* name;
    std::function<void(Reliability&)> setUp;
    std::string arguments;
    int exitCode;
    const char* message;
};

class RefusalTest : public Reliability, public ::testing::WithParamInterface<Refusal> {};

TEST_P(RefusalTest, IsRefusedWithItsReasonAndNothingIsOverwritten) {
    GetParam().setUp(*this);
    SnapshotInputs();
    std::string text;
    EXPECT_EQ(Cli(GetParam().arguments, text), GetParam().exitCode) << text;
    EXPECT_NE(text.find(GetParam().message), std::string::npos) << text;
    EXPECT_TRUE(LeftoverFiles().empty());
}

const Refusal kRefusals[] = {
    {"OutputIsAnInputByPath", [](Reliability&) {}, "-o in -f photo.jpg in/photo.jpg in/small.jpg",
     4, "Cannot write the PDF over an image file: "},
    {"OutputIsAnInputThroughASymbolicLink",
     [](Reliability& t) { fs::create_symlink("../in/photo.jpg", t.Out("small.jpg.PDF")); },
     "--multiple -o out in/photo.jpg in/small.jpg", 4, "small.jpg.PDF is "},
    {"OutputIsAnInputThroughAHardLink",
     [](Reliability& t) { fs::create_hard_link(t.In("photo.jpg"), t.Out("out.pdf")); },
     "-o out -f out.pdf in/small.jpg in/photo.jpg", 4, "out.pdf is "},
    {"InputIsANamedPipe",
     [](Reliability& t) { ASSERT_EQ(::mkfifo(t.In("x.jpg").c_str(), 0600), 0); },
     "--as-window -o out in/x.jpg in/small.jpg", 3,
     "x.jpg (it is a named pipe, not a regular file)"},
    {"OutputIsANamedPipe",
     [](Reliability& t) { ASSERT_EQ(::mkfifo(t.Out("o.pdf").c_str(), 0600), 0); },
     "-o out -f o.pdf in/small.jpg", 4, "o.pdf: it is a named pipe, not a regular file"},
    {"FolderNameHoldsTheListSeparator",
     [](Reliability& t) {
         fs::create_directory(PathFromUtf8(t.In("a\t\t\t\t\tb")));
         WriteBytes(t.In("a\t\t\t\t\tb/c.jpg"), MakeJpeg(8, 8, 72));
     },
     "-o out \"in/a\t\t\t\t\tb/c.jpg\" in/small.jpg", 3, "five tabs in a row"},
    {"OutputNameTooLong", [](Reliability&) {},
     "-o out -f " + std::string(300, 'n') + ".pdf in/small.jpg", 4, "File name too long"},
    {"ConformingCodestreamOfNoWidth",
     [](Reliability& t) { WriteBytes(t.In("wide.j2k"), MakeJ2k(0xFFFFFFFFu, 4)); },
     "--conforming -o out in/wide.j2k in/small.jpg", 3, "below 1 pixel"},
    {"ConformingJpegOfNoPixels",
     [](Reliability& t) { WriteBytes(t.In("none.jpg"), MakeJpeg(0, 0, 72)); },
     "--conforming -o out in/none.jpg in/small.jpg", 3, "below 1 pixel (0 x 0)"},
    {"ConformingPageTooSmall",
     [](Reliability& t) { WriteBytes(t.In("dot.jpg"), MakeJpeg(1, 1, 72)); },
     "--conforming --match-image-size -o out in/dot.jpg in/small.jpg", 3,
     "page side below 3 units (1 x 1)"},
    {"ConformingLayoutOverflow",
     [](Reliability& t) { WriteBytes(t.In("huge.j2k"), MakeJ2k(2000000000u, 4)); },
     "--conforming -o out in/huge.j2k in/small.jpg", 3, "its page cannot be laid out: Overflow"},
    {"ImagesAddUpPastTwoGibibytes",
     [](Reliability& t) {
         // Sparse files outside in/: they take no disk space and are not read in full.
         for (const char* name : {"big1.jpg", "big2.jpg"}) {
             const std::string path = t.dir.File(name);
             WriteBytes(path, MakeJpeg(64, 64, 72));
             fs::resize_file(PathFromUtf8(path), 1200u * 1024 * 1024);
         }
     },
     "-o out big1.jpg big2.jpg", 4, "add up to 2516582400 bytes"},
};

INSTANTIATE_TEST_SUITE_P(Scenarios, RefusalTest, ::testing::ValuesIn(kRefusals),
                         [](const auto& param) { return std::string(param.param.name); });

// The images that are converted after a refusal still make a whole document.
TEST_F(Reliability, ImagesAfterALeftOutOneStillMakeAWholeDocument) {
    WriteBytes(In("huge.j2k"), MakeJ2k(2000000000u, 4));
    SnapshotInputs();
    std::string text;
    EXPECT_EQ(Cli("--conforming -o out in/huge.j2k in/small.jpg", text), 3) << text;
    const std::string pdf = ReadText(Out("JPEG_Output.PDF"));
    EXPECT_EQ(DocumentProblem(pdf), "");
    EXPECT_NE(pdf.find("/Width 32\n/Height 24"), std::string::npos);
    // The window's bytes end the run instead, and leave no document behind.
    EXPECT_EQ(Cli("--as-window -o out -f window.pdf in/huge.j2k in/small.jpg", text), 4) << text;
    EXPECT_FALSE(fs::exists(PathFromUtf8(Out("window.pdf"))));
    EXPECT_TRUE(LeftoverFiles().empty());
}

TEST_F(Reliability, ConformingCodestreamIsItsImageAreaAndTheWindowKeepsTheGrid) {
    std::vector<std::uint8_t> bytes = MakeJ2k(74, 84);
    bytes[19] = 10; // XOsiz
    bytes[23] = 20; // YOsiz
    WriteBytes(In("offset.j2k"), bytes);
    SnapshotInputs();
    std::string text;
    ASSERT_EQ(Cli("--conforming --match-image-size -o out -f c.pdf in/offset.j2k", text), 0)
        << text;
    EXPECT_NE(ReadText(Out("c.pdf")).find("/Width 64\n/Height 64"), std::string::npos);
    ASSERT_EQ(Cli("--as-window -o out -f w.pdf in/offset.j2k", text), 0) << text;
    EXPECT_NE(ReadText(Out("w.pdf")).find("/Width 74\n/Height 84"), std::string::npos);
}

// A file that changes between its header read and the end of its copy is left out; one swapped
// by a rename is read whole through the handle already open.
struct Change {
    const char* name;
    std::function<void(const std::string& path)> change;
    ImageEmbedding expected;
};

class ChangeTest : public Reliability, public ::testing::WithParamInterface<Change> {};

TEST_P(ChangeTest, ImageIsEmbeddedAsReadOrNotAtAll) {
    const std::string image = In("photo.jpg");
    const std::vector<std::uint8_t> original = ReadBytes(image);
    std::optional<FileSource> source = FileSource::Open(image);
    ASSERT_TRUE(source);
    ImageHeader header;
    ASSERT_TRUE(ReadImageHeader(*source, ImageKind::Jpeg, header));
    GetParam().change(image);

    const std::string pdf = Out("changed.pdf");
    ASSERT_TRUE(PdfOpenDocument(pdf, "1.3"));
    const std::int64_t before = static_cast<std::int64_t>(fs::file_size(PathFromUtf8(pdf)));
    EXPECT_EQ(PdfAddImageObject(pdf, image, source->Handle(), 640, 480,
                                StandardImageOptions("DCTDecode", 8, 24), "I0",
                                [&] { return source->BytesUnchanged(); }),
              GetParam().expected);
    const std::string text = ReadText(pdf);
    if (GetParam().expected == ImageEmbedding::SourceChanged) {
        EXPECT_EQ(static_cast<std::int64_t>(text.size()), before);
    } else {
        EXPECT_NE(text.find(std::string(original.begin(), original.end())), std::string::npos);
    }
    ASSERT_TRUE(PdfCloseDocument(pdf));
    EXPECT_EQ(DocumentProblem(ReadText(pdf)), "");
}

const Change kChanges[] = {
    {"Grown", [](const std::string& path) { WriteBytes(path, PaddedJpeg(3000)); },
     ImageEmbedding::SourceChanged},
    {"HeaderRewrittenInPlace",
     [](const std::string& path) {
         std::vector<std::uint8_t> bytes = ReadBytes(path);
         bytes[25] ^= 0x01; // the frame's height, same length
         auto file = File::Open(path, File::Mode::ReadWrite);
         ASSERT_TRUE(file && file->WriteAt(0, std::span<const std::uint8_t>(bytes)));
     },
     ImageEmbedding::SourceChanged},
    {"ReplacedByRename",
     [](const std::string& path) {
         WriteBytes(path + ".new", MakeJpeg(16, 16, 72));
         fs::rename(PathFromUtf8(path + ".new"), PathFromUtf8(path));
     },
     ImageEmbedding::Embedded},
};

INSTANTIATE_TEST_SUITE_P(Scenarios, ChangeTest, ::testing::ValuesIn(kChanges),
                         [](const auto& param) { return std::string(param.param.name); });

// Runs of many pages over hard links to one file of a megabyte, long enough to be caught in
// the middle.
std::string ManyImages(Reliability& test, const std::string& in, int count) {
    WriteBytes(in + "/long.jpg", PaddedJpeg(1 << 20));
    std::string arguments;
    for (int i = 0; i < count; ++i) {
        const std::string name = "l" + std::to_string(i) + ".jpg";
        fs::create_hard_link(PathFromUtf8(in + "/long.jpg"), PathFromUtf8(in + "/" + name));
        arguments += " in/" + name;
    }
    static_cast<void>(test);
    return arguments;
}

TEST_F(Reliability, TwoRunsWritingOneDocumentEachLeaveAWholeOne) {
    const std::string images = ManyImages(*this, In(""), 150);
    SnapshotInputs();
    const std::string cli = ShellQuote(FOLIONIX_CLI_PATH);
    std::string codes;
    RunCommand("cd " + ShellQuote(Utf8FromPath(dir.Path())) + " && (" + cli + " -o out" + images +
                   " >/dev/null 2>&1 & a=$!; " + cli + " -o out" + images +
                   " >/dev/null 2>&1 & b=$!; wait $a; x=$?; wait $b; echo $x $?)",
               &codes);
    EXPECT_EQ(codes, "0 0\n");
    const std::string pdf = ReadText(Out("JPEG_Output.PDF"));
    EXPECT_EQ(DocumentProblem(pdf), "");
    EXPECT_TRUE(LeftoverFiles().empty());
}

class SignalTest : public Reliability, public ::testing::WithParamInterface<const char*> {};

TEST_P(SignalTest, KilledRunKeepsThePreviousDocumentAndLeavesNoTemporaryFile) {
    const std::string images = ManyImages(*this, In(""), 400);
    SnapshotInputs();
    WriteText(Out("JPEG_Output.PDF"), "the previous document");
    std::string status;
    // The signal comes once the temporary document exists, or not at all if the run is over.
    RunCommand("cd " + ShellQuote(Utf8FromPath(dir.Path())) + " && (" +
                   ShellQuote(FOLIONIX_CLI_PATH) + " -o out" + images +
                   " >/dev/null 2>&1 & p=$!; while kill -0 $p 2>/dev/null && "
                   "! ls -a out | grep -q '^.folionix-'; do sleep 0.005; done; kill -" +
                   GetParam() + " $p; wait $p; echo $?)",
               &status);
    if (status == "0\n") {
        GTEST_SKIP() << "the run ended before the signal came";
    }
    EXPECT_EQ(status, std::string(GetParam()) == "TERM" ? "143\n" : "130\n");
    EXPECT_EQ(ReadText(Out("JPEG_Output.PDF")), "the previous document");
    EXPECT_TRUE(LeftoverFiles().empty());
}

INSTANTIATE_TEST_SUITE_P(Signals, SignalTest, ::testing::Values("TERM", "INT"));

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
    EXPECT_EQ(Cli("-o full -f doc.pdf in/two.jpg", text), 4) << text;
    EXPECT_NE(text.find("No space left on device"), std::string::npos) << text;
    EXPECT_TRUE(fs::is_empty(PathFromUtf8(full)));
    RunCommand("umount " + ShellQuote(full));
}

} // namespace
} // namespace folionix::test

// Runs the built folionix-cli on images made by Debian tools and checks its documents with
// qpdf, pdfimages and pdftoppm.
#include "cli/FolionixCli.h"
#include "common/FileAccess.h"
#include "common/PathCase.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace folionix::test {
namespace {

namespace fs = std::filesystem;

// (std::regex trips a false uninitialised-value warning of g++ 12 under the sanitizers.)
std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

// "hh:mm:ss - hh:mm:ss" followed by a line feed.
bool IsTwoClockTimes(const std::string& text) {
    const std::string pattern = "dd:dd:dd - dd:dd:dd\n";
    if (text.size() != pattern.size()) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (pattern[i] == 'd' ? !digit : text[i] != pattern[i]) {
            return false;
        }
    }
    return true;
}

struct CliResult {
    int code = -1;
    std::string out;
    std::string err;
};

bool HaveAllTools() {
    for (const char* tool :
         {"cjpeg", "djpeg", "opj_compress", "qpdf", "pdfimages", "pdftoppm", "timeout"}) {
        if (!HaveTool(tool)) {
            return false;
        }
    }
    return fs::exists("/usr/bin/convert");
}

// A picture with gradients and hard edges, as a binary PPM.
std::vector<std::uint8_t> MakePpm(int width, int height) {
    const std::string head =
        "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
    std::vector<std::uint8_t> bytes(head.begin(), head.end());
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool square = ((x / 16) + (y / 16)) % 2 == 0;
            bytes.push_back(static_cast<std::uint8_t>(x * 255 / width));
            bytes.push_back(static_cast<std::uint8_t>(y * 255 / height));
            bytes.push_back(static_cast<std::uint8_t>(square ? 200 : 40));
        }
    }
    return bytes;
}

// cjpeg writes an aspect ratio (units 0, 1 x 1); make it 72 dots per inch.
void SetJfif72Dpi(const std::string& path) {
    std::vector<std::uint8_t> bytes = ReadBytes(path);
    ASSERT_GT(bytes.size(), 20u);
    ASSERT_EQ(std::string(bytes.begin() + 6, bytes.begin() + 10), "JFIF");
    bytes[13] = 1;
    bytes[14] = 0;
    bytes[15] = 72;
    bytes[16] = 0;
    bytes[17] = 72;
    WriteBytes(path, bytes);
}

struct Pnm {
    int width = 0;
    int height = 0;
    int channels = 0;
    std::vector<std::uint8_t> samples;
};

Pnm ReadPnm(const std::string& path) {
    const std::vector<std::uint8_t> bytes = ReadBytes(path);
    Pnm image;
    std::size_t at = 0;
    auto token = [&]() {
        while (at < bytes.size() && std::isspace(bytes[at])) {
            ++at;
        }
        std::string text;
        while (at < bytes.size() && !std::isspace(bytes[at])) {
            text.push_back(static_cast<char>(bytes[at++]));
        }
        return text;
    };
    const std::string magic = token();
    image.channels = magic == "P6" ? 3 : (magic == "P5" ? 1 : 0);
    image.width = std::stoi(token());
    image.height = std::stoi(token());
    token(); // maximum value
    ++at;
    image.samples.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at), bytes.end());
    return image;
}

double MeanAbsoluteDifference(const Pnm& a, const Pnm& b) {
    if (a.width != b.width || a.height != b.height || a.channels != b.channels ||
        a.samples.size() != b.samples.size() || a.samples.empty()) {
        return 1e9;
    }
    double sum = 0;
    for (std::size_t i = 0; i < a.samples.size(); ++i) {
        sum += std::abs(static_cast<int>(a.samples[i]) - static_cast<int>(b.samples[i]));
    }
    return sum / static_cast<double>(a.samples.size());
}

struct ListedImage {
    int width = 0;
    int height = 0;
    std::string color;
    std::string encoding;
};

std::vector<ListedImage> ListImages(const std::string& pdf) {
    std::string output;
    EXPECT_EQ(RunCommand("pdfimages -list " + ShellQuote(pdf) + " 2>/dev/null", &output), 0)
        << output;
    std::vector<ListedImage> images;
    std::istringstream lines(output);
    std::string line;
    int lineNumber = 0;
    while (std::getline(lines, line)) {
        if (++lineNumber <= 2) {
            continue; // the two heading lines
        }
        std::istringstream fields(line);
        if (line.find(" image ") == std::string::npos) {
            ADD_FAILURE() << "unexpected line: " << line;
            continue;
        }
        std::string page, num, type, width, height, color, comp, bpc, enc;
        fields >> page >> num >> type >> width >> height >> color >> comp >> bpc >> enc;
        images.push_back(ListedImage{std::stoi(width), std::stoi(height), color, enc});
    }
    return images;
}

class CliEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
#ifdef _WIN32
        GTEST_SKIP() << "the end-to-end checks use POSIX tools";
#endif
        if (!HaveAllTools()) {
            GTEST_SKIP() << "cjpeg, opj_compress, qpdf or poppler-utils missing";
        }
        in = Utf8FromPath(dir.Path() / "in");
        out = Utf8FromPath(dir.Path() / "out");
        fs::create_directory(dir.Path() / "in");
        fs::create_directory(dir.Path() / "out");
        WriteBytes(in + "/picture.ppm", MakePpm(96, 64));
    }

    // Makes an image in the input folder from the picture with a shell command; {in} and
    // {out} in the command stand for the picture and the new file.
    std::string Make(const std::string& name, const std::string& command) {
        const std::string path = in + "/" + name;
        std::string shell = ReplaceAll(command, "{in}", ShellQuote(in + "/picture.ppm"));
        shell = ReplaceAll(shell, "{out}", ShellQuote(path));
        std::string output;
        EXPECT_EQ(RunCommand(shell + " 2>&1", &output), 0) << shell << "\n" << output;
        return path;
    }

    std::string MakeJpeg(const std::string& name, const std::string& cjpegOptions = "") {
        const std::string path = Make(name, "cjpeg -quality 95 " + cjpegOptions + " {in} > {out}");
        SetJfif72Dpi(path);
        return path;
    }

    CliResult RunProgram(const std::vector<std::string>& arguments,
                         const std::string& folder = "") {
        std::string command = "cd " + ShellQuote(folder.empty() ? out : folder) +
                              " && timeout 120 " + ShellQuote(FOLIONIX_CLI_PATH);
        for (const std::string& argument : arguments) {
            command += " " + ShellQuote(argument);
        }
        const std::string outFile = Utf8FromPath(dir.Path() / "stdout.txt");
        const std::string errFile = Utf8FromPath(dir.Path() / "stderr.txt");
        command += " >" + ShellQuote(outFile) + " 2>" + ShellQuote(errFile);
        CliResult result;
        result.code = RunCommand(command);
        result.out = ReadText(outFile);
        result.err = ReadText(errFile);
        return result;
    }

    static void ExpectValidPdf(const std::string& pdf) {
        std::string output;
        EXPECT_EQ(RunCommand("qpdf --check " + ShellQuote(pdf) + " 2>&1", &output), 0) << output;
        EXPECT_NE(output.find("No syntax or stream encoding errors"), std::string::npos) << output;
        EXPECT_EQ(RunCommand("pdftoppm -r 10 " + ShellQuote(pdf) + " " +
                                 ShellQuote(pdf + "-render") + " 2>&1",
                             &output),
                  0)
            << output;
    }

    TempDir dir;
    std::string in;
    std::string out;
};

TEST_F(CliEndToEnd, EveryKindOfImageInOneDocument) {
    const std::vector<std::string> images = {
        MakeJpeg("rgb.jpg"),
        MakeJpeg("gray.jpeg", "-grayscale"),
        MakeJpeg("progressive.Jpg", "-progressive"),
        Make("cmyk.jpe", "/usr/bin/convert {in} -colorspace CMYK jpeg:{out}"),
        Make("picture.jp2", "opj_compress -i {in} -o {out}"),
        Make("lower.j2k",
             "opj_compress -i {in} -o {out} && mv {out} " + ShellQuote(in + "/code.J2K")),
    };
    std::vector<std::string> arguments = {"--as-window", "-o", out};
    arguments.insert(arguments.end(), images.begin(), images.end() - 1);
    arguments.push_back(in + "/code.J2K");
    const CliResult result = RunProgram(arguments);
    ASSERT_EQ(result.code, 0) << result.err;
    EXPECT_TRUE(result.err.empty()) << result.err;
    const std::string prefix = "Done creating PDF.  Duration:  ";
    EXPECT_EQ(result.out.rfind(prefix, 0), 0u) << result.out;
    EXPECT_TRUE(IsTwoClockTimes(result.out.substr(std::min(prefix.size(), result.out.size()))))
        << result.out;

    const std::string pdf = out + "/JPEG_Output.PDF";
    ExpectValidPdf(pdf);
    const std::vector<ListedImage> listed = ListImages(pdf);
    ASSERT_EQ(listed.size(), 6u);
    // Every image that is not 8 bits per pixel is labelled DeviceRGB, CMYK ones included.
    const std::vector<std::string> colors = {"rgb", "gray", "rgb", "rgb"};
    for (std::size_t i = 0; i < listed.size(); ++i) {
        EXPECT_EQ(listed[i].width, 96) << i;
        EXPECT_EQ(listed[i].height, 64) << i;
        EXPECT_EQ(listed[i].encoding, i < 4 ? "jpeg" : "jpx") << i;
        if (i < 4) {
            EXPECT_EQ(listed[i].color, colors[i]) << i;
        }
    }
    std::string text;
    ASSERT_EQ(RunCommand("pdfinfo " + ShellQuote(pdf), &text), 0);
    EXPECT_NE(text.find("Pages:           6\n"), std::string::npos) << text;
    EXPECT_NE(text.find("612 x 792 pts"), std::string::npos) << text;
}

TEST_F(CliEndToEnd, MultipleWritesOneDocumentPerImageNamedAfterIt) {
    const std::string a = MakeJpeg("a.Jpg");
    const std::string b = Make("b.jp2", "opj_compress -i {in} -o {out}");
    const std::string c = Make("c.j2k", "opj_compress -i {in} -o {out}");
    fs::rename(PathFromUtf8(c), PathFromUtf8(in + "/c.J2K"));
    const CliResult result = RunProgram(
        {"--as-window", "--multiple", "--match-image-size", "--top", "0.5", a, b, in + "/c.J2K"});
    ASSERT_EQ(result.code, 0) << result.err;
    EXPECT_EQ(result.out.rfind("Done creating PDFs.  Duration:  ", 0), 0u) << result.out;
    for (const char* name : {"a.Jpg.PDF", "b.jp2.PDF", "c.J2K.PDF"}) {
        const std::string pdf = out + "/" + name;
        ASSERT_TRUE(fs::exists(PathFromUtf8(pdf))) << name;
        ExpectValidPdf(pdf);
        ASSERT_EQ(ListImages(pdf).size(), 1u) << name;
        std::string text;
        RunCommand("pdfinfo " + ShellQuote(pdf), &text);
        EXPECT_NE(text.find("96 x 100 pts"), std::string::npos) << name << text;
    }
}

struct RenderRow {
    std::string name;
    std::string cjpegOptions;
    std::string pdftoppmOptions;
    std::string extension;
};

class CliRendering : public CliEndToEnd, public ::testing::WithParamInterface<RenderRow> {};

TEST_P(CliRendering, PageAt72DpiIsTheDecodedImage) {
    const RenderRow& row = GetParam();
    const std::string jpeg = MakeJpeg(row.name + ".jpg", row.cjpegOptions);
    const CliResult result = RunProgram({"--as-window", "--match-image-size", jpeg});
    ASSERT_EQ(result.code, 0) << result.err;
    const std::string pdf = out + "/JPEG_Output.PDF";
    const std::string rendered = out + "/rendered";
    ASSERT_EQ(RunCommand("pdftoppm -r 72 -singlefile " + row.pdftoppmOptions + " " +
                         ShellQuote(pdf) + " " + ShellQuote(rendered)),
              0);
    const std::string decoded = out + "/decoded" + row.extension;
    ASSERT_EQ(RunCommand("djpeg -pnm " + ShellQuote(jpeg) + " > " + ShellQuote(decoded)), 0);
    const Pnm page = ReadPnm(rendered + row.extension);
    const Pnm image = ReadPnm(decoded);
    EXPECT_EQ(page.width, 96);
    EXPECT_EQ(page.height, 64);
    // The renderer smooths the hard edges of the test picture a little (about 4 of 255 on
    // average); an image drawn upside down or shifted by a pixel differs far more.
    EXPECT_LT(MeanAbsoluteDifference(page, image), 6.0);
}

INSTANTIATE_TEST_SUITE_P(Jpeg, CliRendering,
                         ::testing::Values(RenderRow{"rgb", "", "", ".ppm"},
                                           RenderRow{"gray", "-grayscale", "-gray", ".pgm"}),
                         [](const ::testing::TestParamInfo<RenderRow>& row) {
                             return row.param.name;
                         });

TEST_F(CliEndToEnd, RefusedAndRepeatedImagesAndTheExitCode) {
    const std::string good = MakeJpeg("good.jpg");
    WriteText(in + "/fake.jpg", "not a jpeg");
    fs::create_directory(dir.Path() / "in" / "folder.jpg");
    fs::create_directory(dir.Path() / "in" / "plainfolder");
    const CliResult result = RunProgram({"--as-window", good, in + "/missing.jpg", in + "/fake.jpg",
                                         in + "/folder.jpg", in + "/plainfolder", in + "/notes.txt",
                                         in + "/../in/good.jpg", "../in/GOOD.JPG"});
    EXPECT_EQ(result.code, 3) << result.err;
    for (const char* name :
         {"missing.jpg", "fake.jpg", "folder.jpg (it is a folder, not a regular file)",
          "plainfolder", "notes.txt"}) {
        EXPECT_NE(result.err.find("Unable to load image file: " + in + "/" + name + "\n"),
                  std::string::npos)
            << name << "\n"
            << result.err;
    }
    EXPECT_EQ(result.err.find("good.jpg"), std::string::npos) << result.err;
    // Another letter case names the same file only where file names ignore case.
    if (kFileNamesIgnoreCase) {
        EXPECT_EQ(result.err.find("GOOD"), std::string::npos) << result.err;
    } else {
        EXPECT_NE(result.err.find("GOOD.JPG\n"), std::string::npos) << result.err;
    }
    EXPECT_EQ(result.out.rfind("Done creating PDF.", 0), 0u);
    EXPECT_EQ(ListImages(out + "/JPEG_Output.PDF").size(), 1u);
}

TEST_F(CliEndToEnd, SpacesAndNonAsciiNames) {
    const std::string image = MakeJpeg("été à la plage.jpg");
    fs::create_directory(PathFromUtf8(out + "/dossier ü"));
    const CliResult single =
        RunProgram({"--as-window", "-o", out + "/dossier ü", "-f", "résumé 1.pdf", image});
    ASSERT_EQ(single.code, 0) << single.err;
    ExpectValidPdf(out + "/dossier ü/résumé 1.pdf");
    const CliResult multiple =
        RunProgram({"--as-window", "--multiple", "-o", out + "/dossier ü", image});
    ASSERT_EQ(multiple.code, 0) << multiple.err;
    ExpectValidPdf(out + "/dossier ü/été à la plage.jpg.PDF");
}

TEST_F(CliEndToEnd, DocumentsThatCannotBeWrittenExitWithFour) {
    const std::string image = MakeJpeg("a.jpg");
    CliResult result = RunProgram({"--as-window", "-o", out + "/no such folder", image});
    EXPECT_EQ(result.code, 4) << result.err;
    EXPECT_FALSE(result.err.empty());
    WriteText(out + "/plain file", "x");
    result = RunProgram({"--as-window", "--multiple", "-o", out + "/plain file", image});
    EXPECT_EQ(result.code, 4) << result.err;
    result = RunProgram({"--as-window", "-W", "1e30", image});
    EXPECT_EQ(result.code, 4) << result.err;
    EXPECT_NE(result.err.find("Overflow"), std::string::npos) << result.err;
    EXPECT_TRUE(result.out.empty());
}

TEST_F(CliEndToEnd, RejectedOptionsWriteNothing) {
    const std::string image = MakeJpeg("a.jpg");
    CliResult result = RunProgram({"--as-window", "--width", "0", "--left", "-1", image});
    EXPECT_EQ(result.code, 1);
    EXPECT_EQ(result.err, "folionix-cli: Please enter valid page dimensions.\n");
    EXPECT_TRUE(result.out.empty());
    result = RunProgram({"--as-window", "-f", "a/b.pdf", image});
    EXPECT_EQ(result.code, 1);
    EXPECT_EQ(result.err,
              "folionix-cli: Please enter a valid file name (cannot contain \\ / : * < > "
              "? | \")\n");
    result = RunProgram({"--as-window", "-o", "", image});
    EXPECT_EQ(result.code, 1);
    EXPECT_EQ(result.err, "folionix-cli: Please enter an Output Path\n");
    EXPECT_TRUE(fs::is_empty(PathFromUtf8(out)));
}

TEST_F(CliEndToEnd, UsageErrorsAndOptionsAfterDoubleDash) {
    EXPECT_EQ(RunProgram({}).code, 2);
    EXPECT_EQ(RunProgram({"--width"}).code, 2);
    EXPECT_EQ(RunProgram({"--frobnicate", "x.jpg"}).code, 2);
    const std::string image = MakeJpeg("-dash.jpg");
    const CliResult result = RunProgram({"--as-window", "--", "-dash.jpg"}, in);
    EXPECT_EQ(result.code, 0) << result.err;
    EXPECT_TRUE(fs::exists(PathFromUtf8(in + "/JPEG_Output.PDF")));
}

// The documents a run left in the output folder (the run's stdout and stderr live elsewhere).
std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(PathFromUtf8(folder))) {
        if (entry.is_regular_file()) {
            names.push_back(Utf8FromPath(fs::relative(entry.path(), PathFromUtf8(folder))));
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string PdfInfo(const std::string& pdf) {
    std::string text;
    EXPECT_EQ(RunCommand("pdfinfo " + ShellQuote(pdf) + " 2>&1", &text), 0) << text;
    return text;
}

struct PageRow {
    std::vector<std::string> options;
    std::string pageSize; // as pdfinfo prints it
};

class CliPageSizes : public CliEndToEnd, public ::testing::WithParamInterface<PageRow> {};

// cjpeg's own JFIF header (units 0) is taken as 72 dpi, not 1 dpi.
TEST_P(CliPageSizes, UnitsAndNamesGiveThePage) {
    const std::string image = Make("plain.jpg", "cjpeg {in} > {out}");
    std::vector<std::string> arguments = GetParam().options;
    arguments.push_back(image);
    const CliResult result = RunProgram(arguments);
    ASSERT_EQ(result.code, 0) << result.err;
    const std::string info = PdfInfo(out + "/JPEG_Output.PDF");
    EXPECT_NE(info.find("Page size:       " + GetParam().pageSize + " pts"), std::string::npos)
        << info;
}

INSTANTIATE_TEST_SUITE_P(
    Default, CliPageSizes,
    ::testing::Values(PageRow{{}, "612 x 792"}, PageRow{{"-S", "A4"}, "595 x 842"},
                      PageRow{{"--page-size=letter-LANDSCAPE"}, "792 x 612"},
                      PageRow{{"-W", "21cm", "-H", "297mm"}, "595 x 842"},
                      PageRow{{"-S", "A5", "-W", "100pt"}, "100 x 595"},
                      PageRow{{"--match-image-size"}, "96 x 64"},
                      PageRow{{"--match-image-size", "--margin", "1in", "--top", "2.54cm"},
                              "240 x 208"}));

struct ValueRow {
    std::vector<std::string> options;
    int code;
    std::string message;
};

class CliBadValues : public CliEndToEnd, public ::testing::WithParamInterface<ValueRow> {};

TEST_P(CliBadValues, AreRefusedBeforeAnythingIsWritten) {
    const std::string image = MakeJpeg("a.jpg");
    std::vector<std::string> arguments = GetParam().options;
    arguments.push_back(image);
    const CliResult result = RunProgram(arguments);
    EXPECT_EQ(result.code, GetParam().code);
    EXPECT_EQ(result.err.rfind("folionix-cli: " + GetParam().message, 0), 0u) << result.err;
    EXPECT_TRUE(result.out.empty());
    EXPECT_TRUE(FilesIn(out).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Default, CliBadValues,
    ::testing::Values(
        ValueRow{{"-W", "8,5"},
                 2,
                 "invalid value '8,5' for --width: use a period as the decimal "
                 "separator"},
        ValueRow{{"-W", "A4"},
                 2,
                 "invalid value 'A4' for --width: expected a number with an "
                 "optional unit in, cm, mm or pt"},
        ValueRow{{"--margin=1 cm"},
                 2,
                 "invalid value '1 cm' for --margin: expected a number with "
                 "an optional unit in, cm, mm or pt"},
        ValueRow{{"-H", "0cm"}, 1, "the page height must be greater than 0 (--height 0cm)"},
        ValueRow{{"--left", "-1mm"}, 1, "a margin cannot be negative (--left -1mm)"},
        ValueRow{{"-f", "a:b.pdf"}, 1, "'a:b.pdf' is not a valid file name"},
        ValueRow{{"--multiple", "-o", "x.pdf"}, 2, "with --multiple, -o names a folder"},
        ValueRow{{"-o", "x.pdf", "-f", "y.pdf"}, 2, "-o names the document already"},
        ValueRow{{"--as-window", "-S", "A4"}, 2, "--page-size is not available with --as-window"},
        ValueRow{{"--as-window", "--title", "T"}, 2, "--title is not available with --as-window"},
        ValueRow{{"--as-window", "--conforming"}, 2, "--conforming and --as-window exclude"}));

struct OutputRow {
    std::vector<std::string> options; // {out} stands for the output folder
    std::vector<std::string> folders; // made beforehand, inside the output folder
    std::string document;             // where the document lands; empty: exit 4, nothing
};

class CliOutputForms : public CliEndToEnd, public ::testing::WithParamInterface<OutputRow> {};

TEST_P(CliOutputForms, NameTheDocumentOrItsFolder) {
    const std::string image = MakeJpeg("a.jpg");
    for (const std::string& folder : GetParam().folders) {
        fs::create_directories(PathFromUtf8(out + "/" + folder));
    }
    std::vector<std::string> arguments;
    for (const std::string& option : GetParam().options) {
        arguments.push_back(ReplaceAll(option, "{out}", out));
    }
    arguments.push_back(image);
    const CliResult result = RunProgram(arguments);
    if (GetParam().document.empty()) {
        EXPECT_EQ(result.code, 4) << result.err;
        EXPECT_TRUE(result.out.empty()) << result.out;
        EXPECT_NE(result.err.find("folionix-cli: Cannot create "), std::string::npos) << result.err;
        EXPECT_TRUE(FilesIn(out).empty());
        return;
    }
    EXPECT_EQ(result.code, 0) << result.err;
    EXPECT_EQ(FilesIn(out), std::vector<std::string>{GetParam().document});
}

INSTANTIATE_TEST_SUITE_P(
    Default, CliOutputForms,
    ::testing::Values(OutputRow{{"-o", "doc.Pdf"}, {}, "doc.Pdf"},
                      OutputRow{{"-o", "{out}/sub/x.pdf"}, {"sub"}, "sub/x.pdf"},
                      OutputRow{{"-o", "x.pdf"}, {"x.pdf"}, "x.pdf/JPEG_Output.PDF"},
                      OutputRow{{"-o", "x.pdf", "--multiple"}, {"x.pdf"}, "x.pdf/a.jpg.PDF"},
                      OutputRow{{"-o", "sub/", "-f", "y.pdf"}, {"sub"}, "sub/y.pdf"},
                      OutputRow{{"--output-dir", "sub"}, {"sub"}, "sub/JPEG_Output.PDF"},
                      OutputRow{{"-o", "{out}/missing/"}, {}, ""},
                      OutputRow{{"-o", "{out}/missing/x.pdf"}, {}, ""},
                      OutputRow{{"--output-dir", "{out}/y.pdf"}, {}, ""}));

TEST_F(CliEndToEnd, RefusedFilesCarryTheirReasonAndNoImageWritesNothing) {
    const std::string good = MakeJpeg("good.jpg");
    WriteText(in + "/fake.jp2", "not a jp2");
    fs::create_directory(PathFromUtf8(in + "/folder.jpg"));
    WriteText(in + "/readme", "x");
    const std::vector<std::pair<std::string, std::string>> refused = {
        {in + "/missing.jpg", "No such file or directory"},
        {in + "/fake.jp2", "not a valid JP2 header"},
        {in + "/folder.jpg", "it is a folder, not a regular file"},
        {in + "/readme", "not a .jpg, .jpeg, .jpe, .jp2 or .j2k file"},
    };
    std::vector<std::string> arguments;
    std::string expected;
    for (const auto& [path, reason] : refused) {
        arguments.push_back(path);
        expected += "folionix-cli: left out " + path + ": " + reason + "\n";
    }
    CliResult result = RunProgram(arguments);
    EXPECT_EQ(result.code, 3);
    EXPECT_EQ(result.err, expected + "folionix-cli: no image to convert; nothing written\n");
    EXPECT_TRUE(result.out.empty());
    EXPECT_TRUE(FilesIn(out).empty());

    // One good image: the document is written, the refusals are still reported, exit 3.
    arguments.push_back(good);
    result = RunProgram(arguments);
    EXPECT_EQ(result.code, 3);
    EXPECT_EQ(result.err, expected);
    EXPECT_EQ(result.out.rfind("Done creating PDF.", 0), 0u);
    EXPECT_NE(PdfInfo(out + "/JPEG_Output.PDF").find("Pages:           1\n"), std::string::npos);

    // The window writes its empty document, and its message has the reason on the next line.
    fs::remove(PathFromUtf8(out + "/JPEG_Output.PDF"));
    result = RunProgram({"--as-window", in + "/fake.jp2"});
    EXPECT_EQ(result.code, 3);
    EXPECT_EQ(result.err, "folionix-cli: Unable to load image file: " + in +
                              "/fake.jp2\nfolionix-cli: not a valid JP2 header\n");
    EXPECT_EQ(result.out.rfind("Done creating PDF.", 0), 0u);
    EXPECT_EQ(FilesIn(out), std::vector<std::string>{"JPEG_Output.PDF"});
}

TEST_F(CliEndToEnd, QuietAndVerbose) {
    const std::string good = MakeJpeg("good.jpg");
    CliResult result = RunProgram({"-q", good, in + "/missing.jpg"});
    EXPECT_EQ(result.code, 3);
    EXPECT_TRUE(result.out.empty());
    EXPECT_EQ(result.err,
              "folionix-cli: left out " + in + "/missing.jpg: No such file or directory\n");
    result = RunProgram({"-v", "--multiple", good});
    EXPECT_EQ(result.code, 0);
    EXPECT_EQ(result.err,
              "folionix-cli: added " + good + "\nfolionix-cli: page 1 of 1: " + good + "\n");
}

TEST_F(CliEndToEnd, DocumentInformationWithTextBeyondAscii) {
    const std::string image = MakeJpeg("a.jpg");
    const CliResult result = RunProgram({"--title", "Été à Zürich ☃", "--author", "A (B) \\ C",
                                         "--keywords", "😀", "-o", "info.pdf", image});
    ASSERT_EQ(result.code, 0) << result.err;
    ExpectValidPdf(out + "/info.pdf");
    const std::string info = PdfInfo(out + "/info.pdf");
    for (const char* line : {"Title:           Été à Zürich ☃\n", "Author:          A (B) \\ C\n",
                             "Keywords:        😀\n"}) {
        EXPECT_NE(info.find(line), std::string::npos) << line << info;
    }
    EXPECT_EQ(info.find("Subject:"), std::string::npos) << info;
    ASSERT_EQ(RunProgram({"-o", "plain.pdf", image}).code, 0);
    EXPECT_EQ(ReadText(out + "/plain.pdf").find("/Info"), std::string::npos);
}

// 100,000 names in a list (far beyond what a command line holds), run on a pseudo-terminal:
// every page is written, and the terminal saw the progress line.
TEST_F(CliEndToEnd, LongListOnATerminalShowsProgress) {
    if (!HaveTool("python3")) {
        GTEST_SKIP() << "python3 missing";
    }
    const std::string image = MakeJpeg("tiny.jpg");
    fs::create_directory(PathFromUtf8(in + "/many"));
    std::string list = "\n";
    constexpr int kNames = 100000;
    for (int i = 0; i < kNames; ++i) {
        const std::string name = "many/" + std::to_string(i) + ".jpg";
        fs::create_symlink(PathFromUtf8(image), PathFromUtf8(in + "/" + name));
        list += name + "\n";
    }
    WriteText(in + "/list.txt", list);
    // The program's standard error is the terminal; standard output stays a file.
    const std::string terminal = Utf8FromPath(dir.Path() / "terminal.txt");
    const std::string script =
        "import os,pty,subprocess,sys\n"
        "m,s=pty.openpty()\n"
        "p=subprocess.Popen(sys.argv[1:],stdout=subprocess.DEVNULL,stderr=s)\n"
        "os.close(s)\n"
        "seen=b''\n"
        "while True:\n"
        "  try: c=os.read(m,65536)\n"
        "  except OSError: break\n"
        "  if not c: break\n"
        "  seen+=c\n"
        "open(os.environ['TERMINAL_OUT'],'wb').write(seen)\n"
        "sys.exit(p.wait())\n";
    const std::string command =
        "cd " + ShellQuote(in) + " && TERMINAL_OUT=" + ShellQuote(terminal) +
        " timeout 300 python3 -c " + ShellQuote(script) + " " + ShellQuote(FOLIONIX_CLI_PATH) +
        " --from-file - -o " + ShellQuote(out + "/all.pdf") + " < " + ShellQuote(in + "/list.txt");
    ASSERT_EQ(RunCommand(command), 0);
    EXPECT_NE(PdfInfo(out + "/all.pdf").find("Pages:           100000\n"), std::string::npos);
    const std::string seen = ReadText(terminal);
    EXPECT_NE(seen.find("\rfolionix-cli: writing "), std::string::npos) << seen.substr(0, 300);
    EXPECT_NE(seen.find("/100000 "), std::string::npos);
    EXPECT_EQ(seen.find('\n'), std::string::npos) << "only the progress line";
}

} // namespace
} // namespace folionix::test

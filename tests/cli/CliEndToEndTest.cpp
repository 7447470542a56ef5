// Runs the built folionix-cli on images made by Debian tools and checks its documents with
// qpdf, pdfimages and pdftoppm.
#include "cli/FolionixCli.h"
#include "common/FileAccess.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <sstream>
#include <string>
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
    std::vector<std::string> arguments = {"-o", out};
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
    const CliResult result =
        RunProgram({"--multiple", "--match-image-size", "--top", "0.5", a, b, in + "/c.J2K"});
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
    const CliResult result = RunProgram({"--match-image-size", jpeg});
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
    const CliResult result = RunProgram({good, in + "/missing.jpg", in + "/fake.jpg",
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
    EXPECT_EQ(result.err.find("GOOD"), std::string::npos) << result.err;
    EXPECT_EQ(result.out.rfind("Done creating PDF.", 0), 0u);
    EXPECT_EQ(ListImages(out + "/JPEG_Output.PDF").size(), 1u);
}

TEST_F(CliEndToEnd, SpacesAndNonAsciiNames) {
    const std::string image = MakeJpeg("été à la plage.jpg");
    fs::create_directory(PathFromUtf8(out + "/dossier ü"));
    const CliResult single = RunProgram({"-o", out + "/dossier ü", "-f", "résumé 1.pdf", image});
    ASSERT_EQ(single.code, 0) << single.err;
    ExpectValidPdf(out + "/dossier ü/résumé 1.pdf");
    const CliResult multiple = RunProgram({"--multiple", "-o", out + "/dossier ü", image});
    ASSERT_EQ(multiple.code, 0) << multiple.err;
    ExpectValidPdf(out + "/dossier ü/été à la plage.jpg.PDF");
}

TEST_F(CliEndToEnd, DocumentsThatCannotBeWrittenExitWithFour) {
    const std::string image = MakeJpeg("a.jpg");
    CliResult result = RunProgram({"-o", out + "/no such folder", image});
    EXPECT_EQ(result.code, 4) << result.err;
    EXPECT_FALSE(result.err.empty());
    WriteText(out + "/plain file", "x");
    result = RunProgram({"--multiple", "-o", out + "/plain file", image});
    EXPECT_EQ(result.code, 4) << result.err;
    result = RunProgram({"-W", "1e30", image});
    EXPECT_EQ(result.code, 4) << result.err;
    EXPECT_NE(result.err.find("Overflow"), std::string::npos) << result.err;
    EXPECT_TRUE(result.out.empty());
}

TEST_F(CliEndToEnd, RejectedOptionsWriteNothing) {
    const std::string image = MakeJpeg("a.jpg");
    CliResult result = RunProgram({"--width", "0", "--left", "-1", image});
    EXPECT_EQ(result.code, 1);
    EXPECT_EQ(result.err, "Please enter valid page dimensions.\n");
    EXPECT_TRUE(result.out.empty());
    result = RunProgram({"-f", "a/b.pdf", image});
    EXPECT_EQ(result.code, 1);
    EXPECT_EQ(result.err, "Please enter a valid file name (cannot contain \\ / : * < > ? | \")\n");
    result = RunProgram({"-o", "", image});
    EXPECT_EQ(result.code, 1);
    EXPECT_EQ(result.err, "Please enter an Output Path\n");
    EXPECT_TRUE(fs::is_empty(PathFromUtf8(out)));
}

TEST_F(CliEndToEnd, UsageErrorsAndOptionsAfterDoubleDash) {
    EXPECT_EQ(RunProgram({}).code, 2);
    EXPECT_EQ(RunProgram({"--width"}).code, 2);
    EXPECT_EQ(RunProgram({"--frobnicate", "x.jpg"}).code, 2);
    const std::string image = MakeJpeg("-dash.jpg");
    const CliResult result = RunProgram({"--", "-dash.jpg"}, in);
    EXPECT_EQ(result.code, 0) << result.err;
    EXPECT_TRUE(fs::exists(PathFromUtf8(in + "/JPEG_Output.PDF")));
}

} // namespace
} // namespace folionix::test

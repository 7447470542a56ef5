// Files written by real encoders (libjpeg-turbo's cjpeg, ImageMagick, OpenJPEG), read by our
// readers and by an independent one: rdjpgcom and exiftool for JPEG, opj_dump for JPEG 2000.

#include "imaging/modJ2K.h"
#include "imaging/modJP2.h"
#include "imaging/modJPG.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace folionix {
namespace {

using test::HaveTool;
using test::RunCommand;
using test::ShellQuote;

// A noisy picture as binary PNM: P5 (grey), P6 (RGB) or P7 (PAM, any depth), 8 or 16 bits.
std::vector<std::uint8_t> MakePnm(int width, int height, int components, int maxValue) {
    std::ostringstream head;
    if (components == 1 || components == 3) {
        head << (components == 1 ? "P5\n" : "P6\n") << width << ' ' << height << '\n'
             << maxValue << '\n';
    } else {
        head << "P7\nWIDTH " << width << "\nHEIGHT " << height << "\nDEPTH " << components
             << "\nMAXVAL " << maxValue << "\nTUPLTYPE CMYK\nENDHDR\n";
    }
    const std::string text = head.str();
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    const int sampleBytes = maxValue > 255 ? 2 : 1;
    std::uint32_t state = 12345;
    for (int i = 0; i < width * height * components; ++i) {
        state = state * 1103515245u + 12345u;
        const std::uint32_t value = (state >> 8) % static_cast<std::uint32_t>(maxValue + 1);
        if (sampleBytes == 2) {
            bytes.push_back(static_cast<std::uint8_t>(value >> 8));
        }
        bytes.push_back(static_cast<std::uint8_t>(value & 0xFF));
    }
    return bytes;
}

// "JPEG image is 40w * 30h, 3 color components, 8 bits per sample"
struct JpegFrame {
    int width = -1, height = -1, components = -1, precision = -1;
};

JpegFrame FrameByRdjpgcom(const std::string& path) {
    std::string out;
    JpegFrame frame;
    if (RunCommand("rdjpgcom -verbose " + ShellQuote(path), &out) != 0) {
        return frame;
    }
    std::smatch m;
    const std::regex line(R"((\d+)w \* (\d+)h, (\d+) color components?, (\d+) bits per sample)");
    if (std::regex_search(out, m, line)) {
        frame = {std::stoi(m[1]), std::stoi(m[2]), std::stoi(m[3]), std::stoi(m[4])};
    }
    return frame;
}

// JFIF units and densities by exiftool; false when the file has no JFIF segment.
bool JfifByExiftool(const std::string& path, int& units, int& x, int& y) {
    std::string out;
    if (RunCommand("exiftool -s -s -s -n -JFIF:ResolutionUnit -JFIF:XResolution "
                   "-JFIF:YResolution " +
                       ShellQuote(path),
                   &out) != 0) {
        return false;
    }
    std::istringstream in(out);
    return static_cast<bool>(in >> units >> x >> y);
}

std::int32_t ExpectedDpi(int units, int density) {
    return units == 2 ? static_cast<std::int32_t>(std::nearbyint(density * 2.53999998)) : density;
}

void CheckJpegAgainstTools(const std::string& path) {
    ImageInfo info;
    ASSERT_TRUE(GetJpegInfo(path, info, 1)) << path;
    const JpegFrame frame = FrameByRdjpgcom(path);
    ASSERT_GT(frame.width, 0) << "rdjpgcom could not read " << path;
    EXPECT_EQ(info.Width, frame.width);
    EXPECT_EQ(info.Height, frame.height);
    EXPECT_EQ(info.BitsPerComponent, frame.precision);
    EXPECT_EQ(info.BitsPerPixel, frame.components * frame.precision);
    int units = 0, x = 0, y = 0;
    if (HaveTool("exiftool") && JfifByExiftool(path, units, x, y)) {
        EXPECT_EQ(info.XResolution, ExpectedDpi(units, x));
        EXPECT_EQ(info.YResolution, ExpectedDpi(units, y));
    }
}

class RealJpeg : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HaveTool("rdjpgcom")) {
            GTEST_SKIP() << "rdjpgcom (libjpeg-turbo-progs) is missing";
        }
    }
    test::TempDir dir_;
};

struct CjpegRow {
    const char* name;
    const char* options;
    int components;
};

class CjpegFile : public RealJpeg, public ::testing::WithParamInterface<CjpegRow> {};

TEST_P(CjpegFile, MatchesRdjpgcom) {
    if (!HaveTool("cjpeg")) {
        GTEST_SKIP() << "cjpeg is missing";
    }
    const std::string input = dir_.File("in.pnm");
    const std::string output = dir_.File("out.jpg");
    test::WriteBytes(input, MakePnm(123, 45, GetParam().components, 255));
    if (RunCommand("cjpeg " + std::string(GetParam().options) + " -outfile " + ShellQuote(output) +
                   " " + ShellQuote(input) + " 2>/dev/null") != 0) {
        GTEST_SKIP() << "this cjpeg cannot write " << GetParam().name;
    }
    CheckJpegAgainstTools(output);
    ImageInfo info;
    ASSERT_TRUE(GetJpegInfo(output, info, 1));
    EXPECT_EQ(info.BitsPerPixel, 8 * GetParam().components);
}

INSTANTIATE_TEST_SUITE_P(Cjpeg, CjpegFile,
                         ::testing::Values(CjpegRow{"baseline", "", 3},
                                           CjpegRow{"progressive", "-progressive", 3},
                                           CjpegRow{"grayscale", "-grayscale", 1},
                                           CjpegRow{"greyInput", "", 1},
                                           CjpegRow{"arithmetic", "-arithmetic", 3},
                                           CjpegRow{"optimized", "-optimize -restart 1", 3}),
                         [](const auto& row) { return std::string(row.param.name); });

struct ConvertRow {
    const char* name;
    const char* options;
    std::int32_t xResolution;
    std::int32_t bitsPerPixel;
};

class ConvertFile : public RealJpeg, public ::testing::WithParamInterface<ConvertRow> {};

TEST_P(ConvertFile, MatchesRdjpgcomAndExiftool) {
    if (!HaveTool("/usr/bin/convert")) {
        GTEST_SKIP() << "ImageMagick is missing";
    }
    const std::string input = dir_.File("in.ppm");
    const std::string output = dir_.File("out.jpg");
    test::WriteBytes(input, MakePnm(64, 48, 3, 255));
    ASSERT_EQ(RunCommand("/usr/bin/convert " + ShellQuote(input) + " " + GetParam().options + " " +
                         ShellQuote(output) + " 2>/dev/null"),
              0);
    CheckJpegAgainstTools(output);
    ImageInfo info;
    ASSERT_TRUE(GetJpegInfo(output, info, 1));
    EXPECT_EQ(info.XResolution, GetParam().xResolution);
    EXPECT_EQ(info.BitsPerPixel, GetParam().bitsPerPixel);
}

INSTANTIATE_TEST_SUITE_P(
    Convert, ConvertFile,
    ::testing::Values(
        ConvertRow{"inch300", "-density 300 -units PixelsPerInch", 300, 24},
        ConvertRow{"centimetre118", "-density 118 -units PixelsPerCentimeter", 300, 24},
        ConvertRow{"centimetre25", "-density 25 -units PixelsPerCentimeter", 63, 24},
        ConvertRow{"cmyk", "-density 96 -units PixelsPerInch -colorspace CMYK", 96, 32}),
    [](const auto& row) { return std::string(row.param.name); });

// libjpeg-turbo builds without 12-bit support write 8 bits whatever is asked: then skip.
TEST_F(RealJpeg, TwelveBitFileWhereTheEncoderCanWriteOne) {
    if (!HaveTool("/usr/bin/convert")) {
        GTEST_SKIP() << "ImageMagick is missing";
    }
    const std::string input = dir_.File("in.ppm");
    const std::string output = dir_.File("out.jpg");
    test::WriteBytes(input, MakePnm(32, 16, 3, 65535));
    ASSERT_EQ(RunCommand("/usr/bin/convert " + ShellQuote(input) + " -depth 12 " +
                         ShellQuote(output) + " 2>/dev/null"),
              0);
    if (FrameByRdjpgcom(output).precision != 12) {
        GTEST_SKIP() << "this libjpeg writes no 12-bit JPEG";
    }
    CheckJpegAgainstTools(output);
}

// --- JPEG 2000 by OpenJPEG ---------------------------------------------------------------------

struct J2kDump {
    int width = -1, height = -1;
    std::vector<int> precisions;
};

J2kDump DumpByOpjDump(const std::string& path) {
    std::string out;
    J2kDump dump;
    if (RunCommand("opj_dump -i " + ShellQuote(path) + " 2>/dev/null", &out) != 0) {
        return dump;
    }
    std::smatch m;
    if (std::regex_search(out, m, std::regex(R"(x1=(\d+), y1=(\d+))"))) {
        dump.width = std::stoi(m[1]);
        dump.height = std::stoi(m[2]);
    }
    // Only the image's components, which come before the codestream's coding parameters.
    const std::string image = out.substr(0, out.find("Codestream info"));
    const std::regex prec(R"(prec=(\d+))");
    for (auto it = std::sregex_iterator(image.begin(), image.end(), prec);
         it != std::sregex_iterator(); ++it) {
        dump.precisions.push_back(std::stoi((*it)[1]));
    }
    return dump;
}

struct OpjRow {
    int components;
    int bits;
};

class OpenJpegFile : public ::testing::TestWithParam<OpjRow> {};

TEST_P(OpenJpegFile, Jp2AndCodestreamMatchOpjDump) {
    if (!HaveTool("opj_compress") || !HaveTool("opj_dump")) {
        GTEST_SKIP() << "libopenjp2-tools is missing";
    }
    const auto [components, bits] = GetParam();
    test::TempDir dir;
    // Raw big-endian samples: two bytes each above 8 bits.
    const int width = 40, height = 21; // opj_compress refuses some odd raw widths
    std::vector<std::uint8_t> raw;
    const int sampleBytes = bits > 8 ? 2 : 1;
    for (int i = 0; i < width * height * components; ++i) {
        const int value = (i * 7919) % (1 << bits);
        if (sampleBytes == 2) {
            raw.push_back(static_cast<std::uint8_t>(value >> 8));
        }
        raw.push_back(static_cast<std::uint8_t>(value & 0xFF));
    }
    const std::string input = dir.File("in.raw");
    test::WriteBytes(input, raw);
    const std::string format = std::to_string(width) + "," + std::to_string(height) + "," +
                               std::to_string(components) + "," + std::to_string(bits) + ",u";
    for (const char* extension : {".jp2", ".j2k"}) {
        const std::string output = dir.File(std::string("out") + extension);
        ASSERT_EQ(RunCommand("opj_compress -i " + ShellQuote(input) + " -o " + ShellQuote(output) +
                             " -F " + format + " -n 2 >/dev/null 2>&1"),
                  0)
            << extension;
        const J2kDump dump = DumpByOpjDump(output);
        ASSERT_EQ(dump.precisions.size(), static_cast<std::size_t>(components)) << extension;
        int sum = 0;
        for (const int precision : dump.precisions) {
            sum += precision;
        }
        ImageInfo info;
        const bool ok = std::string(extension) == ".jp2" ? GetJp2Info(output, info, 1)
                                                         : GetJ2kInfo(output, info, 1);
        ASSERT_TRUE(ok) << extension;
        EXPECT_EQ(info, (ImageInfo{dump.width, dump.height, 0, 0, sum, dump.precisions.back()}))
            << extension;
        EXPECT_EQ(info.BitsPerPixel, components * bits);
    }
}

INSTANTIATE_TEST_SUITE_P(OpjCompress, OpenJpegFile,
                         ::testing::Values(OpjRow{1, 8}, OpjRow{1, 12}, OpjRow{1, 16}, OpjRow{3, 8},
                                           OpjRow{3, 12}, OpjRow{3, 16}, OpjRow{4, 8},
                                           OpjRow{4, 12}, OpjRow{4, 16}),
                         [](const auto& row) {
                             return std::to_string(row.param.components) + "x" +
                                    std::to_string(row.param.bits);
                         });

} // namespace
} // namespace folionix

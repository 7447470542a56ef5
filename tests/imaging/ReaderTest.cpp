// The three header readers over byte-built files: each row is read from a file and from memory by
// the standard reader and by ReadImageHeader, which must agree and take one walk each.

#include "imaging/ImageHeader.h"
#include "imaging/modJ2K.h"
#include "imaging/modJP2.h"
#include "imaging/modJPG.h"
#include "support/ImageBytes.h"
#include "support/Pictures.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>

namespace folionix {
namespace {

using namespace test;

constexpr ImageInfo kCaller{11, 22, 33, 44, 55, 66}; // what the caller's record held
constexpr ImageInfo kFailed{};

using FromPath = bool (*)(const std::string&, ImageInfo&, std::int32_t);
using FromSource = bool (*)(const ByteSource&, ImageInfo&, std::int32_t);
struct Format {
    ImageKind kind;
    FromPath fromPath;
    FromSource fromSource;
};
const Format kJpeg{ImageKind::Jpeg, GetJpegInfo, GetJpegInfo};
const Format kJp2{ImageKind::Jp2, GetJp2Info, GetJp2Info};
const Format kJ2k{ImageKind::J2k, GetJ2kInfo, GetJ2kInfo};

// Reads the file with the format's readers (from memory too unless huge); every read gives the
// same and counts one walk.
bool ReadAll(const Format& format, const std::string& path, std::int32_t start, ImageInfo& info,
             bool huge = false) {
    const std::uint64_t walks = HeaderWalkCount();
    info = kCaller;
    const bool ok = format.fromPath(path, info, start);
    EXPECT_EQ(HeaderWalkCount(), walks + 1);
    if (huge) {
        return ok;
    }
    const Bytes bytes = ReadBytes(path);
    ImageInfo fromMemory = kCaller;
    EXPECT_EQ(format.fromSource(MemorySource(bytes), fromMemory, start), ok);
    EXPECT_EQ(fromMemory, info);
    if (start == 1) {
        ImageHeader header;
        ImageInfo zeros;
        EXPECT_EQ(ReadImageHeader(MemorySource(bytes), format.kind, header), ok);
        EXPECT_EQ(format.fromSource(MemorySource(bytes), zeros, 1), ok);
        EXPECT_EQ(header.info, zeros);
    }
    EXPECT_EQ(HeaderWalkCount(), walks + (start == 1 ? 4 : 2));
    return ok;
}

struct Row {
    std::string name;
    const Format* format;
    Bytes bytes;
    std::optional<ImageInfo> expected; // nothing: the read fails and clears every field
    std::int32_t start = 1;
};

class Reader : public testing::TestWithParam<Row> {};

TEST_P(Reader, GivesTheRowsResultFromFileAndMemory) {
    const Row& row = GetParam();
    TempDir dir;
    WriteBytes(dir.File("image"), row.bytes);
    ImageInfo info;
    EXPECT_EQ(ReadAll(*row.format, dir.File("image"), row.start, info), row.expected.has_value());
    EXPECT_EQ(info, row.expected.value_or(kFailed));
}

std::vector<Row> JpegRows() {
    const Bytes soi{0xFF, 0xD8};
    const Bytes frame = FrameSegment(0xC0, 8, 10, 10, 3);
    const ImageInfo tenByTen{10, 10, 0, 0, 24, 8};
    std::vector<Row> rows{
        {"Jfif300", &kJpeg, MakeJpeg(1024, 768, 300), ImageInfo{1024, 768, 300, 300, 24, 8}},
        {"Grey12Bit", &kJpeg, JpegFile({FrameSegment(0xC1, 12, 65535, 65535, 1)}),
         ImageInfo{65535, 65535, 0, 0, 12, 12}},
        {"PerCentimetre", &kJpeg, JpegFile({JfifSegment(2, 25, 125), frame}),
         ImageInfo{10, 10, 63, 317, 24, 8}},
        {"AspectOnly", &kJpeg, JpegFile({JfifSegment(0, 2, 3), frame}),
         ImageInfo{10, 10, 2, 3, 24, 8}},
        {"ZeroDensityLetsTheNextSpeak", &kJpeg,
         JpegFile({JfifSegment(0, 0, 0), JfifSegment(2, 118, 118), frame}),
         ImageInfo{10, 10, 300, 300, 24, 8}},
        {"OneDensityStopsTheApp0s", &kJpeg,
         JpegFile(
             {JfifSegment(1, 0, 72), JfifSegment(1, 300, 300), JpegSegment(0xE0, {'J'}), frame}),
         ImageInfo{10, 10, 0, 72, 24, 8}},
        {"OtherApp0First", &kJpeg,
         JpegFile(
             {JpegSegment(0xE0, {'A', 'V', 'I', '1', 0, 0, 0, 0}), JfifSegment(1, 96, 97), frame}),
         ImageInfo{10, 10, 96, 97, 24, 8}},
        {"LowerCaseJfif", &kJpeg,
         JpegFile({JpegSegment(0xE0, {'j', 'F', 'I', 'F', 0, 1, 2, 1, 1, 0, 1, 0, 0, 0}), frame}),
         tenByTen},
        {"LastFrameBeforeScan", &kJpeg, JpegFile({frame, FrameSegment(0xC2, 12, 4, 5, 1)}),
         ImageInfo{4, 5, 0, 0, 12, 12}},
        {"NoFrameKeepsTheCaller", &kJpeg, JpegFile({JfifSegment(1, 200, 200)}),
         ImageInfo{11, 22, 200, 200, 55, 66}},
        {"EndOfImageLast", &kJpeg, Join({soi, frame, {0xFF, 0xD9}}), tenByTen},
        {"StartBelowOne", &kJpeg, JpegFile({frame}), tenByTen, -2147483647 - 1},
        {"StartPastALeadingBlock", &kJpeg, Join({Bytes(10, 0xEE), JpegFile({frame})}), tenByTen,
         11},
        {"LeadingBlock", &kJpeg, Join({Bytes(10, 0xEE), JpegFile({frame})}), {}},
        {"Empty", &kJpeg, {}, {}},
        {"SwappedSoi", &kJpeg, {0xD8, 0xFF, 0xFF, 0xD9}, {}},
        {"OnlySoi", &kJpeg, soi, {}},
        {"EndsBeforeScan", &kJpeg, Join({soi, frame}), {}},
        {"EndsInMarkerHeader", &kJpeg, Join({soi, frame, {0xFF, 0xDB, 0}}), {}},
        {"SegmentPastEnd", &kJpeg, Join({soi, JpegSegment(0xFE, {1, 2, 3}, 200)}), {}},
        {"LengthZero", &kJpeg, JpegFile({JpegSegment(0xFE, {}, 0)}), {}},
        {"LengthOne", &kJpeg, JpegFile({JpegSegment(0xFE, {}, 1)}), {}},
        {"FrameBelowTen", &kJpeg, JpegFile({JpegSegment(0xC0, {8, 0, 10, 0, 10})}), {}},
        {"JfifBelowSixteen",
         &kJpeg,
         JpegFile({JpegSegment(0xE0, {'J', 'F', 'I', 'F', 0, 1, 2, 1, 0})}),
         {}},
        {"Jp2", &kJpeg, MakeJp2(8, 8), {}},
    };
    for (int code = 0xC0; code <= 0xCF; ++code) { // DHT, JPG and DAC carry no frame
        const bool isFrame = code != 0xC4 && code != 0xC8 && code != 0xCC;
        rows.push_back({"Marker" + std::to_string(code), &kJpeg,
                        JpegFile({FrameSegment(static_cast<std::uint8_t>(code), 8, 3, 4, 1)}),
                        isFrame ? ImageInfo{3, 4, 0, 0, 8, 8} : ImageInfo{11, 22, 0, 0, 55, 66}});
    }
    return rows;
}

std::vector<Row> Jpeg2000Rows() {
    const Bytes soc{0xFF, 0x4F};
    const Bytes siz = SizSegment(8, 8, {8, 8, 8});
    const Bytes sig = Box("jP  ", {0x0D, 0x0A, 0x87, 0x0A});
    const Bytes jp2c = Box("jp2c", Codestream(8, 8, {8}));
    const ImageInfo eight{8, 8, 0, 0, 8, 8};
    Bytes shortSiz = siz;
    shortSiz.pop_back();
    shortSiz[3] = static_cast<std::uint8_t>(shortSiz[3] - 1); // its length agrees with its bytes
    return {
        {"Rgb", &kJ2k, Codestream(640, 480, {8, 8, 8}), ImageInfo{640, 480, 0, 0, 24, 8}},
        {"LastDepthCounts", &kJ2k, Codestream(3, 2, {8, 8, 8, 1}), ImageInfo{3, 2, 0, 0, 25, 1}},
        {"SignBitIsNoDepth", &kJ2k, Codestream(3, 2, {0x88, 8, 0x90}),
         ImageInfo{3, 2, 0, 0, 32, 16}},
        {"OffsetKept", &kJ2k, Codestream(650, 500, {8}, 10, 20), ImageInfo{650, 500, 0, 0, 8, 8}},
        {"SignedGrid", &kJ2k, Codestream(0x80000001u, 0x7FFFFFFFu, {8}),
         ImageInfo{-2147483647, 2147483647, 0, 0, 8, 8}},
        {"NoSizKeepsTheCaller", &kJ2k,
         Join({soc, JpegSegment(0x64, {0, 1}), {0xFF, 0x93, 0xFF, 0xD9}}),
         ImageInfo{11, 22, 0, 0, 55, 66}},
        {"LastSizBeforeData", &kJ2k,
         Join({soc,
               SizSegment(1, 2, {8}),
               SizSegment(3, 4, {12, 12}),
               {0xFF, 0x93},
               {0xFF, 0x51, 0, 3, 0}}),
         ImageInfo{3, 4, 0, 0, 24, 12}},
        {"StartPastALeadingBlock", &kJ2k, Join({Bytes(5, 0x4F), Codestream(8, 8, {8})}), eight, 6},
        {"J2kEmpty", &kJ2k, {}, {}},
        {"OnlySoc", &kJ2k, soc, {}},
        {"EndsBeforeData", &kJ2k, Join({soc, siz}), {}},
        {"J2kSegmentPastEnd", &kJ2k, Join({soc, siz, {0xFF, 0x52, 1, 0, 0, 0}}), {}},
        {"J2kLengthZero", &kJ2k, Join({soc, {0xFF, 0x64, 0, 0, 0xFF, 0x93}}), {}},
        {"J2kLengthOne", &kJ2k, Join({soc, {0xFF, 0x64, 0, 1, 0xFF, 0x93}}), {}},
        {"SizWithoutCount", &kJ2k, Join({soc, JpegSegment(0x51, Bytes(35, 0)), soc}), {}},
        {"SizBelowItsComponents", &kJ2k, Join({soc, shortSiz, {0xFF, 0x93}}), {}},
        {"JpegAsJ2k", &kJ2k, MakeJpeg(8, 8, 72), {}},
        {"Jp2", &kJp2, Jp2File({}, Codestream(640, 480, {8, 8, 8})),
         ImageInfo{640, 480, 0, 0, 24, 8}},
        // A box of 64 KiB or more needs all four length bytes; extended lengths step alike.
        {"LongAndExtendedBoxes", &kJp2,
         Join({sig, Box("xml ", Bytes(70000, 'x')), ExtendedBox("free", Bytes(40, 0)),
               Box("JP2C", {1}), jp2c}),
         eight},
        {"Jp2cLengthUnused", &kJp2, Join({sig, Box("jp2c", Codestream(8, 8, {8}), 0xFFFFFFFF)}),
         eight},
        {"Jp2StartPastALeadingBlock", &kJp2, Join({Bytes(4, 0), sig, jp2c}), eight, 5},
        {"Jp2Empty", &kJp2, {}, {}},
        {"ShorterThanABoxHeader", &kJp2, {0, 0, 0, 12, 'j', 'P'}, {}},
        {"NoJp2c", &kJp2, sig, {}},
        {"BareCodestream", &kJp2, Codestream(8, 8, {8}), {}},
        {"BoxLengthZero", &kJp2, Join({sig, Box("xml ", {}, 0), jp2c}), {}},
        {"BoxLengthNegative", &kJp2, Join({sig, Box("xml ", {}, 0x80000010), jp2c}), {}},
        {"BoxLengthBelowEight", &kJp2, Join({sig, Box("xml ", {}, 4), jp2c}), {}},
        {"BoxPastEnd", &kJp2, Join({sig, Box("xml ", {}, 5000), jp2c}), {}},
        {"ExtendedPastEnd", &kJp2, Join({sig, ExtendedBox("free", {}, 1 << 20), jp2c}), {}},
        {"ExtendedPast32Bits",
         &kJp2,
         Join({sig, ExtendedBox("free", {}, (1ull << 32) + 16), jp2c}),
         {}},
        {"ExtendedBelowSixteen", &kJp2, Join({sig, ExtendedBox("free", {}, 8), jp2c}), {}},
        {"ExtendedCutOff", &kJp2, Join({sig, {0, 0, 0, 1, 'f', 'r', 'e', 'e', 0, 0}}), {}},
        {"ExtendedJp2c", &kJp2, Join({sig, ExtendedBox("jp2c", Codestream(8, 8, {8}))}), {}},
        {"Jp2cNotACodestream", &kJp2, Join({sig, Box("jp2c", MakeJpeg(8, 8, 72))}), {}},
    };
}

INSTANTIATE_TEST_SUITE_P(Jpeg, Reader, testing::ValuesIn(JpegRows()),
                         [](const auto& row) { return row.param.name; });
INSTANTIATE_TEST_SUITE_P(Jpeg2000, Reader, testing::ValuesIn(Jpeg2000Rows()),
                         [](const auto& row) { return row.param.name; });

// Positions are signed 32-bit numbers: a JPEG whose end of image sits at the last position is
// read; a JP2 box that would carry the position past it fails. Sparse files of 2 GiB.
TEST(Reader, PositionsUpToTheSigned32BitLimit) {
#ifdef _WIN32
    GTEST_SKIP() << "files are not sparse by default here";
#endif
    TempDir dir;
    const std::int64_t last = 2147483647; // 1-based
    std::ofstream jpeg(PathFromUtf8(dir.File("huge.jpg")), std::ios::binary);
    std::int64_t at = 2; // after SOI: 32767 comment segments of 65537 bytes and one of 32765
    jpeg.write("\xFF\xD8", 2);
    for (; at + 65537 <= last - 1 - 32765; at += 65537) {
        jpeg.seekp(at).write("\xFF\xFE\xFF\xFF", 4);
    }
    jpeg.seekp(at).write("\xFF\xFE\x7F\xFB", 4).seekp(last - 1).write("\xFF\xD9", 2);
    std::ofstream jp2(PathFromUtf8(dir.File("huge.jp2")), std::ios::binary);
    const Bytes first = Box("free", {}, 0x7FFFFFF8);
    const Bytes next = Join({Box("free", Bytes(56, 0)), Box("jp2c", Codestream(1, 1, {8}))});
    jp2.write(reinterpret_cast<const char*>(first.data()), 8).seekp(0x7FFFFFF8);
    jp2.write(reinterpret_cast<const char*>(next.data()),
              static_cast<std::streamsize>(next.size()));
    if (!jpeg.flush() || !jp2.flush()) {
        GTEST_SKIP() << "no room for 2 GiB sparse files";
    }
    ImageInfo info;
    EXPECT_TRUE(ReadAll(kJpeg, dir.File("huge.jpg"), 1, info, true));
    EXPECT_EQ(info, (ImageInfo{11, 22, 0, 0, 55, 66}));
    EXPECT_FALSE(ReadAll(kJp2, dir.File("huge.jp2"), 1, info, true));
}

// --- The facts beyond ImageInfo, gathered on the same walk -------------------------------------

ImageHeader HeaderOf(ImageKind kind, const Bytes& bytes) {
    ImageHeader header;
    EXPECT_TRUE(ReadImageHeader(MemorySource(bytes), kind, header));
    return header;
}

TEST(Facts, ColourAndResolutionBoxesAndSiz) {
    const Bytes res = Box("res ", Join({Box("resc", ResolutionContent(11811, 1, 3937, 1, 0, -1)),
                                        Box("resd", ResolutionContent(7, 2, 9, 4, 2, 3))}));
    const Jp2Facts jp2 = HeaderOf(ImageKind::Jp2, Jp2File(res, Codestream(9, 7, {8, 8}))).jp2;
    EXPECT_EQ(jp2,
              (Jp2Facts{true, {11811, 1, 3937, 1, 0, -1}, true, {7, 2, 9, 4, 2, 3}, 2, 1, 16}));
    double x = 0, y = 0;
    ASSERT_TRUE(ResolutionBoxToDpi(jp2.captureResolution, x, y));
    EXPECT_NEAR(y, 300.0, 0.01);
    EXPECT_NEAR(x, 10.0, 0.01);
    // The first colr box counts; an ICC one gives its method only; a short one gives nothing.
    const Bytes icc = Box("colr", {2, 0, 0, 1, 2, 3});
    EXPECT_EQ(HeaderOf(ImageKind::Jp2, Jp2File(icc, MakeJ2k(1, 1))).jp2.colourMethod, 1);
    const Bytes onlyIcc = Join({Box("jP  ", {}), Box("jp2h", icc), Box("jp2c", MakeJ2k(1, 1))});
    EXPECT_EQ(HeaderOf(ImageKind::Jp2, onlyIcc).jp2.colourMethod, 2);
    const Bytes shortColr =
        Join({Box("jp2h", Box("colr", {1, 0, 0, 0})), Box("jp2c", MakeJ2k(1, 1))});
    EXPECT_EQ(HeaderOf(ImageKind::Jp2, shortColr).jp2, (Jp2Facts{false, {}, false, {}, 3, 0, 0}));
    EXPECT_EQ(HeaderOf(ImageKind::J2k, Codestream(0x80000001u, 500, {8, 8}, 10, 0xFFFFFFF0u)).j2k,
              (J2kFacts{2, 0x80000001u, 500, 10, 0xFFFFFFF0u}));
}

TEST(Facts, ExifOrientationAndResolutionFromIfd0) {
    auto exif = [](bool little, std::vector<TiffEntry> entries, std::vector<std::uint32_t> extra) {
        return HeaderOf(ImageKind::Jpeg, JpegFile({ExifSegment(little, entries, extra)})).jpeg;
    };
    EXPECT_EQ(exif(false, {{0x0112, 3, 1, 6}}, {}).exifOrientation, 6);
    const JpegFacts facts = exif(
        true, {{0x0112, 3, 1, 8}, {0x0128, 3, 1, 3}, {0x011A, 5, 1, ExifExtraOffset(3)}}, {300, 2});
    EXPECT_EQ(facts.exifOrientation, 8);
    EXPECT_EQ(facts.exifResolutionUnit, 3);
    EXPECT_EQ(facts.exifXResolution, 150.0);
    EXPECT_EQ(exif(false, {{0x011A, 5, 1, ExifExtraOffset(1)}}, {72, 0}).exifXResolution, 0.0);
    EXPECT_EQ(exif(true, {{0x011A, 5, 1, 0xFFFFFFF0}}, {}).exifXResolution, 0.0);
}

// --- Kinds by name, byte sources ---------------------------------------------------------------

const std::pair<const char*, ImageKind> kKinds[] = {{"a.jpg", ImageKind::Jpeg},
                                                    {"B.JPEG", ImageKind::Jpeg},
                                                    {"c.JpE", ImageKind::Jpeg},
                                                    {".jpg", ImageKind::Jpeg},
                                                    {"/x.y/d.jp2", ImageKind::Jp2},
                                                    {"e.J2k", ImageKind::J2k},
                                                    {"f.jpg.png", ImageKind::Unknown},
                                                    {"h.jpg.", ImageKind::Unknown},
                                                    {"jpg", ImageKind::Unknown},
                                                    {"i.jpeg2", ImageKind::Unknown},
                                                    {"\xC3\xA4.JP\xC3\xA9", ImageKind::Unknown}};

TEST(ImageKindOfFile, ByTheTextFromTheLastDotInAnyCase) {
    for (const auto& [name, kind] : kKinds) {
        EXPECT_EQ(ImageKindOfFile(name), kind) << name;
    }
}

TEST(ByteSource, FileAndMemoryReadUpToTheEndAndMissingFilesFail) {
    TempDir dir;
    const Bytes ten{0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    WriteBytes(dir.File("ten"), ten);
    const std::optional<FileSource> file = FileSource::Open(dir.File("ten"));
    ASSERT_TRUE(file);
    EXPECT_FALSE(FileSource::Open(Utf8FromPath(dir.Path())));
    for (const Format* format : {&kJpeg, &kJp2, &kJ2k}) {
        ImageInfo info = kCaller;
        EXPECT_FALSE(format->fromPath(dir.File("missing"), info, 1));
        EXPECT_EQ(info, kFailed);
    }
    const MemorySource memory(ten);
    for (const ByteSource* source :
         {static_cast<const ByteSource*>(&*file), static_cast<const ByteSource*>(&memory)}) {
        std::array<std::uint8_t, 4> buffer{};
        EXPECT_EQ(source->Size(), 10);
        EXPECT_EQ(source->ReadAt(3, buffer), 4);
        EXPECT_EQ(buffer, (std::array<std::uint8_t, 4>{3, 4, 5, 6}));
        EXPECT_EQ(source->ReadAt(8, buffer), 2);
        EXPECT_EQ(source->ReadAt(10, buffer), 0);
        EXPECT_EQ(source->ReadAt(-1, buffer), -1);
        EXPECT_TRUE(source->ReadExactlyAt(6, buffer));
        EXPECT_FALSE(source->ReadExactlyAt(7, buffer));
    }
}

// --- Files from the Debian encoders ------------------------------------------------------------

TEST(RealEncoders, CjpegAndOpjCompressFilesAreRead) {
    if (!HaveTool("cjpeg") || !HaveTool("opj_compress")) {
        GTEST_SKIP() << "cjpeg or opj_compress missing";
    }
    TempDir dir;
    WritePicture(dir.File("in.ppm"), 123, 45, false, false);
    WritePicture(dir.File("in.pgm"), 40, 21, true, true);
    ASSERT_TRUE(Cjpeg(dir.File("in.ppm"), dir.File("a.jpg"), "-progressive"));
    ASSERT_TRUE(OpjCompress(dir.File("in.pgm"), dir.File("a.jp2"), "-n 2"));
    ASSERT_TRUE(OpjCompress(dir.File("in.ppm"), dir.File("a.j2k")));
    ImageInfo info;
    EXPECT_TRUE(ReadAll(kJpeg, dir.File("a.jpg"), 1, info));
    EXPECT_EQ(info, (ImageInfo{123, 45, 1, 1, 24, 8})); // JFIF aspect ratio 1:1
    EXPECT_TRUE(ReadAll(kJp2, dir.File("a.jp2"), 1, info));
    EXPECT_EQ(info, (ImageInfo{40, 21, 0, 0, 16, 16}));
    EXPECT_TRUE(ReadAll(kJ2k, dir.File("a.j2k"), 1, info));
    EXPECT_EQ(info, (ImageInfo{123, 45, 0, 0, 24, 8}));
}

} // namespace
} // namespace folionix

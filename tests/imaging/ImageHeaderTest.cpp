// The header readers over byte-built files. Each row is read from a file and from memory by the
// standard reader and, from position 1, by ReadImageHeader: all must agree and take one walk each,
// and the header's further facts must be the row's.

#include "imaging/ImageHeader.h"
#include "imaging/modJ2K.h"
#include "imaging/modJP2.h"
#include "imaging/modJPG.h"
#include "support/ImageBytes.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace folionix {
namespace {

using namespace test;
using namespace std::string_literals;

constexpr ImageInfo kCaller{11, 22, 33, 44, 55, 66}; // what the caller's record held

struct Format {
    ImageKind kind;
    bool (*fromPath)(const std::string&, ImageInfo&, std::int32_t);
    bool (*fromSource)(const ByteSource&, ImageInfo&, std::int32_t);
};
const Format kJpeg{ImageKind::Jpeg, GetJpegInfo, GetJpegInfo};
const Format kJp2{ImageKind::Jp2, GetJp2Info, GetJp2Info};
const Format kJ2k{ImageKind::J2k, GetJ2kInfo, GetJ2kInfo};

// The result on one line: "fail", or the six numbers; then the facts that differ from none.
std::string Text(bool ok, const ImageInfo& i, const ImageHeader* h = nullptr) {
    if (!ok) {
        return i == ImageInfo{0, 0, 0, 0, 0, 0} ? "fail" : "fail, not cleared";
    }
    std::ostringstream out;
    out << i.Width << "x" << i.Height << " " << i.XResolution << "x" << i.YResolution << " "
        << i.BitsPerPixel << "/" << i.BitsPerComponent;
    if (h == nullptr) {
        return out.str();
    }
    out << " |";
    const JpegFacts& j = h->jpeg;
    const auto res = [&](const char* name, bool has, const Jp2ResolutionBox& b) {
        if (has) {
            out << " " << name << b.verticalNumerator << "/" << b.verticalDenominator << "e"
                << int{b.verticalExponent} << "," << b.horizontalNumerator << "/"
                << b.horizontalDenominator << "e" << int{b.horizontalExponent};
        }
    };
    if (h->kind == ImageKind::Jpeg) {
        out << " F" << j.hasFrame << ":" << std::hex << int{j.frameMarker} << std::dec << "/"
            << j.precision << " " << j.width << "x" << j.height << "x" << j.components
            << (j.hierarchical ? " hier" : "") << (j.endsWithEndOfImage ? " eoi" : "")
            << (j.hasAdobe ? " adobe:" + std::to_string(j.adobeTransform) : "")
            << (j.hasJfif
                    ? " jfif:" + std::to_string(j.jfifUnits) + ":" +
                          std::to_string(j.jfifXDensity) + "x" + std::to_string(j.jfifYDensity)
                    : "");
        if (j.hasExif) {
            out << " exif:" << j.exifOrientation << ":" << j.exifXResolution << "x"
                << j.exifYResolution << ":" << j.exifResolutionUnit;
        }
        return out.str();
    }
    if (h->kind == ImageKind::Jp2) {
        res("resc:", h->jp2.hasCaptureResolution, h->jp2.captureResolution);
        res("resd:", h->jp2.hasDisplayResolution, h->jp2.displayResolution);
        out << " colr" << h->jp2.colourMethod << ":" << h->jp2.enumeratedColourSpace << " n"
            << h->jp2.components << ",";
    }
    out << " siz" << h->j2k.components << " " << h->j2k.gridWidth << "x" << h->j2k.gridHeight << "+"
        << h->j2k.xOffset << "+" << h->j2k.yOffset;
    return out.str();
}

// Reads the file with the format's readers, from the file and from memory; every read gives the
// same and counts one walk. The text of the result, with the facts when read from position 1.
std::string ReadAll(const Format& format, const std::string& path, std::int32_t start = 1) {
    const std::uint64_t walks = HeaderWalkCount();
    ImageInfo info = kCaller;
    const bool ok = format.fromPath(path, info, start);
    const Bytes bytes = ReadBytes(path);
    ImageInfo fromMemory = kCaller;
    ImageInfo zeros;
    EXPECT_EQ(format.fromSource(MemorySource(bytes), fromMemory, start), ok);
    EXPECT_EQ(fromMemory, info);
    ImageHeader header;
    if (start == 1) { // ReadImageHeader's info is the reader's into a cleared record
        EXPECT_EQ(ReadImageHeader(MemorySource(bytes), format.kind, header), ok);
        EXPECT_EQ(format.fromSource(MemorySource(bytes), zeros, 1), ok);
        EXPECT_EQ(header.info, zeros);
    }
    EXPECT_EQ(HeaderWalkCount(), walks + (start == 1 ? 4 : 2));
    return Text(ok, info, start == 1 ? &header : nullptr);
}

struct Row {
    std::string name;
    const Format* format;
    Bytes bytes;
    std::string expected; // Text of the result; the facts are compared when it has them
    std::int32_t start = 1;
};

class Reader : public testing::TestWithParam<Row> {};

TEST_P(Reader, GivesTheRowsResultFromFileAndMemory) {
    const Row& row = GetParam();
    TempDir dir;
    WriteBytes(dir.File("image"), row.bytes);
    const std::string text = ReadAll(*row.format, dir.File("image"), row.start);
    const bool withFacts = row.expected.find(" |") != text.npos;
    EXPECT_EQ(text.substr(0, withFacts ? text.npos : text.find(" |")), row.expected);
}

Bytes Segment(std::uint8_t code, const std::string& body) {
    return JpegSegment(code, Bytes(body.begin(), body.end()));
}

Bytes Colour(std::uint8_t method, std::uint32_t space) {
    return Box("colr", Join({{method, 0, 0}, Be(space, 4)}));
}

std::vector<Row> Rows() {
    const Bytes soi{0xFF, 0xD8};
    const Bytes frame = FrameSegment(0xC0, 8, 10, 10, 3);
    const std::string ten = "10x10 0x0 24/8";
    const std::string tenFacts = ten + " | F1:c0/8 10x10x3 eoi";
    const std::uint32_t x3 = ExifExtraOffset(3);
    Bytes ifdPastEnd = ExifSegment(true, {{0x0112, 3, 1, 6}});
    ifdPastEnd[18] = ifdPastEnd[19] = 0xFF; // entry count 0xFFFF
    const Bytes bigEndianExif = ExifSegment(
        false, {{0x0112, 3, 1, 6}, {0x011A, 5, 1, x3}, {0x011B, 5, 1, x3 + 8}}, {300, 2, 59, 1});
    // A wrong type, an empty count, a zero denominator and an offset outside the block.
    const Bytes badExif = ExifSegment(true,
                                      {{0x0112, 4, 1, 6},
                                       {0x0112, 3, 0, 5},
                                       {0x0128, 3, 1, 1},
                                       {0x011A, 5, 1, ExifExtraOffset(5)},
                                       {0x011B, 5, 1, 0xFFFFFFF0}},
                                      {72, 0});
    const Bytes soc{0xFF, 0x4F};
    const Bytes siz = SizSegment(8, 8, {8, 8, 8});
    const Bytes sig = Box("jP  ", {0x0D, 0x0A, 0x87, 0x0A});
    const Bytes jp2c = Box("jp2c", Codestream(8, 8, {8}));
    const std::string eight = "8x8 0x0 8/8";
    const auto around = [&](const Bytes& boxes) { return Join({sig, boxes, jp2c}); };
    const auto jp2h = [&](std::initializer_list<Bytes> boxes) {
        return around(Box("jp2h", Join(boxes)));
    };
    const auto colour = [&](const std::string& colr) {
        return eight + " | colr" + colr + " n1, siz1 8x8+0+0";
    };
    const Bytes resd = Box("resd", ResolutionContent(7, 2, 9, 4, 2, 3));
    Bytes shortSiz = siz;
    shortSiz[39] = 4; // one component more than the segment holds
    std::vector<Row> rows{
        {"Jfif300", &kJpeg, MakeJpeg(1024, 768, 300),
         "1024x768 300x300 24/8 | F1:c0/8 1024x768x3 eoi jfif:1:300x300"},
        {"PerCentimetre", &kJpeg, JpegFile({JfifSegment(2, 25, 125), frame}), "10x10 63x317 24/8"},
        {"App0sWithoutDensitySkipped", &kJpeg,
         JpegFile({Segment(0xE0, "jFIF\0\1\2\1\1\0\1\0\0\0"s), JfifSegment(0, 0, 0),
                   JfifSegment(2, 118, 118), frame}),
         "10x10 300x300 24/8 | F1:c0/8 10x10x3 eoi jfif:2:118x118"},
        {"OneDensityStops", &kJpeg,
         JpegFile({JfifSegment(1, 0, 72), JfifSegment(1, 300, 300), Segment(0xE0, "J"), frame}),
         "10x10 0x72 24/8 | F1:c0/8 10x10x3 eoi jfif:1:0x72"},
        {"Avi1NotJfif", &kJpeg, JpegFile({Segment(0xE0, "AVI1\0"s), JfifSegment(1, 96, 96), frame}),
         "10x10 96x96 24/8 | F1:c0/8 10x10x3 eoi jfif:1:96x96"},
        {"LastFrame", &kJpeg, JpegFile({frame, FrameSegment(0xC2, 12, 4, 5, 1)}),
         "4x5 0x0 12/12 | F1:c2/12 4x5x1 eoi"},
        {"HierAdobeExifMM", &kJpeg,
         JpegFile({Segment(0xDE, "123456"), AdobeSegment(2), bigEndianExif,
                   FrameSegment(0xC5, 8, 3, 4, 4)}),
         "3x4 0x0 32/8 | F1:c5/8 3x4x4 hier eoi adobe:2 exif:6:150x59:2"},
        {"Adobe2ndApp14NoEoi", &kJpeg,
         JpegFile({Segment(0xEE, "Adobe012345"), Segment(0xEE, "Adobf0123456"), frame}, false),
         ten + " | F1:c0/8 10x10x3 adobe:-1"},
        {"FirstGoodExifCounts", &kJpeg,
         JpegFile({Segment(0xE1, "http://ns.adobe.com/xap/1.0/"),
                   Segment(0xE1, "Exif\0\0IM\0\x2A\0\0\0\x08"s),
                   Segment(0xE1, "Exif\0\0MM\0\x2A\x7F\0\0\0"s),
                   ExifSegment(true, {{0x0128, 3, 1, 3}, {0x011B, 5, 1, x3 + 8}, {0x0112, 3, 1, 8}},
                               {1, 1, 7, 2}),
                   ExifSegment(true, {{0x0112, 3, 1, 3}}), frame}),
         tenFacts + " exif:8:0x3.5:3"},
        {"ExifBadEntries", &kJpeg, JpegFile({badExif, frame}), tenFacts + " exif:0:0x0:1"},
        {"ExifIfdPastEnd", &kJpeg, JpegFile({ifdPastEnd, frame}), tenFacts + " exif:6:0x0:2"},
        {"ExifEntryEndsTheBlock", &kJpeg,
         JpegFile(
             {Segment(0xE1, "Exif\0\0II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0\x06\0\0\0"s),
              frame}),
         tenFacts + " exif:6:0x0:2"},
        // The first KiB is read once and served from memory; the frame lies across its end.
        {"FrameAcrossTheFirstKiB", &kJpeg, JpegFile({Segment(0xFE, std::string(1014, 'x')), frame}),
         tenFacts},
        {"NoFrame", &kJpeg, JpegFile({JfifSegment(1, 200, 200)}), "11x22 200x200 55/66"},
        {"EndOfImageLast", &kJpeg, Join({soi, JpegSegment(0xFE, {}), frame, {0xFF, 0xD9}}), ten},
        {"StartBelowOne", &kJpeg, JpegFile({frame}), ten, -2147483647 - 1},
        {"StartPastALeadingBlock", &kJpeg, Join({Bytes(10, 0xEE), JpegFile({frame})}), ten, 11},
        {"LeadingBlock", &kJpeg, Join({Bytes(10, 0xEE), JpegFile({frame})}), "fail"},
        {"Empty", &kJpeg, {}, "fail"},
        {"SwappedSoi", &kJpeg, {0xD8, 0xFF, 0xFF, 0xD9}, "fail"},
        {"OnlySoi", &kJpeg, soi, "fail"},
        {"ScanMarkerCutAtTheEnd", &kJpeg, Join({soi, frame, {0xFF, 0xDA}}), "fail"},
        {"SegmentPastEnd", &kJpeg, Join({soi, JpegSegment(0xFE, {1, 2, 3}, 200)}), "fail"},
        {"LengthZero", &kJpeg, JpegFile({JpegSegment(0xFE, {}, 0)}), "fail"},
        {"LengthOne", &kJpeg, JpegFile({JpegSegment(0xFE, {}, 1)}), "fail"},
        {"FrameBelowTen", &kJpeg, JpegFile({JpegSegment(0xC0, {8, 0, 10, 0, 10})}), "fail"},
        {"JfifShort", &kJpeg, JpegFile({Segment(0xE0, "JFIF\0\1\2\1\0"s)}), "fail"},
        {"LastDepthCounts", &kJ2k, Codestream(3, 2, {8, 8, 8, 1}), "3x2 0x0 25/1 | siz4 3x2+0+0"},
        {"SignBitIsNoDepth", &kJ2k, Codestream(3, 2, {0x88, 8, 0x90}), "3x2 0x0 32/16"},
        {"OffsetKept", &kJ2k, Codestream(650, 500, {8}, 10, 0xFFFFFFF0u),
         "650x500 0x0 8/8 | siz1 650x500+10+4294967280"},
        {"SignedGrid", &kJ2k, Codestream(0x80000001u, 0x7FFFFFFFu, {8, 8}),
         "-2147483647x2147483647 0x0 16/8 | siz2 2147483649x2147483647+0+0"},
        {"NoSiz", &kJ2k, Join({soc, JpegSegment(0x64, {0, 1}), {0xFF, 0x93, 0xFF, 0xD9}}),
         "11x22 0x0 55/66 | siz0 0x0+0+0"},
        {"LastSizBeforeData", &kJ2k,
         Join({soc, SizSegment(1, 2, {8}), SizSegment(3, 4, {12, 12}),
               Bytes{0xFF, 0x93, 0xFF, 0x51, 0, 3, 0}}),
         "3x4 0x0 24/12"},
        {"J2kStartPastABlock", &kJ2k, Join({Bytes(5, 0x4F), Codestream(8, 8, {8})}), eight, 6},
        {"ResBoxes", &kJp2,
         jp2h(
             {Box("res ", Join({Box("resc", ResolutionContent(11811, 1, 3937, 1, 0, -1)), resd}))}),
         eight + " | resc:11811/1e0,3937/1e-1 resd:7/2e2,9/4e3 colr0:0 n1, siz1 8x8+0+0"},
        {"StrayOrShortBoxesIgnored", &kJp2,
         Join({Box("res ", resd),
               jp2h({Box("colr", {3, 0}), resd, Box("res ", Box("resc", Bytes(9, 1)))})}),
         colour("0:0")},
        {"FirstColrCounts", &kJp2,
         Join({Box("jp2h", Join({Colour(1, 17), Colour(1, 16)})), jp2h({Colour(1, 18)})}),
         colour("1:17")},
        {"IccMethodOnly", &kJp2, jp2h({Box("colr", {2, 0, 0})}), colour("2:0")},
        {"EmptyColrCounts", &kJp2, Join({Box("jp2h", Box("colr", {})), jp2h({Colour(1, 16)})}),
         colour("0:0")},
        {"ResBoxOneBytePastItsJp2h", &kJp2, jp2h({Box("res ", resd, 27)}), colour("0:0")},
        {"FourByteColr", &kJp2, jp2h({Box("colr", {1, 0, 0, 0}), Colour(1, 16)}), colour("0:0")},
        // A box of 64 KiB or more needs all four length bytes; extended lengths step alike;
        // empty boxes are stepped over; a jp2c of length 0 runs to the end.
        {"LongBoxes", &kJp2,
         Join({sig, Box("xml ", Bytes(70000, 'x')), ExtendedBox("free", {}), Box("free", {}),
               Box("jp2h", Box("res ", resd)), Box("JP2C", {1}),
               Box("jp2c", Codestream(8, 8, {8}), 0)}),
         eight + " | resd:7/2e2,9/4e3 colr0:0 n1, siz1 8x8+0+0"},
        {"Jp2cLength", &kJp2, Join({sig, Box("jp2c", Codestream(8, 8, {8}), 0xFFFFFFFF)}), eight},
        {"Jp2StartPastALeadingBlock", &kJp2, Join({Bytes(4, 0), sig, jp2c}), eight, 5},
        {"SizWithoutCount", &kJ2k,
         Join({soc, JpegSegment(0x51, Bytes(35, 0)), {0xFF, 0x93, 0xFF, 0xD9}}), "fail"},
        {"SizBelowItsComponents", &kJ2k, Join({soc, shortSiz, {0xFF, 0x93}}), "fail"},
        {"JpegAsJ2k", &kJ2k, MakeJpeg(8, 8, 72), "fail"},
        {"ShorterThanABoxHeader", &kJp2, {0, 0, 0, 12, 'j', 'P'}, "fail"},
        {"NoJp2c", &kJp2, sig, "fail"},
        {"BareCodestream", &kJp2, Codestream(8, 8, {8}), "fail"},
        {"BoxLengthNegative", &kJp2, Join({sig, Box("xml ", {}, 0x80000010), jp2c}), "fail"},
        {"BoxLengthBelowEight", &kJp2, Join({sig, Box("xml ", {}, 4), jp2c}), "fail"},
        {"BoxPastEnd", &kJp2, Join({sig, Box("xml ", {}, 5000), jp2c}), "fail"},
        {"Extended2p32", &kJp2, around(ExtendedBox("free", {}, (1ull << 32) + 16)), "fail"},
        {"ExtendedTopByte", &kJp2, around(ExtendedBox("free", {}, 1ull << 56 | 16)), "fail"},
        {"ExtendedBelowSixteen", &kJp2, around(ExtendedBox("free", {}, 8)), "fail"},
        {"ExtendedCutOff", &kJp2, Join({sig, {0, 0, 0, 1, 'f', 'r', 'e', 'e', 0, 0}}), "fail"},
        {"ExtendedJp2c", &kJp2, Join({sig, ExtendedBox("jp2c", Codestream(8, 8, {8}))}), "fail"},
        {"Jp2cNotACodestream", &kJp2, Join({sig, Box("jp2c", MakeJpeg(8, 8, 72))}), "fail"},
    };
    for (int code = 0xC0; code <= 0xCF; ++code) { // DHT, JPG and DAC carry no frame
        const bool isFrame = code != 0xC4 && code != 0xC8 && code != 0xCC;
        rows.push_back({"Marker" + std::to_string(code), &kJpeg,
                        JpegFile({FrameSegment(static_cast<std::uint8_t>(code), 8, 3, 4, 1)}),
                        isFrame ? "3x4 0x0 8/8" : "11x22 0x0 55/66"});
    }
    return rows;
}

INSTANTIATE_TEST_SUITE_P(Headers, Reader, testing::ValuesIn(Rows()),
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
    const Bytes next = Join({Box("free", Bytes(56, 0)), Box("jp2c", Codestream(1, 1, {8}))});
    jp2 << "\177\377\377\370free"; // a box of 0x7FFFFFF8 bytes
    jp2.seekp(0x7FFFFFF8) << std::string(next.begin(), next.end());
    if (!jpeg.flush() || !jp2.flush()) {
        GTEST_SKIP() << "no room for 2 GiB sparse files";
    }
    ImageInfo info = kCaller;
    EXPECT_EQ(Text(GetJpegInfo(dir.File("huge.jpg"), info, 1), info), "11x22 0x0 55/66");
    EXPECT_EQ(Text(GetJp2Info(dir.File("huge.jp2"), info, 1), info), "fail");
}

// The kind by the text from the last dot in any case; one-byte files read, missing ones fail.
TEST(Reader, KindByNameOneByteFilesAndMissingFiles) {
    std::string kinds; // Unknown 0, Jpeg 1, Jp2 2, J2k 3
    for (const char* name : {"a.jpg", "B.JPEG", "c.JpE", ".jpg", "/x.y/d.jp2", "e.J2k", "f.jpg.png",
                             "h.jpg.", "jpg", "i.jpeg2", "\xC3\xA4.JP\xC3\xA9", "k.xpg"}) {
        kinds += std::to_string(static_cast<int>(ImageKindOfFile(name)));
    }
    EXPECT_EQ(kinds, "111123000000");
    TempDir dir;
    EXPECT_FALSE(FileSource::Open(Utf8FromPath(dir.Path())));
    WriteBytes(dir.File("one"), {7});
    std::array<std::uint8_t, 2> two{};
    EXPECT_EQ(FileSource::Open(dir.File("one"))->ReadAt(0, two), 1);
    EXPECT_EQ(two[0], 7);
    for (const Format* format : {&kJpeg, &kJp2, &kJ2k}) {
        EXPECT_EQ(ReadAll(*format, dir.File("missing")), "fail");
    }
}

} // namespace
} // namespace folionix

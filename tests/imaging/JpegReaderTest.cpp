#include "ImageFixtures.h"
#include "imaging/modJPG.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

namespace folionix {
namespace {

using fixture::Bytes;
using fixture::FrameHeader;
using fixture::JfifApp0;
using fixture::Join;
using fixture::JpegMarker;
using fixture::JpegSegment;
using fixture::JpegSegmentWithLength;
using fixture::ScanAndEnd;

// What a caller put in the record before the call; fields the reader must leave alone keep it.
constexpr ImageInfo kCallerValues{11, 22, 33, 44, 55, 66};
const ImageInfo kZeros{};

class JpegReader : public ::testing::Test {
protected:
    // Writes the bytes to a file and reads it with a record pre-filled with kCallerValues; the
    // same bytes read from memory must give the same.
    bool Read(const Bytes& bytes, std::int32_t startPosition = 1) {
        const std::string path = dir_.File("image.jpg");
        test::WriteBytes(path, bytes);
        info_ = kCallerValues;
        const bool ok = GetJpegInfo(path, info_, startPosition);
        ImageInfo fromMemory = kCallerValues;
        EXPECT_EQ(GetJpegInfo(MemorySource(bytes), fromMemory, startPosition), ok);
        EXPECT_EQ(fromMemory, info_);
        return ok;
    }

    test::TempDir dir_;
    ImageInfo info_;
};

TEST_F(JpegReader, BaselineJfifFileGivesEveryField) {
    ASSERT_TRUE(Read(fixture::SimpleJpeg(1024, 768, 8, 3, /*units*/ 1, 300, 300)));
    EXPECT_EQ(info_, (ImageInfo{1024, 768, 300, 300, 24, 8}));
}

TEST_F(JpegReader, ComponentsAndPrecisionMakeTheBitsPerPixel) {
    ASSERT_TRUE(Read(fixture::SimpleJpeg(5, 7, 8, 1)));
    EXPECT_EQ(info_, (ImageInfo{5, 7, 72, 72, 8, 8}));
    ASSERT_TRUE(Read(fixture::SimpleJpeg(5, 7, 8, 4)));
    EXPECT_EQ(info_.BitsPerPixel, 32);
    ASSERT_TRUE(Read(fixture::SimpleJpeg(65535, 65535, 12, 3)));
    EXPECT_EQ(info_, (ImageInfo{65535, 65535, 72, 72, 36, 12}));
}

// --- Resolution from the JFIF segment --------------------------------------------------------

struct DensityRow {
    std::uint8_t units;
    std::uint16_t xDensity;
    std::uint16_t yDensity;
    std::int32_t xResolution;
    std::int32_t yResolution;
};

class JfifDensity : public JpegReader, public ::testing::WithParamInterface<DensityRow> {};

TEST_P(JfifDensity, BecomesDotsPerInch) {
    const DensityRow& row = GetParam();
    ASSERT_TRUE(Read(fixture::SimpleJpeg(8, 8, 8, 3, row.units, row.xDensity, row.yDensity)));
    EXPECT_EQ(info_.XResolution, row.xResolution);
    EXPECT_EQ(info_.YResolution, row.yResolution);
}

// Dots per centimetre use the factor 2.53999998, so 25 gives 63 (not 64) and 125 gives 317.
INSTANTIATE_TEST_SUITE_P(
    Table, JfifDensity,
    ::testing::Values(DensityRow{2, 118, 118, 300, 300}, DensityRow{2, 25, 125, 63, 317},
                      DensityRow{2, 125, 25, 317, 63}, DensityRow{2, 0, 1, 0, 3},
                      DensityRow{2, 65535, 65535, 166459, 166459}, DensityRow{0, 1, 1, 1, 1},
                      DensityRow{0, 2, 3, 2, 3}, DensityRow{1, 300, 150, 300, 150},
                      DensityRow{3, 118, 118, 118, 118}, DensityRow{255, 25, 25, 25, 25}));

TEST_F(JpegReader, FileWithoutJfifHasNoResolution) {
    Bytes exif;
    fixture::PutText(exif, std::string_view("Exif\0\0MM\0\x2a\0\0\0\x08", 14));
    ASSERT_TRUE(Read(Join({JpegMarker(0xD8), JpegSegment(0xE1, exif),
                           FrameHeader(0xC0, 8, 10, 20, 3), ScanAndEnd()})));
    EXPECT_EQ(info_, (ImageInfo{10, 20, 0, 0, 24, 8}));
}

TEST_F(JpegReader, NonJfifApp0LetsALaterJfifSegmentSpeak) {
    const Bytes avi = JpegSegment(0xE0, Bytes{'A', 'V', 'I', '1', 0, 0, 0, 0});
    ASSERT_TRUE(Read(Join({JpegMarker(0xD8), avi, JfifApp0(1, 96, 97),
                           FrameHeader(0xC0, 8, 1, 1, 1), ScanAndEnd()})));
    EXPECT_EQ(info_.XResolution, 96);
    EXPECT_EQ(info_.YResolution, 97);
}

TEST_F(JpegReader, IdentifierIsCaseSensitiveAndNeedsItsZeroByte) {
    Bytes lower = JfifApp0(1, 300, 300);
    lower[4] = 'j';
    ASSERT_TRUE(Read(Join({JpegMarker(0xD8), lower, FrameHeader(0xC0, 8, 1, 1, 1), ScanAndEnd()})));
    EXPECT_EQ(info_.XResolution, 0);
    Bytes noZero = JfifApp0(1, 300, 300);
    noZero[8] = 'X';
    ASSERT_TRUE(
        Read(Join({JpegMarker(0xD8), noZero, FrameHeader(0xC0, 8, 1, 1, 1), ScanAndEnd()})));
    EXPECT_EQ(info_.YResolution, 0);
}

TEST_F(JpegReader, ZeroDensityLetsASecondJfifSegmentBeRead) {
    ASSERT_TRUE(Read(Join({JpegMarker(0xD8), JfifApp0(0, 0, 0), JfifApp0(2, 118, 118),
                           FrameHeader(0xC0, 8, 1, 1, 1), ScanAndEnd()})));
    EXPECT_EQ(info_.XResolution, 300);
    EXPECT_EQ(info_.YResolution, 300);
}

TEST_F(JpegReader, OneNonZeroResolutionStopsTheReadingOfLaterApp0Segments) {
    // The later APP0 segments would fail the reader (too short) or change the figures if read.
    const Bytes tooShort = JpegSegment(0xE0, Bytes{'J', 'F'});
    ASSERT_TRUE(Read(Join({JpegMarker(0xD8), JfifApp0(1, 0, 72), JfifApp0(1, 300, 300), tooShort,
                           FrameHeader(0xC0, 8, 1, 1, 1), ScanAndEnd()})));
    EXPECT_EQ(info_.XResolution, 0);
    EXPECT_EQ(info_.YResolution, 72);
}

// --- Frame headers ---------------------------------------------------------------------------

class FrameMarker : public JpegReader, public ::testing::WithParamInterface<int> {};

TEST_P(FrameMarker, OnlyTheThirteenFrameMarkersGiveTheSize) {
    const auto code = static_cast<std::uint8_t>(GetParam());
    const bool isFrame = code != 0xC4 && code != 0xC8 && code != 0xCC;
    ASSERT_TRUE(Read(Join({JpegMarker(0xD8), FrameHeader(code, 8, 321, 123, 3), ScanAndEnd()})));
    if (isFrame) {
        EXPECT_EQ(info_, (ImageInfo{321, 123, 0, 0, 24, 8}));
    } else {
        EXPECT_EQ(info_, (ImageInfo{11, 22, 0, 0, 55, 66}));
    }
}

INSTANTIATE_TEST_SUITE_P(C0toCF, FrameMarker, ::testing::Range(0xC0, 0xD0));

TEST_F(JpegReader, LastFrameHeaderBeforeTheScanWins) {
    ASSERT_TRUE(
        Read(Join({JpegMarker(0xD8), FrameHeader(0xC0, 8, 1, 2, 3), FrameHeader(0xC2, 12, 4, 5, 1),
                   ScanAndEnd(), FrameHeader(0xC0, 8, 7, 7, 3)})));
    EXPECT_EQ(info_, (ImageInfo{4, 5, 0, 0, 12, 12}));
}

TEST_F(JpegReader, ScanBeforeAnyFrameKeepsTheCallersFigures) {
    ASSERT_TRUE(Read(Join(
        {JpegMarker(0xD8), JfifApp0(1, 200, 200), ScanAndEnd(), FrameHeader(0xC0, 8, 7, 7, 3)})));
    EXPECT_EQ(info_, (ImageInfo{11, 22, 200, 200, 55, 66}));
}

TEST_F(JpegReader, EndOfImageInTheLastTwoBytesEndsTheWalk) {
    ASSERT_TRUE(Read(Join({JpegMarker(0xD8), FrameHeader(0xC0, 8, 3, 4, 1), JpegMarker(0xD9)})));
    EXPECT_EQ(info_, (ImageInfo{3, 4, 0, 0, 8, 8}));
}

TEST_F(JpegReader, StartPositionBelowOneIsTakenAsOne) {
    const Bytes jpeg = fixture::SimpleJpeg(9, 8, 8, 3);
    for (const std::int32_t start : {0, -1, -2147483647 - 1}) {
        ASSERT_TRUE(Read(jpeg, start)) << start;
        EXPECT_EQ(info_, (ImageInfo{9, 8, 72, 72, 24, 8}));
    }
}

TEST_F(JpegReader, StartPositionSkipsALeadingBlock) {
    const Bytes jpeg = Join({Bytes(10, 0xEE), fixture::SimpleJpeg(9, 8, 8, 3)});
    ASSERT_TRUE(Read(jpeg, 11));
    EXPECT_EQ(info_, (ImageInfo{9, 8, 72, 72, 24, 8}));
    EXPECT_FALSE(Read(jpeg, 1));
    EXPECT_EQ(info_, kZeros);
    EXPECT_FALSE(Read(jpeg, 2147483647));
    EXPECT_EQ(info_, kZeros);
}

// --- Failures: the result is false and every field 0 ------------------------------------------

struct FailureRow {
    const char* name;
    Bytes bytes;
};

class JpegFailure : public JpegReader, public ::testing::WithParamInterface<FailureRow> {};

TEST_P(JpegFailure, ClearsEveryField) {
    EXPECT_FALSE(Read(GetParam().bytes));
    EXPECT_EQ(info_, kZeros);
}

std::vector<FailureRow> FailureRows() {
    const Bytes soi = JpegMarker(0xD8);
    const Bytes frame = FrameHeader(0xC0, 8, 10, 10, 3);
    return {
        {"Empty", {}},
        {"OneByte", {0xFF}},
        {"Png", {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}},
        {"Jp2", fixture::SimpleJp2(fixture::Codestream(8, 8, {7}))},
        {"SwappedSoi", {0xD8, 0xFF, 0xFF, 0xD9}},
        {"OnlySoi", soi},
        {"EndsBeforeScan", Join({soi, JfifApp0(1, 72, 72), frame})},
        {"EndsInsideMarkerHeader", Join({soi, frame, Bytes{0xFF, 0xDB, 0x00}})},
        {"SegmentPastEndOfFile", Join({soi, JpegSegmentWithLength(0xFE, 200, Bytes{1, 2, 3})})},
        {"SkippedSegmentPastEnd", Join({soi, frame, JpegSegmentWithLength(0xC4, 0xFFFF, {})})},
        {"LengthFieldZero", Join({soi, JpegSegmentWithLength(0xFE, 0, {}), ScanAndEnd()})},
        {"LengthFieldOne", Join({soi, JpegSegmentWithLength(0xFE, 1, {}), ScanAndEnd()})},
        {"FrameShorterThanTen",
         Join({soi, JpegSegment(0xC0, Bytes{8, 0, 10, 0, 10}), ScanAndEnd()})},
        {"JfifShorterThanSixteen",
         Join({soi, JpegSegment(0xE0, Bytes{'J', 'F', 'I', 'F', 0, 1, 2, 1, 0}), ScanAndEnd()})},
        {"App0ShorterThanItsIdentifier", Join({soi, JpegSegment(0xE0, Bytes{'J'}), ScanAndEnd()})},
    };
}

INSTANTIATE_TEST_SUITE_P(Rules, JpegFailure, ::testing::ValuesIn(FailureRows()),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(JpegReaderFile, MissingFileOrFolderFails) {
    test::TempDir dir;
    ImageInfo info = kCallerValues;
    EXPECT_FALSE(GetJpegInfo(dir.File("missing.jpg"), info, 1));
    EXPECT_EQ(info, kZeros);
    info = kCallerValues;
    EXPECT_FALSE(GetJpegInfo(Utf8FromPath(dir.Path()), info, 1));
    EXPECT_EQ(info, kZeros);
}

TEST(JpegReaderFile, NonAsciiPathOpens) {
    test::TempDir dir;
    const std::string path = dir.File("Bild \xC3\xA4\xC3\xB6\xC3\xBC.jpg");
    test::WriteBytes(path, fixture::SimpleJpeg(2, 3, 8, 1));
    ImageInfo info;
    ASSERT_TRUE(GetJpegInfo(path, info, 1));
    EXPECT_EQ(info, (ImageInfo{2, 3, 72, 72, 8, 8}));
}

// --- The pieces ------------------------------------------------------------------------------

TEST(ParseSofSegment, ReadsTheFieldsAtTheirOffsets) {
    const Bytes segment{0xFF, 0xC0, 0, 8, 12, 0x01, 0x02, 0x03, 0x04, 4};
    std::int32_t width = 0, height = 0, precision = 0, components = 0;
    ASSERT_TRUE(ParseSofSegment(segment, width, height, precision, components));
    EXPECT_EQ(precision, 12);
    EXPECT_EQ(height, 0x0102);
    EXPECT_EQ(width, 0x0304);
    EXPECT_EQ(components, 4);
    EXPECT_FALSE(
        ParseSofSegment(std::span(segment).first(9), width, height, precision, components));
}

TEST(ParseJfifSegment, NonJfifIdentifierClearsBothResolutions) {
    Bytes segment = JfifApp0(1, 300, 300);
    segment[7] = 'X';
    std::int32_t x = 5, y = 6;
    ASSERT_TRUE(ParseJfifSegment(segment, x, y));
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    // Exactly sixteen bytes are enough for a JFIF segment; eight are too few for any.
    const Bytes full = JfifApp0(1, 3, 4);
    ASSERT_TRUE(ParseJfifSegment(std::span(full).first(16), x, y));
    EXPECT_EQ(x, 3);
    EXPECT_FALSE(ParseJfifSegment(std::span(segment).first(8), x, y));
}

// --- BytesToLong -----------------------------------------------------------------------------

struct BytesRow {
    std::array<std::uint8_t, 4> bytes;
    std::int32_t value;
};

class BytesToLongTable : public ::testing::TestWithParam<BytesRow> {};

TEST_P(BytesToLongTable, ReadsTwosComplementBigEndian) {
    const auto& [b, value] = GetParam();
    EXPECT_EQ(BytesToLong(b[0], b[1], b[2], b[3]), value);
}

INSTANTIATE_TEST_SUITE_P(Table, BytesToLongTable,
                         ::testing::Values(BytesRow{{0, 0, 0xFF, 0xD8}, 65496},
                                           BytesRow{{0, 0, 0xFF, 0xFF}, 65535},
                                           BytesRow{{0x12, 0x34, 0x56, 0x78}, 0x12345678},
                                           BytesRow{{0x7F, 0xFF, 0xFF, 0xFF}, 2147483647},
                                           BytesRow{{0x80, 0, 0, 0}, -2147483647 - 1},
                                           BytesRow{{0xFF, 0xFF, 0xFF, 0xFF}, -1},
                                           BytesRow{{0x80, 0, 0, 1}, -2147483647}));

} // namespace
} // namespace folionix

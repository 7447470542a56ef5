#include "ImageFixtures.h"
#include "imaging/modJ2K.h"
#include "imaging/modJP2.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <vector>

namespace folionix {
namespace {

using fixture::Bytes;
using fixture::Codestream;
using fixture::J2kSegment;
using fixture::Join;
using fixture::Jp2Box;
using fixture::Jp2BoxWithLength;
using fixture::Jp2ExtendedBox;

constexpr ImageInfo kCallerValues{11, 22, 33, 44, 55, 66};
const ImageInfo kZeros{};

class Jpeg2000Reader : public ::testing::Test {
protected:
    using FromPath = bool (*)(const std::string&, ImageInfo&, std::int32_t);
    using FromSource = bool (*)(const ByteSource&, ImageInfo&, std::int32_t);

    // Writes the bytes to a file and reads it with a record pre-filled with kCallerValues; the
    // same bytes read from memory must give the same.
    bool Read(const Bytes& bytes, std::int32_t startPosition, const char* name, FromPath fromPath,
              FromSource fromSource) {
        const std::string path = dir_.File(name);
        test::WriteBytes(path, bytes);
        info_ = kCallerValues;
        const bool ok = fromPath(path, info_, startPosition);
        ImageInfo fromMemory = kCallerValues;
        EXPECT_EQ(fromSource(MemorySource(bytes), fromMemory, startPosition), ok);
        EXPECT_EQ(fromMemory, info_);
        return ok;
    }
    bool ReadJ2k(const Bytes& bytes, std::int32_t startPosition = 1) {
        return Read(bytes, startPosition, "image.j2k", GetJ2kInfo, GetJ2kInfo);
    }
    bool ReadJp2(const Bytes& bytes, std::int32_t startPosition = 1) {
        return Read(bytes, startPosition, "image.jp2", GetJp2Info, GetJp2Info);
    }

    test::TempDir dir_;
    ImageInfo info_;
};

// --- Codestream --------------------------------------------------------------------------------

TEST_F(Jpeg2000Reader, ThreeComponentCodestreamGivesEveryField) {
    ASSERT_TRUE(ReadJ2k(Codestream(640, 480, {7, 7, 7})));
    EXPECT_EQ(info_, (ImageInfo{640, 480, 0, 0, 24, 8}));
}

struct DepthRow {
    std::vector<std::uint8_t> ssiz;
    std::int32_t bitsPerPixel;
    std::int32_t bitsPerComponent;
};

class ComponentDepths : public Jpeg2000Reader, public ::testing::WithParamInterface<DepthRow> {};

TEST_P(ComponentDepths, SumAndLastComponent) {
    ASSERT_TRUE(ReadJ2k(Codestream(3, 2, GetParam().ssiz)));
    EXPECT_EQ(info_.BitsPerPixel, GetParam().bitsPerPixel);
    EXPECT_EQ(info_.BitsPerComponent, GetParam().bitsPerComponent);
}

// Ssiz holds depth − 1 in its low seven bits; bit 7 is the sign and does not count.
INSTANTIATE_TEST_SUITE_P(Table, ComponentDepths,
                         ::testing::Values(DepthRow{{15}, 16, 16}, DepthRow{{7, 7, 7, 0}, 25, 1},
                                           DepthRow{{0, 7, 7, 7}, 25, 8}, DepthRow{{0x8B}, 12, 12},
                                           DepthRow{{0x87, 0x07, 0x8F}, 32, 16},
                                           DepthRow{{0xFF}, 128, 128}, DepthRow{{}, 0, 0}));

TEST_F(Jpeg2000Reader, ImageOffsetDoesNotReduceTheSize) {
    ASSERT_TRUE(ReadJ2k(Codestream(650, 500, {7}, /*xosiz*/ 10, /*yosiz*/ 20)));
    EXPECT_EQ(info_.Width, 650);
    EXPECT_EQ(info_.Height, 500);
}

TEST_F(Jpeg2000Reader, GridSizesAreSigned32BitNumbers) {
    ASSERT_TRUE(ReadJ2k(Codestream(0x80000001u, 0x7FFFFFFFu, {7})));
    EXPECT_EQ(info_.Width, -2147483647);
    EXPECT_EQ(info_.Height, 2147483647);
}

TEST_F(Jpeg2000Reader, CodestreamWithoutSizKeepsTheCallersFigures) {
    ASSERT_TRUE(ReadJ2k(Join({Bytes{0xFF, 0x4F}, J2kSegment(0x64, Bytes{0, 1, 'h', 'i'}),
                              Bytes{0xFF, 0x93, 0xFF, 0xD9}})));
    EXPECT_EQ(info_, (ImageInfo{11, 22, 0, 0, 55, 66}));
}

TEST_F(Jpeg2000Reader, LastSizBeforeDataWinsAndSizAfterDataIsNotRead) {
    const Bytes first = fixture::SizSegment(1, 2, {7});
    const Bytes second = fixture::SizSegment(3, 4, {11, 11});
    const Bytes broken = J2kSegment(0x51, Bytes{0});
    ASSERT_TRUE(ReadJ2k(Join({Bytes{0xFF, 0x4F}, first, second, Bytes{0xFF, 0x93}, broken})));
    EXPECT_EQ(info_, (ImageInfo{3, 4, 0, 0, 24, 12}));
}

TEST_F(Jpeg2000Reader, EndOfCodestreamEndsTheWalkEvenAsTheLastTwoBytes) {
    ASSERT_TRUE(
        ReadJ2k(Join({Bytes{0xFF, 0x4F}, fixture::SizSegment(5, 6, {7}), Bytes{0xFF, 0xD9}})));
    EXPECT_EQ(info_, (ImageInfo{5, 6, 0, 0, 8, 8}));
}

TEST_F(Jpeg2000Reader, CodestreamStartPosition) {
    const Bytes stream = Join({Bytes(5, 0x4F), Codestream(8, 9, {7})});
    ASSERT_TRUE(ReadJ2k(stream, 6));
    EXPECT_EQ(info_, (ImageInfo{8, 9, 0, 0, 8, 8}));
    EXPECT_FALSE(ReadJ2k(stream, 1));
    EXPECT_EQ(info_, kZeros);
    for (const std::int32_t start : {0, -7}) {
        ASSERT_TRUE(ReadJ2k(Codestream(8, 9, {7}), start));
        EXPECT_EQ(info_, (ImageInfo{8, 9, 0, 0, 8, 8}));
    }
}

struct FailureRow {
    const char* name;
    Bytes bytes;
};

class J2kFailure : public Jpeg2000Reader, public ::testing::WithParamInterface<FailureRow> {};

TEST_P(J2kFailure, ClearsEveryField) {
    EXPECT_FALSE(ReadJ2k(GetParam().bytes));
    EXPECT_EQ(info_, kZeros);
}

std::vector<FailureRow> J2kFailureRows() {
    const Bytes soc{0xFF, 0x4F};
    const Bytes siz = fixture::SizSegment(8, 8, {7, 7, 7});
    Bytes shortSiz = siz;
    shortSiz.resize(siz.size() - 1);
    shortSiz[3] = static_cast<std::uint8_t>(shortSiz[3] - 1); // Lsiz agrees with the bytes
    return {
        {"Empty", {}},
        {"Jpeg", fixture::SimpleJpeg(8, 8, 8, 3)},
        {"Jp2", fixture::SimpleJp2(Codestream(8, 8, {7}))},
        {"OnlySoc", soc},
        {"EndsBeforeData", Join({soc, siz})},
        {"SegmentPastEndOfFile", Join({soc, siz, Bytes{0xFF, 0x52, 0x01, 0x00, 0, 0}})},
        {"LengthFieldZero", Join({soc, Bytes{0xFF, 0x64, 0, 0}, Bytes{0xFF, 0x93}})},
        {"LengthFieldOne", Join({soc, Bytes{0xFF, 0x64, 0, 1}, Bytes{0xFF, 0x93}})},
        {"SizWithoutComponentCount", Join({soc, J2kSegment(0x51, Bytes(35, 0)), soc})},
        {"SizShorterThanItsComponents", Join({soc, shortSiz, Bytes{0xFF, 0x93}})},
    };
}

INSTANTIATE_TEST_SUITE_P(Rules, J2kFailure, ::testing::ValuesIn(J2kFailureRows()),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(ParseSizSegment, NeedsFortyBytesPlusThreePerComponent) {
    const Bytes siz = fixture::SizSegment(100, 200, {7, 7, 0x8F});
    std::int32_t width = 0, height = 0, components = 0, bpp = 0, bpc = 0;
    ASSERT_EQ(siz.size(), 49u);
    ASSERT_TRUE(ParseSizSegment(siz, width, height, components, bpp, bpc));
    EXPECT_EQ(width, 100);
    EXPECT_EQ(height, 200);
    EXPECT_EQ(components, 3);
    EXPECT_EQ(bpp, 32);
    EXPECT_EQ(bpc, 16);
    EXPECT_FALSE(ParseSizSegment(std::span(siz).first(48), width, height, components, bpp, bpc));
    EXPECT_FALSE(ParseSizSegment(std::span(siz).first(39), width, height, components, bpp, bpc));
}

// --- JP2 ----------------------------------------------------------------------------------------

TEST_F(Jpeg2000Reader, Jp2FileTakesTheCodestreamFactsAndNoResolution) {
    // The header box carries a 300 dpi capture resolution box; it is not read.
    ASSERT_TRUE(ReadJp2(fixture::SimpleJp2(Codestream(640, 480, {7, 7, 7}))));
    EXPECT_EQ(info_, (ImageInfo{640, 480, 0, 0, 24, 8}));
}

TEST_F(Jpeg2000Reader, ExtraBoxesAreSteppedOver) {
    const Bytes jp2 =
        Join({fixture::Jp2SignatureBox(), fixture::Jp2FileTypeBox(),
              Jp2Box("xml ", Bytes(100, 'x')), Jp2Box("uuid", Bytes(20, 1)),
              Jp2Box("jp2i", Bytes(3, 2)), Jp2ExtendedBox("free", Bytes(40, 0)),
              fixture::Jp2HeaderBox(1, 1, 1, 7), Jp2Box("jp2c", Codestream(9, 7, {15}))});
    ASSERT_TRUE(ReadJp2(jp2));
    EXPECT_EQ(info_, (ImageInfo{9, 7, 0, 0, 16, 16}));
}

TEST_F(Jpeg2000Reader, OnlyLowerCaseJp2cIsTheCodestreamBox) {
    const Bytes jp2 = Join({fixture::Jp2SignatureBox(), Jp2Box("JP2C", Codestream(1, 1, {7})),
                            Jp2Box("Jp2c", Bytes{0}), Jp2Box("jp2c", Codestream(4, 5, {7}))});
    ASSERT_TRUE(ReadJp2(jp2));
    EXPECT_EQ(info_.Width, 4);
    EXPECT_EQ(info_.Height, 5);
}

TEST_F(Jpeg2000Reader, Jp2cBoxLengthIsNotUsed) {
    // Zero (to the end of the file) and a wrong length alike: the codestream is right behind.
    for (const std::uint32_t length : {0u, 3u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
        ASSERT_TRUE(ReadJp2(Join(
            {fixture::Jp2SignatureBox(), Jp2BoxWithLength(length, "jp2c", Codestream(6, 6, {7}))})))
            << length;
        EXPECT_EQ(info_.Width, 6);
    }
}

TEST_F(Jpeg2000Reader, Jp2StartPosition) {
    const Bytes jp2 = fixture::SimpleJp2(Codestream(3, 4, {7}));
    for (const std::int32_t start : {0, -1, 1}) {
        ASSERT_TRUE(ReadJp2(jp2, start));
        EXPECT_EQ(info_, (ImageInfo{3, 4, 0, 0, 8, 8}));
    }
    ASSERT_TRUE(ReadJp2(Join({Bytes(4, 0), jp2}), 5));
    EXPECT_EQ(info_.Width, 3);
}

class Jp2Failure : public Jpeg2000Reader, public ::testing::WithParamInterface<FailureRow> {};

TEST_P(Jp2Failure, ClearsEveryField) {
    EXPECT_FALSE(ReadJp2(GetParam().bytes));
    EXPECT_EQ(info_, kZeros);
}

std::vector<FailureRow> Jp2FailureRows() {
    const Bytes head = Join({fixture::Jp2SignatureBox(), fixture::Jp2FileTypeBox()});
    const Bytes jp2c = Jp2Box("jp2c", Codestream(8, 8, {7}));
    return {
        {"Empty", {}},
        {"ShorterThanABoxHeader", Bytes{0, 0, 0, 12, 'j', 'P'}},
        {"NoJp2c", head},
        {"JpegFile", fixture::SimpleJpeg(8, 8, 8, 3)},
        {"BareCodestream", Codestream(8, 8, {7})},
        {"ZeroLengthBeforeJp2c", Join({head, Jp2BoxWithLength(0, "xml ", {}), jp2c})},
        {"NegativeLength", Join({head, Jp2BoxWithLength(0x80000010u, "xml ", {}), jp2c})},
        {"MinusOneLength", Join({head, Jp2BoxWithLength(0xFFFFFFFFu, "xml ", {}), jp2c})},
        {"LengthBelowHeader", Join({head, Jp2BoxWithLength(4, "xml ", {}), jp2c})},
        {"LengthPastEndOfFile", Join({head, Jp2BoxWithLength(5000, "xml ", {}), jp2c})},
        {"ExtendedLengthPastEnd", Join({head, Jp2ExtendedBox("free", {}, 1 << 20), jp2c})},
        {"ExtendedLengthBeyond32Bits",
         Join({head, Jp2ExtendedBox("free", {}, (std::uint64_t{1} << 32) + 16), jp2c})},
        {"ExtendedLengthTopBit", Join({head, Jp2ExtendedBox("free", {}, ~std::uint64_t{0}), jp2c})},
        {"ExtendedLengthBelowSixteen", Join({head, Jp2ExtendedBox("free", {}, 8), jp2c})},
        {"ExtendedLengthCutOff", Join({head, Bytes{0, 0, 0, 1, 'f', 'r', 'e', 'e', 0, 0}})},
        {"Jp2cNotACodestream", Join({head, Jp2Box("jp2c", fixture::SimpleJpeg(8, 8, 8, 3))})},
        {"ExtendedLengthJp2c", Join({head, Jp2ExtendedBox("jp2c", Codestream(8, 8, {7}))})},
        {"BrokenCodestream", Join({head, Jp2Box("jp2c", Bytes{0xFF, 0x4F, 0xFF, 0x51, 0, 3})})},
    };
}

INSTANTIATE_TEST_SUITE_P(Rules, Jp2Failure, ::testing::ValuesIn(Jp2FailureRows()),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(Jp2ReaderFile, MissingFileFails) {
    test::TempDir dir;
    ImageInfo info = kCallerValues;
    EXPECT_FALSE(GetJp2Info(dir.File("none.jp2"), info, 1));
    EXPECT_EQ(info, kZeros);
    info = kCallerValues;
    EXPECT_FALSE(GetJ2kInfo(dir.File("none.j2k"), info, 1));
    EXPECT_EQ(info, kZeros);
}

// A box that ends just below 2^31 followed by one that would carry the position past the signed
// 32-bit range. Needs a sparse file of 2 GiB; skipped where the folder cannot hold one.
TEST(Jp2ReaderFile, PositionBeyondThe32BitRangeFails) {
#ifdef _WIN32
    GTEST_SKIP() << "files are not sparse by default here";
#endif
    test::TempDir dir;
    const std::string path = dir.File("huge.jp2");
    const std::int64_t second = 0x7FFFFFF8; // 0-based offset of the second box
    {
        std::ofstream out(PathFromUtf8(path), std::ios::binary);
        const Bytes first = Jp2BoxWithLength(static_cast<std::uint32_t>(second), "free", {});
        out.write(reinterpret_cast<const char*>(first.data()), 8);
        out.seekp(second);
        const Bytes next = Join({Jp2BoxWithLength(64, "free", {}), Bytes(56, 0),
                                 Jp2Box("jp2c", Codestream(1, 1, {7}))});
        out.write(reinterpret_cast<const char*>(next.data()),
                  static_cast<std::streamsize>(next.size()));
        if (!out) {
            GTEST_SKIP() << "no room for a 2 GiB sparse file";
        }
    }
    ImageInfo info = kCallerValues;
    EXPECT_FALSE(GetJp2Info(path, info, 1));
    EXPECT_EQ(info, kZeros);
}

} // namespace
} // namespace folionix

#include "imaging/ImageHeader.h"

#include "conforming/ImageFixtures.h"
#include "imaging/ImageFixtures.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace folionix {
namespace {

using test::Bytes;

// The facts of ReadImageHeader over the bytes in memory; false when the walk failed.
template <typename Facts>
bool ReadAs(ImageKind kind, Facts ImageHeader::*member, const Bytes& bytes, Facts& facts) {
    ImageHeader header;
    const bool ok = ReadImageHeader(MemorySource(bytes), kind, header);
    facts = header.*member;
    return ok;
}
bool ReadFacts(const Bytes& bytes, JpegFacts& facts) {
    return ReadAs(ImageKind::Jpeg, &ImageHeader::jpeg, bytes, facts);
}
bool ReadFacts(const Bytes& bytes, Jp2Facts& facts) {
    return ReadAs(ImageKind::Jp2, &ImageHeader::jp2, bytes, facts);
}
bool ReadFacts(const Bytes& bytes, J2kFacts& facts) {
    return ReadAs(ImageKind::J2k, &ImageHeader::j2k, bytes, facts);
}

// ---- JPEG ------------------------------------------------------------------------------------

TEST(JpegFacts, BaselineFileWithJfif) {
    const Bytes file =
        test::JpegFile({test::JfifSegment(1, 300, 200), test::FrameSegment(0xC0, 8, 64, 48, 3)});
    JpegFacts facts;
    ASSERT_TRUE(ReadFacts(file, facts));
    JpegFacts expected;
    expected.hasFrame = true;
    expected.frameMarker = 0xC0;
    expected.precision = 8;
    expected.width = 64;
    expected.height = 48;
    expected.components = 3;
    expected.hasJfif = true;
    expected.jfifUnits = 1;
    expected.jfifXDensity = 300;
    expected.jfifYDensity = 200;
    expected.endsWithEndOfImage = true;
    EXPECT_EQ(facts, expected);
}

TEST(JpegFacts, FrameTypeAndPrecisionOfEachFrameMarker) {
    for (int value : {0xC1, 0xC2, 0xC3, 0xC9, 0xCB, 0xCF}) {
        const auto code = static_cast<std::uint8_t>(value);
        JpegFacts facts;
        ASSERT_TRUE(ReadFacts(test::JpegFile({test::FrameSegment(code, 12, 10, 20, 1)}), facts));
        EXPECT_EQ(facts.frameMarker, code);
        EXPECT_EQ(facts.precision, 12);
    }
}

TEST(JpegFacts, DhtAndDacAreNotFrames) {
    JpegFacts facts;
    ASSERT_TRUE(ReadFacts(
        test::JpegFile({test::JpegSegment(0xC4, Bytes(20, 0)), test::JpegSegment(0xCC, {0, 1})}),
        facts));
    EXPECT_FALSE(facts.hasFrame);
}

TEST(JpegFacts, HierarchicalMarkerIsNoted) {
    JpegFacts facts;
    ASSERT_TRUE(ReadFacts(test::JpegFile({test::JpegSegment(0xDE, Bytes(6, 0)),
                                          test::FrameSegment(0xC5, 8, 8, 8, 3)}),
                          facts));
    EXPECT_TRUE(facts.hierarchical);
    EXPECT_EQ(facts.frameMarker, 0xC5);
}

TEST(JpegFacts, AdobeMarkerAndItsTransform) {
    JpegFacts facts;
    ASSERT_TRUE(ReadFacts(
        test::JpegFile({test::AdobeSegment(2), test::FrameSegment(0xC0, 8, 8, 8, 4)}), facts));
    EXPECT_TRUE(facts.hasAdobe);
    EXPECT_EQ(facts.adobeTransform, 2);

    // An "Adobe" segment too short for its transform byte still counts as the marker.
    Bytes shortBody;
    test::AppendText(shortBody, "Adobe");
    ASSERT_TRUE(ReadFacts(test::JpegFile({test::JpegSegment(0xEE, shortBody)}), facts));
    EXPECT_TRUE(facts.hasAdobe);
    EXPECT_EQ(facts.adobeTransform, -1);

    // APP14 with another identifier is not the Adobe marker.
    Bytes other;
    test::AppendText(other, "Adobf-------");
    ASSERT_TRUE(ReadFacts(test::JpegFile({test::JpegSegment(0xEE, other)}), facts));
    EXPECT_FALSE(facts.hasAdobe);
}

TEST(JpegFacts, JfifWithoutDensityLetsALaterJfifSpeak) {
    JpegFacts facts;
    ASSERT_TRUE(ReadFacts(
        test::JpegFile({test::JfifSegment(1, 0, 0), test::JfifSegment(2, 118, 118)}), facts));
    EXPECT_EQ(facts.jfifUnits, 2);
    EXPECT_EQ(facts.jfifXDensity, 118);

    ASSERT_TRUE(ReadFacts(
        test::JpegFile({test::JfifSegment(0, 1, 1), test::JfifSegment(1, 300, 300)}), facts));
    EXPECT_EQ(facts.jfifUnits, 0);
    EXPECT_EQ(facts.jfifXDensity, 1);
}

TEST(JpegFacts, TruncatedFileHasNoEndOfImage) {
    JpegFacts facts;
    ASSERT_TRUE(ReadFacts(
        test::JpegFile({test::FrameSegment(0xC0, 8, 8, 8, 3)}, /*withEndOfImage*/ false), facts));
    EXPECT_TRUE(facts.hasFrame);
    EXPECT_FALSE(facts.endsWithEndOfImage);
}

TEST(JpegFacts, MalformedFilesFailWithoutReadingPastTheData) {
    JpegFacts facts;
    EXPECT_FALSE(ReadFacts(Bytes{}, facts));
    EXPECT_FALSE(ReadFacts(Bytes{0x89, 'P', 'N', 'G'}, facts));
    EXPECT_FALSE(ReadFacts(Bytes{0xFF, 0xD8}, facts));
    // A length field below 2 cannot move the walk.
    EXPECT_FALSE(ReadFacts(Bytes{0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x01, 0xFF, 0xD9}, facts));
    // A segment that claims more bytes than the file has.
    EXPECT_FALSE(ReadFacts(Bytes{0xFF, 0xD8, 0xFF, 0xC0, 0x40, 0x00, 8, 0}, facts));
    // Bytes where a marker should be.
    EXPECT_FALSE(ReadFacts(Bytes{0xFF, 0xD8, 0x12, 0x34, 0xFF, 0xD9}, facts));
}

// ---- EXIF ------------------------------------------------------------------------------------

struct OrientationRow {
    bool littleEndian;
    std::uint16_t value;
};

class ExifOrientation : public testing::TestWithParam<OrientationRow> {};

TEST_P(ExifOrientation, IsReadInEitherByteOrder) {
    const OrientationRow row = GetParam();
    const Bytes file =
        test::JpegFile({test::ExifSegment(row.littleEndian, {{0x0112, 3, 1, row.value}}),
                        test::FrameSegment(0xC0, 8, 8, 8, 3)});
    JpegFacts facts;
    ASSERT_TRUE(ReadFacts(file, facts));
    EXPECT_TRUE(facts.hasExif);
    EXPECT_EQ(facts.exifOrientation, row.value);
}

INSTANTIATE_TEST_SUITE_P(Rows, ExifOrientation,
                         testing::Values(OrientationRow{true, 1}, OrientationRow{true, 6},
                                         OrientationRow{true, 8}, OrientationRow{false, 3},
                                         OrientationRow{false, 5}, OrientationRow{false, 9},
                                         OrientationRow{true, 0}));

TEST(ExifFacts, ResolutionRationalsAndUnit) {
    for (bool little : {true, false}) {
        const std::uint32_t extra = test::ExifExtraOffset(3);
        const Bytes segment = test::ExifSegment(
            little, {{0x011A, 5, 1, extra}, {0x011B, 5, 1, extra + 8}, {0x0128, 3, 1, 3}},
            {300, 2, 59, 1});
        JpegFacts facts;
        ASSERT_TRUE(ParseExifSegment(segment, facts));
        EXPECT_DOUBLE_EQ(facts.exifXResolution, 150.0);
        EXPECT_DOUBLE_EQ(facts.exifYResolution, 59.0);
        EXPECT_EQ(facts.exifResolutionUnit, 3);
        EXPECT_EQ(facts.exifOrientation, 0);
    }
}

TEST(ExifFacts, UnitDefaultsToInchAndBadRationalsGiveZero) {
    const std::uint32_t extra = test::ExifExtraOffset(2);
    // X has a zero denominator; Y points far outside the segment.
    const Bytes segment =
        test::ExifSegment(true, {{0x011A, 5, 1, extra}, {0x011B, 5, 1, 0xFFFFFFF0}}, {72, 0});
    JpegFacts facts;
    ASSERT_TRUE(ParseExifSegment(segment, facts));
    EXPECT_EQ(facts.exifXResolution, 0.0);
    EXPECT_EQ(facts.exifYResolution, 0.0);
    EXPECT_EQ(facts.exifResolutionUnit, 2);
}

TEST(ExifFacts, WrongTypeIsIgnored) {
    JpegFacts facts;
    ASSERT_TRUE(ParseExifSegment(test::ExifSegment(false, {{0x0112, 4, 1, 6}}), facts));
    EXPECT_EQ(facts.exifOrientation, 0);
}

TEST(ExifFacts, MalformedHeadersAreRefused) {
    JpegFacts facts;
    Bytes notExif;
    test::AppendText(notExif, "http://ns.adobe.com/xap/1.0/");
    EXPECT_FALSE(ParseExifSegment(test::JpegSegment(0xE1, notExif), facts));
    Bytes badOrder;
    test::AppendText(badOrder, std::string("Exif\0\0IM\0\x2A\0\0\0\x08", 14));
    EXPECT_FALSE(ParseExifSegment(test::JpegSegment(0xE1, badOrder), facts));
    Bytes farIfd;
    test::AppendText(farIfd, std::string("Exif\0\0MM\0\x2A\x7F\0\0\0", 14));
    EXPECT_FALSE(ParseExifSegment(test::JpegSegment(0xE1, farIfd), facts));
    EXPECT_FALSE(facts.hasExif);
}

TEST(ExifFacts, IfdCountLargerThanTheSegmentStopsAtItsEnd) {
    Bytes segment = test::ExifSegment(true, {{0x0112, 3, 1, 6}});
    segment[4 + 6 + 8] = 0xFF; // entry count 0x..FF
    segment[4 + 6 + 9] = 0xFF;
    JpegFacts facts;
    ASSERT_TRUE(ParseExifSegment(segment, facts));
    EXPECT_EQ(facts.exifOrientation, 6);
}

TEST(ExifFacts, OnlyTheFirstExifSegmentCounts) {
    JpegFacts facts;
    ASSERT_TRUE(ReadFacts(test::JpegFile({test::ExifSegment(true, {{0x0112, 3, 1, 6}}),
                                          test::ExifSegment(true, {{0x0112, 3, 1, 3}})}),
                          facts));
    EXPECT_EQ(facts.exifOrientation, 6);
}

// ---- JP2 and J2K -----------------------------------------------------------------------------

TEST(Jp2Facts, CaptureAndDisplayResolutionInsideResBox) {
    Bytes res = test::Box("resc", test::ResolutionContent(11811, 1, 3937, 1, 0, 1));
    test::Append(res, test::Box("resd", test::ResolutionContent(7200, 254, 7200, 254, 2, 2)));
    const Bytes file = test::Jp2File(test::Box("res ", res), test::Codestream(64, 48, {8, 8, 8}));
    Jp2Facts facts;
    ASSERT_TRUE(ReadFacts(file, facts));
    EXPECT_EQ(facts.components, 3);
    ASSERT_TRUE(facts.hasCaptureResolution);
    ASSERT_TRUE(facts.hasDisplayResolution);
    double x = 0;
    double y = 0;
    ASSERT_TRUE(ResolutionBoxToDpi(facts.captureResolution, x, y));
    EXPECT_NEAR(x, 999.998, 0.001); // 39370 pixels per metre
    EXPECT_NEAR(y, 299.9994, 0.0001);
    ASSERT_TRUE(ResolutionBoxToDpi(facts.displayResolution, x, y));
    EXPECT_NEAR(x, 72.0, 1e-9); // 7200/254 × 100 pixels per metre
    EXPECT_NEAR(y, 72.0, 1e-9);
}

// A JP2 file whose jp2h holds exactly the given boxes.
Bytes Jp2WithHeaderBoxes(const Bytes& jp2hContent) {
    Bytes file = test::Box("jP  ", Bytes{0x0D, 0x0A, 0x87, 0x0A});
    test::Append(file, test::Box("jp2h", jp2hContent));
    test::Append(file, test::Box("jp2c", test::Codestream(8, 8, {8})));
    return file;
}

Bytes ColourBox(std::uint8_t method, std::uint32_t enumeratedSpace) {
    Bytes content{method, 0, 0};
    test::Append32(content, enumeratedSpace);
    return test::Box("colr", content);
}

struct ColourRow {
    const char* name;
    Bytes jp2hContent;
    std::int32_t method;
    std::uint32_t space;
};

class Jp2Colour : public testing::TestWithParam<ColourRow> {};

TEST_P(Jp2Colour, FirstColrBoxOfTheHeader) {
    Jp2Facts facts;
    ASSERT_TRUE(ReadFacts(Jp2WithHeaderBoxes(GetParam().jp2hContent), facts));
    EXPECT_EQ(facts.colourMethod, GetParam().method);
    EXPECT_EQ(facts.enumeratedColourSpace, GetParam().space);
}

std::vector<ColourRow> ColourRows() {
    Bytes greyThenSrgb = ColourBox(1, 17);
    test::Append(greyThenSrgb, ColourBox(1, 16));
    Bytes shortThenSrgb = test::Box("colr", Bytes{1, 0, 0, 0});
    test::Append(shortThenSrgb, ColourBox(1, 16));
    return {
        {"Srgb", ColourBox(1, 16), 1, 16},
        {"Grey", ColourBox(1, 17), 1, 17},
        {"Sycc", ColourBox(1, 18), 1, 18},
        {"IccProfile", ColourBox(2, 0x01020304), 2, 0},
        {"FirstOfTwo", greyThenSrgb, 1, 17},
        {"FirstTooShortForItsSpace", shortThenSrgb, 0, 0},
        {"None", test::Box("ihdr", Bytes(14, 0)), 0, 0},
    };
}

INSTANTIATE_TEST_SUITE_P(Rows, Jp2Colour, testing::ValuesIn(ColourRows()),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(Jp2Facts, NegativeExponentAndZeroDenominator) {
    Jp2ResolutionBox box;
    ASSERT_TRUE(ParseResolutionBox(test::ResolutionContent(3000, 1, 11811, 10, -1, 0), box));
    EXPECT_EQ(box.verticalExponent, -1);
    double x = 0;
    double y = 0;
    ASSERT_TRUE(ResolutionBoxToDpi(box, x, y));
    EXPECT_NEAR(x, 29.99994, 1e-5);
    EXPECT_NEAR(y, 7.62, 1e-9);
    box.horizontalDenominator = 0;
    EXPECT_FALSE(ResolutionBoxToDpi(box, x, y));
    EXPECT_EQ(x, 0.0);
    EXPECT_FALSE(ParseResolutionBox(Bytes(9, 1), box));
}

TEST(Jp2Facts, ResolutionBoxesOutsideResOrJp2hAreNotTaken) {
    // resc directly in jp2h, and a "res " box at the top level.
    const Bytes inJp2h = test::Box("resc", test::ResolutionContent(1, 1, 1, 1, 4, 4));
    Bytes file = test::Jp2File(inJp2h, test::Codestream(8, 8, {8}));
    test::Append(file, test::Box("res ", inJp2h));
    Jp2Facts facts;
    ASSERT_TRUE(ReadFacts(file, facts));
    EXPECT_FALSE(facts.hasCaptureResolution);
    EXPECT_EQ(facts.components, 1);
}

TEST(Jp2Facts, ExtendedAndOpenEndedBoxLengths) {
    // An XML box with an extended length before jp2c, and jp2c with length 0 (to the end).
    Bytes file = test::Box("jP  ", Bytes{0x0D, 0x0A, 0x87, 0x0A});
    Bytes xml{0, 0, 0, 1};
    test::AppendText(xml, "xml ");
    test::Append32(xml, 0);
    test::Append32(xml, 16 + 3);
    test::AppendText(xml, "<a>");
    test::Append(file, xml);
    test::Append(file, test::Jp2Header(test::Box(
                           "res ", test::Box("resd", test::ResolutionContent(1, 1, 1, 1, 0, 0)))));
    test::Append32(file, 0);
    test::AppendText(file, "jp2c");
    test::Append(file, test::Codestream(8, 8, {16}));
    Jp2Facts facts;
    ASSERT_TRUE(ReadFacts(file, facts));
    EXPECT_TRUE(facts.hasDisplayResolution);
    EXPECT_FALSE(facts.hasCaptureResolution);
    EXPECT_EQ(facts.components, 1);
}

TEST(Jp2Facts, BoxLengthsThatCannotBeSteppedEndTheWalk) {
    Jp2Facts facts;
    Bytes tooLong;
    test::Append32(tooLong, 0x7FFFFFFF);
    test::AppendText(tooLong, "jp2h");
    EXPECT_FALSE(ReadFacts(tooLong, facts));
    Bytes tooShort;
    test::Append32(tooShort, 4);
    test::AppendText(tooShort, "jp2h0000");
    EXPECT_FALSE(ReadFacts(tooShort, facts));
    EXPECT_FALSE(ReadFacts(Bytes{}, facts));
    // jp2c whose content is not a codestream.
    EXPECT_FALSE(ReadFacts(test::Jp2File({}, Bytes{1, 2, 3, 4}), facts));
}

TEST(J2kFacts, ComponentCount) {
    for (std::size_t count : {1u, 2u, 3u, 4u, 5u}) {
        J2kFacts facts;
        ASSERT_TRUE(ReadFacts(test::Codestream(8, 8, std::vector<std::uint8_t>(count, 8)), facts));
        EXPECT_EQ(facts.components, static_cast<std::int32_t>(count));
    }
}

TEST(J2kFacts, SizGridAndOffsetsAsUnsignedNumbers) {
    J2kFacts facts;
    ASSERT_TRUE(ReadFacts(fixture::Codestream(0x80000001u, 500, {7, 7}, 10, 0xFFFFFFF0u), facts));
    EXPECT_EQ(facts, (J2kFacts{2, 0x80000001u, 500, 10, 0xFFFFFFF0u}));
    // Inside a JP2 file the codestream's facts are there too.
    ImageHeader header;
    ASSERT_TRUE(ReadImageHeader(
        MemorySource(fixture::SimpleJp2(fixture::Codestream(650, 500, {7}, 10, 20))),
        ImageKind::Jp2, header));
    EXPECT_EQ(header.j2k, (J2kFacts{1, 650, 500, 10, 20}));
    EXPECT_EQ(header.jp2.components, 1);
}

TEST(J2kFacts, NotACodestreamOrShortSiz) {
    J2kFacts facts;
    EXPECT_FALSE(ReadFacts(Bytes{0xFF, 0xD8, 0xFF, 0xD9}, facts));
    EXPECT_FALSE(ReadFacts(Bytes{0xFF, 0x4F, 0xFF, 0x51, 0x00, 0x10, 0, 0}, facts));
    // SOD before any SIZ: the reader succeeds, and there are no facts.
    EXPECT_TRUE(ReadFacts(Bytes{0xFF, 0x4F, 0xFF, 0x93, 0x00, 0x02}, facts));
    EXPECT_EQ(facts, J2kFacts{});
}

// ---- Robustness: every truncation and every single-byte change of good inputs ----------------

void ReadAsEveryKind(const Bytes& bytes) {
    for (const ImageKind kind : {ImageKind::Jpeg, ImageKind::Jp2, ImageKind::J2k}) {
        ImageHeader header;
        static_cast<void>(ReadImageHeader(MemorySource(bytes), kind, header));
    }
}

// Exactly sized copies, so that a read past the end shows under the sanitizers.
void ReadEveryVariant(const Bytes& good) {
    for (std::size_t length = 0; length <= good.size(); ++length) {
        ReadAsEveryKind(Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(length)));
    }
    for (std::size_t i = 0; i < good.size(); ++i) {
        for (int value : {0x00, 0x01, 0x7F, 0x80, 0xFE, 0xFF}) {
            Bytes changed = good;
            changed[i] = static_cast<std::uint8_t>(value);
            ReadAsEveryKind(changed);
        }
    }
}

TEST(FactsRobustness, DamagedJpegHeadsNeverReadOutside) {
    const std::uint32_t extra = test::ExifExtraOffset(2);
    ReadEveryVariant(test::JpegFile(
        {test::JfifSegment(1, 72, 72),
         test::ExifSegment(false, {{0x0112, 3, 1, 6}, {0x011A, 5, 1, extra}}, {300, 1}),
         test::AdobeSegment(1), test::FrameSegment(0xC0, 8, 8, 8, 4)}));
}

TEST(FactsRobustness, DamagedJp2HeadsNeverReadOutside) {
    ReadEveryVariant(test::Jp2File(
        test::Box("res ", test::Box("resc", test::ResolutionContent(1, 1, 1, 1, 0, 0))),
        test::Codestream(8, 8, {8, 8, 8})));
}

// ---- Real files made by the Debian tools ------------------------------------------------------

class RealFiles : public testing::Test {
protected:
    // A 64 × 48 picture in PPM (colour) or PGM (grey), written by hand.
    std::string WritePicture(const std::string& name, bool grey) {
        std::string text = std::string(grey ? "P5" : "P6") + "\n64 48\n255\n";
        for (int y = 0; y < 48; ++y) {
            for (int x = 0; x < 64; ++x) {
                text.push_back(static_cast<char>(x * 4));
                if (!grey) {
                    text.push_back(static_cast<char>(y * 5));
                    text.push_back(static_cast<char>(128));
                }
            }
        }
        const std::string path = dir_.File(name);
        test::WriteText(path, text);
        return path;
    }
    test::TempDir dir_;
};

TEST_F(RealFiles, CjpegOutputWithExifWrittenByExiftool) {
    if (!test::HaveTool("cjpeg") || !test::HaveTool("exiftool")) {
        GTEST_SKIP() << "cjpeg or exiftool missing";
    }
    const std::string ppm = WritePicture("in.ppm", false);
    const std::string jpg = dir_.File("out.jpg");
    ASSERT_EQ(test::RunCommand("cjpeg -progressive " + test::ShellQuote(ppm) + " > " +
                               test::ShellQuote(jpg)),
              0);
    ASSERT_EQ(
        test::RunCommand("exiftool -q -overwrite_original -n -EXIF:Orientation=6 "
                         "-EXIF:XResolution=150 -EXIF:YResolution=120 -EXIF:ResolutionUnit=3 " +
                         test::ShellQuote(jpg)),
        0);
    JpegFacts facts;
    ASSERT_TRUE(ReadFacts(test::ReadBytes(jpg), facts));
    EXPECT_EQ(facts.frameMarker, 0xC2);
    EXPECT_EQ(facts.components, 3);
    EXPECT_EQ(facts.width, 64);
    EXPECT_EQ(facts.height, 48);
    EXPECT_TRUE(facts.hasJfif);
    EXPECT_EQ(facts.jfifUnits, 0);
    EXPECT_EQ(facts.exifOrientation, 6);
    EXPECT_DOUBLE_EQ(facts.exifXResolution, 150.0);
    EXPECT_DOUBLE_EQ(facts.exifYResolution, 120.0);
    EXPECT_EQ(facts.exifResolutionUnit, 3);
    EXPECT_TRUE(facts.endsWithEndOfImage);
}

TEST_F(RealFiles, GreyJp2AndCodestreamFromOpjCompress) {
    if (!test::HaveTool("opj_compress")) {
        GTEST_SKIP() << "opj_compress missing";
    }
    const std::string pgm = WritePicture("in.pgm", true);
    const std::string jp2 = dir_.File("out.jp2");
    const std::string j2k = dir_.File("out.j2k");
    ASSERT_EQ(test::RunCommand("opj_compress -i " + test::ShellQuote(pgm) + " -o " +
                               test::ShellQuote(jp2) + " > /dev/null"),
              0);
    ASSERT_EQ(test::RunCommand("opj_compress -i " + test::ShellQuote(pgm) + " -o " +
                               test::ShellQuote(j2k) + " > /dev/null"),
              0);
    Jp2Facts jp2Facts;
    ASSERT_TRUE(ReadFacts(test::ReadBytes(jp2), jp2Facts));
    EXPECT_EQ(jp2Facts.components, 1);
    EXPECT_FALSE(jp2Facts.hasCaptureResolution);
    EXPECT_EQ(jp2Facts.colourMethod, 1);
    EXPECT_EQ(jp2Facts.enumeratedColourSpace, 17u); // greyscale
    J2kFacts j2kFacts;
    ASSERT_TRUE(ReadFacts(test::ReadBytes(j2k), j2kFacts));
    EXPECT_EQ(j2kFacts, (J2kFacts{1, 64, 48, 0, 0}));
    EXPECT_FALSE(ReadFacts(test::ReadBytes(jp2), j2kFacts));
}

} // namespace
} // namespace folionix

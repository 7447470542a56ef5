#include "conversion/modConforming.h"

#include "conforming/ConformingTestSupport.h"

#include "common/RunError.h"

#include <gtest/gtest.h>

#include <array>
#include <locale>
#include <sstream>

namespace folionix {
namespace {

JpegFacts BaselineFacts(std::int32_t components) {
    JpegFacts facts;
    facts.hasFrame = true;
    facts.frameMarker = 0xC0;
    facts.precision = 8;
    facts.width = 64;
    facts.height = 48;
    facts.components = components;
    facts.endsWithEndOfImage = true;
    return facts;
}

ImageInfo InfoFor(const JpegFacts& facts) {
    ImageInfo info;
    info.Width = facts.width;
    info.Height = facts.height;
    info.BitsPerComponent = facts.precision;
    info.BitsPerPixel = facts.precision * facts.components;
    return info;
}

// ---- Colour space and refusals ---------------------------------------------------------------

struct FrameRow {
    std::uint8_t frame;
    std::int32_t precision;
    std::int32_t components;
    bool adobe;
    const char* colorSpace; // nullptr: refused
    const char* reasonPart; // part of the refusal reason
    const char* decode;
};

class JpegDecision : public testing::TestWithParam<FrameRow> {};

TEST_P(JpegDecision, ColourSpaceOrReason) {
    const FrameRow row = GetParam();
    JpegFacts facts = BaselineFacts(row.components);
    facts.frameMarker = row.frame;
    facts.precision = row.precision;
    facts.hasAdobe = row.adobe;
    PlannedImage image;
    std::string reason;
    const bool accepted = DecideConformingJpeg(InfoFor(facts), facts, image, reason);
    if (row.colorSpace == nullptr) {
        EXPECT_FALSE(accepted);
        EXPECT_NE(reason.find(row.reasonPart), std::string::npos) << reason;
        return;
    }
    ASSERT_TRUE(accepted) << reason;
    EXPECT_EQ(image.objectOptions.filter, "DCTDecode");
    EXPECT_EQ(image.objectOptions.colorSpace, std::optional<std::string>(row.colorSpace));
    EXPECT_EQ(image.objectOptions.bitsPerComponent, std::optional<std::int32_t>(8));
    EXPECT_EQ(image.objectOptions.decodeArray, row.decode);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, JpegDecision,
    testing::Values(FrameRow{0xC0, 8, 1, false, "DeviceGray", "", ""},
                    FrameRow{0xC0, 8, 3, false, "DeviceRGB", "", ""},
                    FrameRow{0xC0, 8, 3, true, "DeviceRGB", "", ""},
                    FrameRow{0xC0, 8, 4, false, "DeviceCMYK", "", ""},
                    FrameRow{0xC0, 8, 4, true, "DeviceCMYK", "", "[1 0 1 0 1 0 1 0]"},
                    FrameRow{0xC1, 8, 3, false, "DeviceRGB", "", ""},
                    FrameRow{0xC2, 8, 4, true, "DeviceCMYK", "", "[1 0 1 0 1 0 1 0]"},
                    FrameRow{0xC0, 8, 2, false, nullptr, "two-component", ""},
                    FrameRow{0xC0, 8, 5, false, nullptr, "5-component", ""},
                    FrameRow{0xC1, 12, 3, false, nullptr, "12-bit JPEG (frame type 0xC1)", ""},
                    FrameRow{0xC2, 12, 1, false, nullptr, "12-bit", ""},
                    FrameRow{0xC3, 8, 3, false, nullptr, "lossless JPEG (frame type 0xC3)", ""},
                    FrameRow{0xC5, 8, 3, false, nullptr, "hierarchical", ""},
                    FrameRow{0xC7, 8, 3, false, nullptr, "hierarchical", ""},
                    FrameRow{0xC9, 8, 3, false, nullptr, "arithmetic-coded JPEG (frame type 0xC9)",
                             ""},
                    FrameRow{0xCA, 8, 3, false, nullptr, "arithmetic-coded", ""},
                    FrameRow{0xCB, 8, 3, false, nullptr, "arithmetic-coded", ""},
                    FrameRow{0xCD, 8, 3, false, nullptr, "hierarchical", ""}));

TEST(JpegDecisionExtras, FrameTypeWinsOverComponentCount) {
    JpegFacts facts = BaselineFacts(2);
    facts.frameMarker = 0xC9;
    PlannedImage image;
    std::string reason;
    EXPECT_FALSE(DecideConformingJpeg(InfoFor(facts), facts, image, reason));
    EXPECT_NE(reason.find("arithmetic"), std::string::npos);
}

TEST(JpegDecisionExtras, HierarchicalMarkerWithBaselineFrameIsRefused) {
    JpegFacts facts = BaselineFacts(3);
    facts.hierarchical = true;
    PlannedImage image;
    std::string reason;
    EXPECT_FALSE(DecideConformingJpeg(InfoFor(facts), facts, image, reason));
    EXPECT_NE(reason.find("hierarchical"), std::string::npos);
}

TEST(JpegDecisionExtras, NoFrameIsRefused) {
    JpegFacts facts;
    PlannedImage image;
    std::string reason;
    EXPECT_FALSE(DecideConformingJpeg(ImageInfo{}, facts, image, reason));
    EXPECT_NE(reason.find("frame"), std::string::npos);
}

TEST(JpegDecisionExtras, TruncationIsAcceptedWithTheEndMarkerAfterTheData) {
    JpegFacts facts = BaselineFacts(3);
    facts.endsWithEndOfImage = false;
    PlannedImage image;
    std::string reason;
    ASSERT_TRUE(DecideConformingJpeg(InfoFor(facts), facts, image, reason));
    EXPECT_EQ(image.objectOptions.trailingBytes, "\xFF\xD9");
    EXPECT_EQ(image.objectOptions.trailingBytes, "\xFF\xD9");
    facts.endsWithEndOfImage = true;
    ASSERT_TRUE(DecideConformingJpeg(InfoFor(facts), facts, image, reason));
    EXPECT_TRUE(image.objectOptions.trailingBytes.empty());
}

TEST(Jpeg2000Decision, Jp2HasNeitherColourSpaceNorDepth) {
    ImageInfo info{64, 48, 0, 0, 16, 16};
    Jp2Facts facts;
    facts.components = 1;
    PlannedImage image;
    std::string reason;
    ASSERT_TRUE(DecideConformingJp2(info, facts, image, reason));
    EXPECT_EQ(image.objectOptions.filter, "JPXDecode");
    EXPECT_FALSE(image.objectOptions.colorSpace.has_value());
    EXPECT_FALSE(image.objectOptions.bitsPerComponent.has_value());
    EXPECT_TRUE(image.objectOptions.decodeArray.empty());
}

TEST(Jpeg2000Decision, EnumeratedColourBoxesAreDeclaredAndProfilesAreLeftToTheFile) {
    struct Row {
        std::int32_t method;
        std::uint32_t space;
        const char* colorSpace;
    };
    const std::array<Row, 6> rows{{{1, 16, "DeviceRGB"},
                                   {1, 17, "DeviceGray"},
                                   {1, 18, "DeviceRGB"},
                                   {1, 12, nullptr},
                                   {2, 17, nullptr},
                                   {0, 0, nullptr}}};
    for (const Row& row : rows) {
        Jp2Facts facts;
        facts.colourMethod = row.method;
        facts.enumeratedColourSpace = row.space;
        PlannedImage image;
        std::string reason;
        ASSERT_TRUE(DecideConformingJp2(ImageInfo{}, facts, image, reason));
        EXPECT_EQ(image.objectOptions.colorSpace.value_or(""),
                  std::string(row.colorSpace != nullptr ? row.colorSpace : ""))
            << row.method << " " << row.space;
        EXPECT_FALSE(image.objectOptions.bitsPerComponent.has_value());
    }
}

TEST(Jpeg2000Decision, CodestreamColourSpaceByComponents) {
    const std::array<std::pair<std::int32_t, const char*>, 6> rows{{{1, "DeviceGray"},
                                                                    {2, nullptr},
                                                                    {3, "DeviceRGB"},
                                                                    {4, "DeviceCMYK"},
                                                                    {5, nullptr},
                                                                    {0, nullptr}}};
    for (const auto& [components, colorSpace] : rows) {
        ImageInfo info{64, 48, 0, 0, 16 * components, 16};
        J2kFacts facts;
        facts.components = components;
        PlannedImage image;
        std::string reason;
        const bool accepted = DecideConformingJ2k(info, facts, image, reason);
        if (colorSpace == nullptr) {
            EXPECT_FALSE(accepted) << components;
            EXPECT_NE(reason.find(std::to_string(components) + "-component"), std::string::npos);
        } else {
            ASSERT_TRUE(accepted) << components;
            EXPECT_EQ(image.objectOptions.colorSpace, std::optional<std::string>(colorSpace));
            EXPECT_EQ(image.objectOptions.bitsPerComponent, std::optional<std::int32_t>(16));
        }
    }
}

// ---- Resolution and orientation --------------------------------------------------------------

struct ResolutionRow {
    bool jfif;
    std::int32_t units;
    std::int32_t readerX; // what GetJpegInfo reports
    std::int32_t readerY;
    double exifX;
    double exifY;
    std::int32_t exifUnit;
    std::int32_t xResolution; // as the layout takes it (0: 72)
    std::int32_t yResolution;
};

class JpegResolution : public testing::TestWithParam<ResolutionRow> {};

TEST_P(JpegResolution, Chosen) {
    const ResolutionRow row = GetParam();
    JpegFacts facts = BaselineFacts(3);
    facts.hasJfif = row.jfif;
    facts.jfifUnits = row.units;
    facts.exifXResolution = row.exifX;
    facts.exifYResolution = row.exifY;
    facts.exifResolutionUnit = row.exifUnit;
    ImageInfo info = InfoFor(facts);
    info.XResolution = row.readerX;
    info.YResolution = row.readerY;
    PlannedImage image;
    std::string reason;
    ASSERT_TRUE(DecideConformingJpeg(info, facts, image, reason));
    EXPECT_EQ(image.xResolution, row.xResolution);
    EXPECT_EQ(image.yResolution, row.yResolution);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, JpegResolution,
    testing::Values(
        // JFIF in inches or centimetres: the reader's values, as in the default mode.
        ResolutionRow{true, 1, 300, 200, 96, 96, 2, 300, 200},
        ResolutionRow{true, 2, 300, 300, 0, 0, 2, 300, 300},
        ResolutionRow{true, 1, 0, 150, 0, 0, 2, 0, 150},
        // JFIF units 0 (the 1:1 default of most encoders): no resolution, so 72 or EXIF.
        ResolutionRow{true, 0, 1, 1, 0, 0, 2, 0, 0},
        ResolutionRow{true, 0, 1, 1, 144, 144, 2, 144, 144},
        ResolutionRow{true, 0, 1, 1, 100, 50, 3, 254, 127},
        ResolutionRow{true, 0, 1, 1, 0.2, 299.6, 2, 1, 300},
        ResolutionRow{true, 0, 1, 1, 4e9, 4e9, 2, 1000000, 1000000},
        // No JFIF at all, or a JFIF without density: EXIF when it has a unit.
        ResolutionRow{false, 0, 0, 0, 300, 0, 2, 300, 300},
        ResolutionRow{true, 1, 0, 0, 200, 100, 2, 200, 100},
        ResolutionRow{false, 0, 0, 0, 300, 300, 1, 0, 0},
        ResolutionRow{false, 0, 0, 0, 0, 0, 2, 0, 0},
        // An unknown JFIF unit is no density.
        ResolutionRow{true, 7, 30, 30, 0, 0, 2, 0, 0}));

TEST(Jp2Resolution, CaptureWinsOverDisplay) {
    Jp2Facts facts;
    facts.hasDisplayResolution = true;
    facts.displayResolution = {7200, 254, 7200, 254, 2, 2}; // 72 dpi
    PlannedImage image;
    std::string reason;
    ASSERT_TRUE(DecideConformingJp2(ImageInfo{}, facts, image, reason));
    EXPECT_EQ(image.xResolution, 72);
    facts.hasCaptureResolution = true;
    facts.captureResolution = {5669, 1, 11811, 1, 0, 0}; // 143.99 × 299.9994 (vertical first)
    ASSERT_TRUE(DecideConformingJp2(ImageInfo{}, facts, image, reason));
    EXPECT_EQ(image.xResolution, 300);
    EXPECT_EQ(image.yResolution, 144);
    // A capture box with a zero denominator gives way to the display box.
    facts.captureResolution.verticalDenominator = 0;
    ASSERT_TRUE(DecideConformingJp2(ImageInfo{}, facts, image, reason));
    EXPECT_EQ(image.yResolution, 72);
    facts.hasDisplayResolution = false;
    ASSERT_TRUE(DecideConformingJp2(ImageInfo{}, facts, image, reason));
    EXPECT_EQ(image.xResolution, 0);
    EXPECT_EQ(image.yResolution, 0);
}

TEST(Orientation, ZeroAndValuesAboveEightCountAsOne) {
    for (std::int32_t value : {0, 1, 9, 255, -1}) {
        JpegFacts facts = BaselineFacts(3);
        facts.exifOrientation = value;
        PlannedImage image;
        std::string reason;
        ASSERT_TRUE(DecideConformingJpeg(InfoFor(facts), facts, image, reason));
        EXPECT_EQ(image.orientation, 1) << value;
    }
    for (std::int32_t value = 2; value <= 8; ++value) {
        JpegFacts facts = BaselineFacts(3);
        facts.exifOrientation = value;
        PlannedImage image;
        std::string reason;
        ASSERT_TRUE(DecideConformingJpeg(InfoFor(facts), facts, image, reason));
        EXPECT_EQ(image.orientation, value);
    }
}

// ---- Layout ----------------------------------------------------------------------------------

PlannedImage ImageOf(std::int32_t width, std::int32_t height, std::int32_t dpi,
                     std::int32_t orientation = 1) {
    PlannedImage image;
    image.info = ImageInfo{width, height, 0, 0, 24, 8};
    image.xResolution = dpi;
    image.yResolution = dpi;
    image.orientation = orientation;
    return image;
}

PageMargins Margins(double points) {
    return PageMargins{points, points, points, points};
}

TEST(ConformingLayout, DefaultRulesForAnOrdinaryImage) {
    test::SettingsHost host; // 8.5 × 11, shrink, centred
    PageLayout layout = LayOutImagePage(ImageOf(3000, 2000, 300), Margins(0), host, kMaxPageSide);
    EXPECT_EQ(layout.pageWidth, 612);
    EXPECT_EQ(layout.pageHeight, 792);
    EXPECT_EQ(layout.width, 612);
    EXPECT_EQ(layout.height, 408);
    EXPECT_EQ(layout.x, 0);
    EXPECT_EQ(layout.yTop, 600);
    EXPECT_EQ(layout.scale, 1.0);

    host.settings.pageSizeMode = PageSizeMode::MatchImageSize;
    layout = LayOutImagePage(ImageOf(2000, 1000, 200), Margins(36), host, kMaxPageSide);
    EXPECT_EQ(layout.pageWidth, 792);
    EXPECT_EQ(layout.pageHeight, 432);
    EXPECT_EQ(layout.x, 36);
    EXPECT_EQ(layout.yTop, 396);

    host.settings.pageSizeMode = PageSizeMode::SpecifyPageSize;
    layout = LayOutImagePage(ImageOf(1000, 3000, 100), Margins(72), host, kMaxPageSide);
    EXPECT_EQ(layout.width, 216);
    EXPECT_EQ(layout.height, 648);
    EXPECT_EQ(layout.x, 198);
    EXPECT_EQ(layout.yTop, 720);

    host.settings.imagePosition = ImagePosition::TopLeftCorner;
    host.settings.shrinkOversized = false;
    layout = LayOutImagePage(ImageOf(2000, 1000, 200), Margins(36), host, kMaxPageSide);
    EXPECT_EQ(layout.width, 720);
    EXPECT_EQ(layout.x, 36);
    EXPECT_EQ(layout.yTop, 756);
}

TEST(ConformingLayout, QuarterTurnsSwapSidesAndResolutions) {
    test::SettingsHost host;
    host.settings.pageSizeMode = PageSizeMode::MatchImageSize;
    PlannedImage image = ImageOf(64, 48, 72, 6);
    image.xResolution = 144; // the stored width (64 px) at 144 dpi: 32 points
    PageLayout layout = LayOutImagePage(image, Margins(0), host, kMaxPageSide);
    EXPECT_EQ(layout.pageWidth, 48);
    EXPECT_EQ(layout.pageHeight, 32);
    EXPECT_EQ(layout.width, 48);
    EXPECT_EQ(layout.height, 32);
    image.orientation = 3;
    layout = LayOutImagePage(image, Margins(0), host, kMaxPageSide);
    EXPECT_EQ(layout.pageWidth, 32);
    EXPECT_EQ(layout.pageHeight, 48);
}

TEST(ConformingLayout, PagesAboveTheLimitAreScaledWithTheirImage) {
    test::SettingsHost host;
    host.settings.pageSizeMode = PageSizeMode::MatchImageSize;
    // 640 × 480 at 2 dpi: 23,040 × 17,280 points, scaled by 0.625.
    PageLayout layout = LayOutImagePage(ImageOf(640, 480, 2), Margins(0), host, kMaxPageSide);
    EXPECT_EQ(layout.pageWidth, 14400);
    EXPECT_EQ(layout.pageHeight, 10800);
    EXPECT_DOUBLE_EQ(layout.scale, 0.625);
    EXPECT_DOUBLE_EQ(layout.width, 14400);
    EXPECT_DOUBLE_EQ(layout.height, 10800);
    EXPECT_DOUBLE_EQ(layout.x, 0);
    EXPECT_DOUBLE_EQ(layout.yTop, 10800);

    // A typed page of 100 × 250 inches: 7,200 × 18,000, scaled by 0.8 with margins and image.
    host.settings.pageSizeMode = PageSizeMode::SpecifyPageSize;
    host.settings.pageWidth = 100;
    host.settings.pageHeight = 250;
    layout = LayOutImagePage(ImageOf(640, 480, 72), Margins(72), host, kMaxPageSide);
    EXPECT_EQ(layout.pageWidth, 5760);
    EXPECT_EQ(layout.pageHeight, 14400);
    EXPECT_DOUBLE_EQ(layout.width, 512);
    EXPECT_DOUBLE_EQ(layout.height, 384);
    EXPECT_DOUBLE_EQ(layout.x, (3600 - 320) * 0.8);
    EXPECT_DOUBLE_EQ(layout.yTop, (18000 - (9000 - 240)) * 0.8);

    // Exactly at the limit nothing changes.
    host.settings.pageSizeMode = PageSizeMode::MatchImageSize;
    layout = LayOutImagePage(ImageOf(14400, 10, 72), Margins(0), host, kMaxPageSide);
    EXPECT_EQ(layout.pageWidth, 14400);
    EXPECT_EQ(layout.scale, 1.0);
}

TEST(ConformingLayout, OverflowOfThePixelProductEndsTheRun) {
    test::SettingsHost host;
    EXPECT_THROW(LayOutImagePage(ImageOf(40000000, 10, 72), Margins(0), host, kMaxPageSide),
                 RunError);
}

// ---- Placement text --------------------------------------------------------------------------

TEST(ConformingPlacement, OrientationOneIsTheDefaultText) {
    PageLayout layout;
    layout.x = 36.5;
    layout.yTop = 755.25;
    layout.width = 539;
    layout.height = 400;
    for (std::int32_t orientation : {0, 1, 9}) {
        EXPECT_EQ(PlacementText(layout, orientation, "I3"),
                  PdfPlacementText(36.5, 755.25, 539, 400, "I3"));
    }
}

TEST(ConformingPlacement, QuarterTurnClockwiseText) {
    PageLayout layout;
    layout.x = 10;
    layout.yTop = 74;
    layout.width = 48;
    layout.height = 64;
    EXPECT_EQ(PlacementText(layout, 6, "I0"),
              "q\n1 0 0 1 10.0 74.0 cm\n0 -64.0 48.0 0 0 0 cm\n/I0 Do\nQ\n");
}

// Where the corners of the stored image land: the placement text is read back, both matrices
// are applied to image space, and the result is named by the box's corner.
struct CornerRow {
    std::int32_t orientation;
    const char* storedTopLeft;
    const char* storedTopRight;
};

class PlacementCorners : public testing::TestWithParam<CornerRow> {};

std::string CornerAt(const std::string& text, double u, double v) {
    std::istringstream in(text);
    in.imbue(std::locale::classic());
    std::string word;
    double t[6] = {};
    double m[6] = {};
    in >> word;
    for (double& value : t) {
        in >> value;
    }
    in >> word;
    for (double& value : m) {
        in >> value;
    }
    const double x = m[0] * u + m[2] * v + m[4];
    const double y = m[1] * u + m[3] * v + m[5];
    const double px = t[0] * x + t[2] * y + t[4];
    const double py = t[1] * x + t[3] * y + t[5];
    // Box: x 100..148, y 200..264.
    const std::string vertical = py == 264 ? "top" : py == 200 ? "bottom" : "?";
    const std::string horizontal = px == 100 ? "left" : px == 148 ? "right" : "?";
    return vertical + "-" + horizontal;
}

TEST_P(PlacementCorners, StoredCornersLandWhereTheOrientationSays) {
    const CornerRow row = GetParam();
    PageLayout layout;
    layout.x = 100;
    layout.yTop = 264;
    layout.width = 48;
    layout.height = 64;
    const std::string text = PlacementText(layout, row.orientation, "I0");
    // Image space: the stored first row is at v = 1.
    EXPECT_EQ(CornerAt(text, 0, 1), row.storedTopLeft) << text;
    EXPECT_EQ(CornerAt(text, 1, 1), row.storedTopRight) << text;
}

INSTANTIATE_TEST_SUITE_P(Rows, PlacementCorners,
                         testing::Values(CornerRow{1, "top-left", "top-right"},
                                         CornerRow{2, "top-right", "top-left"},
                                         CornerRow{3, "bottom-right", "bottom-left"},
                                         CornerRow{4, "bottom-left", "bottom-right"},
                                         CornerRow{5, "top-left", "bottom-left"},
                                         CornerRow{6, "top-right", "bottom-right"},
                                         CornerRow{7, "bottom-right", "top-right"},
                                         CornerRow{8, "bottom-left", "top-left"}));

// ---- Version -----------------------------------------------------------------------------------

TEST(ConformingVersionTest, JpegTwoThousandRaisesTheHeader) {
    EXPECT_EQ(ConformingVersion({}), "1.3");
    EXPECT_EQ(ConformingVersion({"a.jpg", "b.JPEG", "c.jpe"}), "1.3");
    EXPECT_EQ(ConformingVersion({"a.jpg", "b.Jp2"}), "1.5");
    EXPECT_EQ(ConformingVersion({"c.J2K"}), "1.5");
    EXPECT_EQ(ConformingVersion({"c.j2k.jpg"}), "1.3");
}

} // namespace
} // namespace folionix

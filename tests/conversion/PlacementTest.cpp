#include "ConversionFixtures.h"

#include "common/RunError.h"
#include "conversion/modFolionix.h"

#include <gtest/gtest.h>

#include <string>

namespace folionix::test {
namespace {

TEST(RoundHalfEvenTest, HalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(RoundHalfEven(612.5, "x"), 612);
    EXPECT_EQ(RoundHalfEven(613.5, "x"), 614);
    EXPECT_EQ(RoundHalfEven(-0.5, "x"), 0);
    EXPECT_EQ(RoundHalfEven(-1.5, "x"), -2);
    EXPECT_EQ(RoundHalfEven(2147483647.0, "x"), 2147483647);
    EXPECT_THROW(RoundHalfEven(2147483647.5, "x"), RunError);
    EXPECT_THROW(RoundHalfEven(-2147483649.0, "x"), RunError);
    EXPECT_THROW(RoundHalfEven(1e300 * 1e300, "x"), RunError);
}

struct PlacementRow {
    std::string name;
    ImageInfo info;
    bool specify;
    std::string pageWidth;
    std::string pageHeight;
    std::string margin; // all four
    bool shrink;
    bool centered;
    ImagePlacement expected;
};

class PlacementTable : public ::testing::TestWithParam<PlacementRow> {};

TEST_P(PlacementTable, SizesAndPosition) {
    const PlacementRow& row = GetParam();
    FakeHost host;
    host.specifyPageSize = row.specify;
    host.fields[SettingsField::PageWidth] = row.pageWidth;
    host.fields[SettingsField::PageHeight] = row.pageHeight;
    host.shrink = row.shrink ? CheckState::Checked : CheckState::Unchecked;
    host.centered = row.centered;
    const double margin = LeadingNumber(row.margin) * 72;
    const PageMargins margins{margin, margin, margin, margin};
    const ImagePlacement got = PlaceImageOnPage(row.info, margins, host);
    EXPECT_EQ(got.pageWidth, row.expected.pageWidth);
    EXPECT_EQ(got.pageHeight, row.expected.pageHeight);
    EXPECT_EQ(got.imageWidth, row.expected.imageWidth);
    EXPECT_EQ(got.imageHeight, row.expected.imageHeight);
    EXPECT_DOUBLE_EQ(got.x, row.expected.x);
    EXPECT_DOUBLE_EQ(got.y, row.expected.y);
}

// ImagePlacement fields: image w, h, page w, h, available w, h (not compared), x, y.
INSTANTIATE_TEST_SUITE_P(Examples, PlacementTable,
                         ::testing::Values(PlacementRow{"Landscape300DpiOnLetter",
                                                        {3000, 2000, 300, 300, 24, 8},
                                                        true,
                                                        "8.5",
                                                        "11",
                                                        "0",
                                                        true,
                                                        true,
                                                        {612, 408, 612, 792, 0, 0, 0, 600}},
                                           PlacementRow{"MatchSizeCentered",
                                                        {2000, 1000, 200, 200, 24, 8},
                                                        false,
                                                        "abc",
                                                        "",
                                                        "0.5",
                                                        true,
                                                        true,
                                                        {720, 360, 792, 432, 0, 0, 36, 396}},
                                           PlacementRow{"MatchSizeTopLeft",
                                                        {2000, 1000, 200, 200, 24, 8},
                                                        false,
                                                        "",
                                                        "",
                                                        "0.5",
                                                        true,
                                                        false,
                                                        {720, 360, 792, 432, 0, 0, 36, 396}},
                                           PlacementRow{"SpecifyTopLeftShrunk",
                                                        {2000, 1000, 200, 200, 24, 8},
                                                        true,
                                                        "8.5",
                                                        "11",
                                                        "0.5",
                                                        true,
                                                        false,
                                                        {540, 270, 612, 792, 0, 0, 36, 756}},
                                           PlacementRow{"SpecifyTopLeftNoShrink",
                                                        {2000, 1000, 200, 200, 24, 8},
                                                        true,
                                                        "8.5",
                                                        "11",
                                                        "0.5",
                                                        false,
                                                        false,
                                                        {720, 360, 612, 792, 0, 0, 36, 756}},
                                           PlacementRow{"TallShrunkTwice",
                                                        {1000, 3000, 100, 100, 24, 8},
                                                        true,
                                                        "8.5",
                                                        "11",
                                                        "1",
                                                        true,
                                                        true,
                                                        {216, 648, 612, 792, 0, 0, 198, 720}},
                                           PlacementRow{"HalfPointRoundsDown",
                                                        {100, 100, 0, 0, 24, 8},
                                                        true,
                                                        "8.5625",
                                                        "11",
                                                        "0",
                                                        true,
                                                        false,
                                                        {100, 100, 616, 792, 0, 0, 0, 792}},
                                           PlacementRow{"HalfPointRoundsUp",
                                                        {100, 100, 0, 0, 24, 8},
                                                        true,
                                                        "8.4375",
                                                        "11",
                                                        "0",
                                                        true,
                                                        false,
                                                        {100, 100, 608, 792, 0, 0, 0, 792}},
                                           PlacementRow{"NoResolutionIsOnePointPerPixel",
                                                        {101, 51, 0, 0, 8, 8},
                                                        true,
                                                        "8.5",
                                                        "11",
                                                        "0",
                                                        true,
                                                        true,
                                                        {101, 51, 612, 792, 0, 0, 255.5, 421.5}},
                                           PlacementRow{"DifferentResolutionsScaleByPixelRatio",
                                                        {1200, 600, 100, 50, 24, 8},
                                                        true,
                                                        "8.5",
                                                        "11",
                                                        "0",
                                                        true,
                                                        false,
                                                        {612, 306, 612, 792, 0, 0, 0, 792}},
                                           PlacementRow{"FailedReadGivesEmptyImage",
                                                        {0, 0, 0, 0, 0, 0},
                                                        false,
                                                        "",
                                                        "",
                                                        "0.25",
                                                        true,
                                                        true,
                                                        {0, 0, 36, 36, 0, 0, 18, 18}},
                                           PlacementRow{"ZeroWidthWithNoRoomKeepsItsSize",
                                                        {0, 100, 0, 0, 8, 8},
                                                        true,
                                                        "1",
                                                        "1",
                                                        "1",
                                                        true,
                                                        false,
                                                        {0, -72, 72, 72, 0, 0, 72, 0}}),
                         [](const ::testing::TestParamInfo<PlacementRow>& row) {
                             return row.param.name;
                         });

TEST(PlaceImageOnPageTest, PageBeginsBeforeShrinkAndPositionAreRead) {
    FakeHost host;
    std::vector<std::string>& events = host.events;
    PlaceImageOnPage(ImageInfo{3000, 2000, 300, 300, 24, 8}, PageMargins{}, host,
                     [&](std::int32_t width, std::int32_t height) {
                         events.push_back("begin " + std::to_string(width) + "x" +
                                          std::to_string(height));
                     });
    EXPECT_EQ(events, (std::vector<std::string>{"begin 612x792", "shrink", "position"}));
}

TEST(PlaceImageOnPageTest, PixelProductBeyond32BitsRaises) {
    FakeHost host;
    EXPECT_THROW(PlaceImageOnPage(ImageInfo{29826162, 10, 0, 0, 8, 8}, PageMargins{}, host),
                 RunError);
    EXPECT_NO_THROW(PlaceImageOnPage(ImageInfo{29826161, 10, 0, 0, 8, 8}, PageMargins{}, host));
    EXPECT_THROW(PlaceImageOnPage(ImageInfo{10, 29826162, 0, 0, 8, 8}, PageMargins{}, host),
                 RunError);
}

TEST(PlaceImageOnPageTest, HugePageFieldsAndMarginsRaiseInsteadOfWrapping) {
    FakeHost host;
    host.fields[SettingsField::PageWidth] = "1e30";
    EXPECT_THROW(PlaceImageOnPage(ImageInfo{10, 10, 0, 0, 8, 8}, PageMargins{}, host), RunError);
    host.fields[SettingsField::PageWidth] = "8.5";
    host.fields[SettingsField::PageHeight] = "1e400";
    EXPECT_THROW(PlaceImageOnPage(ImageInfo{10, 10, 0, 0, 8, 8}, PageMargins{}, host), RunError);
    host.specifyPageSize = false;
    EXPECT_THROW(PlaceImageOnPage(ImageInfo{10, 10, 0, 0, 8, 8}, PageMargins{0, 0, 3e9, 0}, host),
                 RunError);
}

} // namespace
} // namespace folionix::test

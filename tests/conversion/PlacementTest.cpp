#include "common/RunError.h"
#include "conversion/modFolionix.h"
#include "support/FakeHost.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace folionix::test {
namespace {

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbourAndOverflowRaises) {
    EXPECT_EQ(RoundHalfEven(612.5, "x"), 612);
    EXPECT_EQ(RoundHalfEven(613.5, "x"), 614);
    EXPECT_EQ(RoundHalfEven(612.51, "x"), 613);
    EXPECT_EQ(RoundHalfEven(-0.5, "x"), 0);
    EXPECT_EQ(RoundHalfEven(-1.5, "x"), -2);
    EXPECT_EQ(RoundHalfEven(2147483647.0, "x"), 2147483647);
    EXPECT_EQ(RoundHalfEven(-2147483648.0, "x"), -2147483647 - 1);
    EXPECT_THROW(RoundHalfEven(2147483647.5, "x"), RunError);
    EXPECT_THROW(RoundHalfEven(-2147483649.0, "x"), RunError);
    EXPECT_THROW(RoundHalfEven(1e300 * 1e300, "x"), RunError);
}

// Sizes and position of one image (pixels and resolution) from the page fields, the margins
// (all four, inches), shrink and centring: whole-point sizes, then the left and top edges.
TEST(Placement, SizesAndPosition) {
    struct Row {
        std::int32_t w, h, xdpi, ydpi;
        bool specify;
        const char* width;
        const char* height;
        double margin;
        bool shrink, centered;
        std::vector<double> expected; // image w, h, page w, h, x, y
    };
    const Row rows[] = {
        {3000, 2000, 300, 300, true, "8.5", "11", 0, true, true, {612, 408, 612, 792, 0, 600}},
        {2000, 1000, 200, 200, false, "abc", "", .5, true, true, {720, 360, 792, 432, 36, 396}},
        {2000, 1000, 200, 200, false, "", "", .5, true, false, {720, 360, 792, 432, 36, 396}},
        {2000, 1000, 200, 200, true, "8.5", "11", .5, true, false, {540, 270, 612, 792, 36, 756}},
        {2000, 1000, 200, 200, true, "8.5", "11", .5, false, false, {720, 360, 612, 792, 36, 756}},
        {2000, 1000, 200, 200, true, "8.5", "11", .5, false, true, {720, 360, 612, 792, -54, 576}},
        {1000, 3000, 100, 100, true, "8.5", "11", 1, true, true, {216, 648, 612, 792, 198, 720}},
        {100, 100, 0, 0, true, "8.5625", "11", 0, true, false, {100, 100, 616, 792, 0, 792}},
        {100, 100, 0, 0, true, "8.4375", "11", 0, true, false, {100, 100, 608, 792, 0, 792}},
        {101, 51, 0, 0, true, "8.5", "11", 0, true, true, {101, 51, 612, 792, 255.5, 421.5}},
        {1200, 600, 100, 50, true, "8.5", "11", 0, true, false, {612, 306, 612, 792, 0, 792}},
        {612, 792, 72, 72, true, "8.5", "11", 0, true, true, {612, 792, 612, 792, 0, 792}},
        {0, 0, 0, 0, false, "", "", .25, true, true, {0, 0, 36, 36, 18, 18}},
        {0, 100, 0, 0, true, "1", "1", 1, true, false, {0, -72, 72, 72, 72, 0}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.w) + "x" + std::to_string(row.h) + " on " + row.width +
                     "x" + row.height + " margin " + std::to_string(row.margin));
        FakeHost host;
        host.specifyPageSize = row.specify;
        host.fields[SettingsField::PageWidth] = row.width;
        host.fields[SettingsField::PageHeight] = row.height;
        host.shrink = row.shrink ? CheckState::Checked : CheckState::Unchecked;
        host.centered = row.centered;
        const double m = row.margin * 72;
        const ImagePlacement got = PlaceImageOnPage(
            ImageInfo{row.w, row.h, row.xdpi, row.ydpi, 24, 8}, PageMargins{m, m, m, m}, host);
        EXPECT_EQ(
            (std::vector<double>{double(got.imageWidth), double(got.imageHeight),
                                 double(got.pageWidth), double(got.pageHeight), got.x, got.y}),
            row.expected);
    }
}

TEST(Placement, PageBeginsBeforeShrinkAndPositionAreRead) {
    FakeHost host;
    PlaceImageOnPage(ImageInfo{3000, 2000, 300, 300, 24, 8}, PageMargins{}, host,
                     [&](std::int32_t width, std::int32_t height) {
                         host.events.push_back("begin " + std::to_string(width) + "x" +
                                               std::to_string(height));
                     });
    EXPECT_EQ(host.events, (std::vector<std::string>{"begin 612x792", "shrink", "position"}));
}

TEST(Placement, SizesBeyond32BitsRaiseInsteadOfWrapping) {
    FakeHost host;
    const PageMargins none;
    EXPECT_THROW(PlaceImageOnPage(ImageInfo{29826162, 10, 0, 0, 8, 8}, none, host), RunError);
    EXPECT_NO_THROW(PlaceImageOnPage(ImageInfo{29826161, 10, 0, 0, 8, 8}, none, host));
    EXPECT_THROW(PlaceImageOnPage(ImageInfo{10, 29826162, 0, 0, 8, 8}, none, host), RunError);
    host.fields[SettingsField::PageWidth] = "1e30";
    EXPECT_THROW(PlaceImageOnPage(ImageInfo{10, 10, 0, 0, 8, 8}, none, host), RunError);
    host.fields[SettingsField::PageWidth] = "8.5";
    host.fields[SettingsField::PageHeight] = "1e400";
    EXPECT_THROW(PlaceImageOnPage(ImageInfo{10, 10, 0, 0, 8, 8}, none, host), RunError);
    host.specifyPageSize = false;
    EXPECT_THROW(PlaceImageOnPage(ImageInfo{10, 10, 0, 0, 8, 8}, PageMargins{0, 0, 3e9, 0}, host),
                 RunError);
}

} // namespace
} // namespace folionix::test

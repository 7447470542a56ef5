// The conforming plan's decisions from facts already read: the image dictionary or the refusal
// reason per JPEG, JP2 and codestream case, the resolution, the orientation, the page layout
// under the page limit and the placement text.

#include "conversion/modConforming.h"

#include "support/FakeHost.h"

#include <gtest/gtest.h>

#include <sstream>
#include <tuple>

namespace folionix {
namespace {

// A decision on one line: the refusal reason, or the dictionary entries, the resolution, the
// orientation and the pixel size.
std::string Decide(const ImageHeader& header) {
    PlannedImage image;
    std::string reason = "stale";
    if (!DecideConformingImage(header, image, reason)) {
        return "refused: " + reason;
    }
    const ImageObjectOptions& o = image.objectOptions;
    const auto n = [](std::int32_t value) { return std::to_string(value); };
    return reason + o.filter + " " + o.colorSpace.value_or("-") + " " +
           n(o.bitsPerComponent.value_or(0)) + (o.decodeArray.empty() ? "" : " ") + o.decodeArray +
           (o.trailingBytes == "\xFF\xD9" ? " +EOI" : o.trailingBytes) + " " +
           n(image.xResolution) + "x" + n(image.yResolution) + " o" + n(image.orientation) + " " +
           n(image.info.Width) + "x" + n(image.info.Height);
}

// A JPEG with a frame and an end marker; then JFIF (present, units), the reader's resolution and
// EXIF (orientation, resolutions, unit) where a row needs them.
ImageHeader Jpeg(std::uint8_t frame, std::int32_t precision, std::int32_t components,
                 bool adobe = false, bool jfif = false, std::int32_t units = 0, std::int32_t x = 0,
                 std::int32_t y = 0, std::int32_t orientation = 0, double exifX = 0,
                 double exifY = 0, std::int32_t exifUnit = 2) {
    return {ImageKind::Jpeg,
            {64, 48, x, y, precision * components, precision},
            {true, frame, precision, 0, 0, components, false, adobe, -1, jfif, units, 0, 0, false,
             orientation, exifX, exifY, exifUnit, true},
            {},
            {}};
}

ImageHeader Jp2(std::int32_t method, std::uint32_t space, std::optional<Jp2ResolutionBox> capture,
                std::optional<Jp2ResolutionBox> display = {}) {
    return {ImageKind::Jp2,
            {64, 48, 0, 0, 24, 8},
            {},
            {capture.has_value(), capture.value_or(Jp2ResolutionBox{}), display.has_value(),
             display.value_or(Jp2ResolutionBox{}), 0, method, space},
            {}};
}

// A codestream of c components on a grid of w × h with the image offset by x and y.
ImageHeader J2k(std::int32_t c, std::uint32_t w, std::uint32_t h, std::uint32_t x = 0,
                std::uint32_t y = 0) {
    return {ImageKind::J2k, {7, 7, 0, 0, 16 * c, 16}, {}, {}, {c, w, h, x, y}};
}

ImageHeader With(ImageHeader h, void (*edit)(ImageHeader&)) {
    edit(h);
    return h;
}

const std::string kDct = "DCTDecode DeviceRGB 8 ";
const std::string kRgb = "DCTDecode DeviceRGB 8 0x0 o1 64x48";
const std::string kGrey16 = "JPXDecode DeviceGray 16 0x0 o1 ";
const Jp2ResolutionBox k72{7200, 254, 7200, 254, 2, 2};

const std::pair<ImageHeader, std::string> kDecisions[] = {
    {Jpeg(0xC0, 8, 3, true), kRgb},
    {Jpeg(0xC0, 8, 4, true), "DCTDecode DeviceCMYK 8 [1 0 1 0 1 0 1 0] 0x0 o1 64x48"}, // inverted
    {With(Jpeg(0xC0, 8, 3), [](ImageHeader& h) { h.jpeg.endsWithEndOfImage = false; }),
     "DCTDecode DeviceRGB 8 +EOI 0x0 o1 64x48"},
    {Jpeg(0xC0, 8, 2), "refused: two-component JPEG: no PDF colour space has two components"},
    {Jpeg(0xC0, 8, 0), "refused: 0-component JPEG: no PDF colour space fits"},
    {Jpeg(0xC0, 16, 3), "refused: 16-bit JPEG (frame type 0xC0)"},
    {Jpeg(0xC3, 8, 3), "refused: lossless JPEG (frame type 0xC3)"},
    {Jpeg(0xC5, 8, 3), "refused: hierarchical JPEG (frame type 0xC5)"},
    {Jpeg(0xCF, 8, 3), "refused: hierarchical JPEG (frame type 0xCF)"},
    {With(Jpeg(0xC0, 8, 3), [](ImageHeader& h) { h.jpeg.hierarchical = true; }),
     "refused: hierarchical JPEG (frame type 0xC0)"},
    {Jpeg(0xCB, 8, 3), "refused: arithmetic-coded JPEG (frame type 0xCB)"},
    {Jpeg(0xC4, 8, 3), "refused: unsupported JPEG frame type 0xC4"},
    {With(Jpeg(0xC0, 8, 3), [](ImageHeader& h) { h.jpeg.hasFrame = false; }),
     "refused: no JPEG frame header before the first scan"},
    {ImageHeader{}, "refused: not a JPEG or JPEG 2000 file name"},
    // JFIF in inches or centimetres gives the reader's values; JFIF units 0, no JFIF or no density
    // gives the EXIF resolution when it has a unit of inches (2) or centimetres (3), else 0.
    {Jpeg(0xC0, 8, 3, false, true, 1, 0, 150, 0, 0, 0, 2), kDct + "0x150 o1 64x48"},
    {Jpeg(0xC0, 8, 3, false, true, 0, 1, 1, 0, 100, 50, 3), kDct + "254x127 o1 64x48"},
    {Jpeg(0xC0, 8, 3, false, false, 0, 0, 0, 0, 300, 0, 2), kDct + "300x300 o1 64x48"},
    {Jpeg(0xC0, 8, 3, false, false, 0, 0, 0, 0, 0, 300, 2), kDct + "300x300 o1 64x48"},
    {Jpeg(0xC0, 8, 3, false, true, 1, 0, 0, 0, 200, 100, 2), kDct + "200x100 o1 64x48"},
    {Jpeg(0xC0, 8, 3, false, true, 3, 30, 30, 0, 0, 0, 2), kRgb},
    // EXIF orientations 2 to 8 are kept, any other value is 1.
    {Jpeg(0xC0, 8, 3, false, true, 1, 0, 0, 2, 0, 0, 0), kDct + "0x0 o2 64x48"},
    {Jpeg(0xC0, 8, 3, false, true, 1, 0, 0, 8, 0, 0, 0), kDct + "0x0 o8 64x48"},
    {Jpeg(0xC0, 8, 3, false, true, 1, 0, 0, 9, 0, 0, 0), kRgb},
    // JP2: an enumerated sRGB or sYCC box gives DeviceRGB, greyscale DeviceGray, anything else
    // (another space, a profile, no box) lets the file speak; never a depth.
    {Jp2(1, 18, {}), "JPXDecode DeviceRGB 0 0x0 o1 64x48"},
    {Jp2(1, 17, {}), "JPXDecode DeviceGray 0 0x0 o1 64x48"},
    // JP2 resolution: capture (vertical first) over display; a box with a zero term gives way.
    {Jp2(0, 0, Jp2ResolutionBox{5669, 1, 11811, 1, 0, 0}, k72), "JPXDecode - 0 300x144 o1 64x48"},
    {Jp2(0, 0, Jp2ResolutionBox{0, 1, 1, 1, 0, 0}, k72), "JPXDecode - 0 72x72 o1 64x48"},
    {Jp2(0, 0, Jp2ResolutionBox{1, 1, 0, 1, 0, 0}), "JPXDecode - 0 0x0 o1 64x48"},
    {Jp2(0, 0, Jp2ResolutionBox{1, 1, 1, 1, 0, 0}), "JPXDecode - 0 1x1 o1 64x48"}, // at least 1
    {Jp2(0, 0, Jp2ResolutionBox{9, 1, 9, 1, 9, 9}), "JPXDecode - 0 1000000x1000000 o1 64x48"},
    // Codestreams: the colour space by components, the size is the grid less its offset.
    {J2k(1, 650, 500, 10, 20), kGrey16 + "640x480"},
    {J2k(3, 1, 1), "JPXDecode DeviceRGB 16 0x0 o1 1x1"},
    {J2k(1, 0xFFFFFFFF, 9, 0x80000000), kGrey16 + "2147483647x9"},
    {J2k(2, 8, 8), "refused: 2-component JPEG 2000 codestream: no PDF colour space fits"},
    {J2k(1, 0x80000000, 9), "refused: width or height below 1 pixel (-1 x 9)"},
};

// Each decision; and a header not read plans no image, pages are checked, and a JPEG 2000 file
// makes the document 1.5. (What Admit says is checked where files are added to the list.)
TEST(ConformingPlan, DecisionPerCaseAndThePlansAnswers) {
    for (const auto& [header, expected] : kDecisions) {
        EXPECT_EQ(Decide(header), expected);
    }
    const OutputPlan& plan = ConformingPlan();
    PlannedImage image;
    EXPECT_FALSE(plan.PlanImage(Jpeg(0xC0, 8, 3), false, image));
    EXPECT_TRUE(plan.ChecksPages());
    EXPECT_EQ(plan.DocumentVersion({"a.jpg"}) + plan.DocumentVersion({"a.jpg", "b.Jp2"}), "1.31.5");
}

// The page the plan lays out, or why it leaves the image out. A page side above the limit
// scales the page, its margins and its image by one factor; orientations 5 to 8 swap the sides
// and the resolutions first; a side below 3 units or a size past 32 bits is refused.
TEST(ConformingPlan, PageUnderTheLimitOrRefused) {
    const std::string refused = "Cannot write a conforming PDF for image file: a.jpg (";
    // Pixels, x and y dpi, orientation, margin, page fields ("": the image's size), and the page.
    using Row = std::tuple<std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                           double, const char*, std::string>;
    const Row rows[] = {
        {640, 480, 2, 2, 1, 0, "", "14400x10800 at 0,10800 14400x10800 *0.625"},
        {64, 48, 144, 72, 5, 0, "", "48x32 at 0,32 48x32 *1"}, // 64 px at 144 dpi: 32 points
        {640, 480, 72, 72, 1, 72, "W=100;H=250", "5760x14400 at 2624,7392 512x384 *0.8"},
        {3, 3, 72, 72, 1, 0, "", "3x3 at 0,3 3x3 *1"},
        {3, 2, 72, 72, 1, 0, "", refused + "page side below 3 units (3 x 2))"},
        {40000000, 10, 72, 72, 1, 0, "",
         refused + "its page cannot be laid out: Overflow: image width does not fit in 32 bits)"},
    };
    for (const auto& [w, h, xdpi, ydpi, orientation, margin, fields, expected] : rows) {
        test::FakeHost host;
        host.With(fields).specifyPageSize = *fields != '\0';
        const PlannedImage image{true, {w, h, 0, 0, 24, 8}, xdpi, ydpi, orientation, {}};
        std::string message;
        const std::optional<PageLayout> l = ConformingPlan().CheckPage(
            "a.jpg", image, PageMargins{margin, margin, margin, margin}, host, message);
        std::ostringstream out;
        if (l) {
            out << l->pageWidth << "x" << l->pageHeight << " at " << l->x << "," << l->yTop << " "
                << l->width << "x" << l->height << " *" << l->scale;
        }
        EXPECT_EQ(message + out.str(), expected);
    }
}

// Where the stored image's corners land for each orientation (the stored first row is at the
// top of image space): 2 mirrors, 3 turns half way, 6 a quarter clockwise, and so on.
TEST(ConformingPlan, PlacementTextPerOrientation) {
    const PageLayout box{0, 0, 10, 74, 48, 64, 1.0};
    EXPECT_EQ(PlacementText(box, 1, "I0") + PlacementText(box, 9, "I0"),
              PdfPlacementText(10, 74, 48, 64, "I0") + PdfPlacementText(10, 74, 48, 64, "I0"));
    const char* const matrices[] = {"58.0 10.0 cm\n-48.0 0 0 64.0", "58.0 74.0 cm\n-48.0 0 0 -64.0",
                                    "10.0 74.0 cm\n48.0 0 0 -64.0", "58.0 74.0 cm\n0 -64.0 -48.0 0",
                                    "10.0 74.0 cm\n0 -64.0 48.0 0", "10.0 10.0 cm\n0 64.0 48.0 0",
                                    "58.0 10.0 cm\n0 64.0 -48.0 0"};
    for (std::int32_t orientation = 2; orientation <= 8; ++orientation) {
        EXPECT_EQ(PlacementText(box, orientation, "I0"),
                  std::string("q\n1 0 0 1 ") + matrices[orientation - 2] + " 0 0 cm\n/I0 Do\nQ\n")
            << orientation;
    }
}

} // namespace
} // namespace folionix

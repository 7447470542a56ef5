#include "common/CheckedMath.h"
#include "common/RunError.h"
#include "conversion/ImagePlan.h"
#include "conversion/modFolionix.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <utility>

namespace folionix {
namespace {

std::int32_t ScaledSide(std::int32_t pixels, std::int32_t dotsPerInch, const char* what) {
    const std::int32_t product = CheckedMul(pixels, 72, what);
    return RoundHalfEven(static_cast<double>(product) / static_cast<double>(dotsPerInch), what);
}

} // namespace

ImagePlacement PlaceImageOnPage(const ImageInfo& info, const PageMargins& margins,
                                const ConversionHost& host, const BeginPageCallback& beginPage) {
    ImagePlacement placement;
    const std::int32_t horizontalDpi = info.XResolution == 0 ? 72 : info.XResolution;
    const std::int32_t verticalDpi = info.YResolution == 0 ? 72 : info.YResolution;
    placement.imageWidth = ScaledSide(info.Width, horizontalDpi, "image width");
    placement.imageHeight = ScaledSide(info.Height, verticalDpi, "image height");

    if (host.IsSpecifyPageSize()) {
        placement.pageWidth = RoundHalfEven(
            LeadingNumber(host.FieldText(SettingsField::PageWidth)) * kPointsPerInch, "page width");
        placement.pageHeight =
            RoundHalfEven(LeadingNumber(host.FieldText(SettingsField::PageHeight)) * kPointsPerInch,
                          "page height");
    } else {
        placement.pageWidth =
            RoundHalfEven(margins.right + margins.left + placement.imageWidth, "page width");
        placement.pageHeight =
            RoundHalfEven(margins.top + margins.bottom + placement.imageHeight, "page height");
    }
    if (beginPage) {
        beginPage(placement.pageWidth, placement.pageHeight);
    }

    placement.availableWidth =
        RoundHalfEven(placement.pageWidth - margins.left - margins.right, "available width");
    placement.availableHeight =
        RoundHalfEven(placement.pageHeight - margins.top - margins.bottom, "available height");

    if (host.ShrinkCheckState() == CheckState::Checked) {
        // The other side follows by the ratio of the pixel counts. With no pixels on the side
        // to divide by there is no ratio: that side keeps the size it has so far.
        if (placement.imageWidth > placement.availableWidth) {
            placement.imageWidth = placement.availableWidth;
            if (info.Width != 0) {
                placement.imageHeight =
                    RoundHalfEven(static_cast<double>(info.Height) /
                                      static_cast<double>(info.Width) * placement.availableWidth,
                                  "image height");
            }
        }
        if (placement.imageHeight > placement.availableHeight) {
            placement.imageHeight = placement.availableHeight;
            if (info.Height != 0) {
                placement.imageWidth =
                    RoundHalfEven(static_cast<double>(info.Width) /
                                      static_cast<double>(info.Height) * placement.availableHeight,
                                  "image width");
            }
        }
    }

    const double pageWidth = placement.pageWidth;
    const double pageHeight = placement.pageHeight;
    if (host.IsCentered()) {
        placement.x = (pageWidth - margins.left - margins.right) / 2 -
                      static_cast<double>(placement.imageWidth) / 2 + margins.left;
        placement.y = pageHeight - ((pageHeight - margins.top - margins.bottom) / 2 -
                                    static_cast<double>(placement.imageHeight) / 2 + margins.top);
    } else {
        placement.x = margins.left;
        placement.y = pageHeight - margins.top;
    }
    return placement;
}

PageLayout LayOutImagePage(const PlannedImage& image, const PageMargins& margins,
                           const ConversionHost& host, std::int32_t pageLimit,
                           const BeginPageCallback& beginPage) {
    // The layout works on the image as it is shown: turned a quarter, its sides swap.
    ImageInfo shown = image.info;
    shown.XResolution = image.xResolution;
    shown.YResolution = image.yResolution;
    if (image.orientation >= 5) {
        std::swap(shown.Width, shown.Height);
        std::swap(shown.XResolution, shown.YResolution);
    }
    // Without a limit the page is begun as soon as its size is known, as the window's builds
    // always have; with one, only once the limit has had its say.
    const ImagePlacement placement =
        PlaceImageOnPage(shown, margins, host, pageLimit > 0 ? BeginPageCallback{} : beginPage);

    PageLayout layout;
    layout.pageWidth = placement.pageWidth;
    layout.pageHeight = placement.pageHeight;
    layout.x = placement.x;
    layout.yTop = placement.y;
    layout.width = placement.imageWidth;
    layout.height = placement.imageHeight;

    // Everything on the page shrinks by one factor, so the larger side is exactly the limit.
    if (pageLimit <= 0) {
        return layout;
    }
    const std::int32_t largest = std::max(layout.pageWidth, layout.pageHeight);
    if (largest > pageLimit) {
        layout.scale = static_cast<double>(pageLimit) / largest;
        layout.pageWidth =
            std::min(pageLimit, RoundHalfEven(layout.pageWidth * layout.scale, "page width"));
        layout.pageHeight =
            std::min(pageLimit, RoundHalfEven(layout.pageHeight * layout.scale, "page height"));
        layout.x *= layout.scale;
        layout.yTop *= layout.scale;
        layout.width *= layout.scale;
        layout.height *= layout.scale;
    }
    if (beginPage) {
        beginPage(layout.pageWidth, layout.pageHeight);
    }
    return layout;
}

// Image space is the unit square with the image's first row at the top. The second matrix maps
// it onto the box (w × h, lower-left corner at the origin of the first) so that the stored
// image appears as EXIF orientation o asks:
//   o  shown as                    a   b   c   d   e   f
//   1  stored                      w   0   0   h   0   0
//   2  mirrored left-right        -w   0   0   h   w   0
//   3  turned half a turn         -w   0   0  -h   w   h
//   4  mirrored top-bottom         w   0   0  -h   0   h
//   5  transposed                  0  -h  -w   0   w   h
//   6  turned a quarter clockwise  0  -h   w   0   0   h
//   7  transversed                 0   h   w   0   0   0
//   8  turned a quarter anti-      0   h  -w   0   w   0
// The translation e, f joins x and the box's bottom in the first matrix.
std::string PlacementText(const PageLayout& layout, std::int32_t orientation,
                          const std::string& resourceName) {
    if (orientation < 2 || orientation > 8) {
        return PdfPlacementText(layout.x, layout.yTop, layout.width, layout.height, resourceName);
    }
    const double w = layout.width;
    const double h = layout.height;
    const double bottom = (layout.yTop - h / 2) - h / 2;
    struct Matrix {
        double a, b, c, d, e, f;
    };
    static constexpr std::array<std::array<int, 6>, 7> kForms{{
        {-1, 0, 0, 1, 1, 0},  // 2
        {-1, 0, 0, -1, 1, 1}, // 3
        {1, 0, 0, -1, 0, 1},  // 4
        {0, -1, -1, 0, 1, 1}, // 5
        {0, -1, 1, 0, 0, 1},  // 6
        {0, 1, 1, 0, 0, 0},   // 7
        {0, 1, -1, 0, 1, 0},  // 8
    }};
    const auto& form = kForms.at(static_cast<std::size_t>(orientation - 2));
    // a and c scale with the width, b and d with the height; e moves by w, f by h.
    const Matrix m{form[0] * w, form[1] * h, form[2] * w, form[3] * h, form[4] * w, form[5] * h};
    const auto F = [](double value) { return PdfFormatNumber(value); };
    std::string text = "q\n";
    text += "1 0 0 1 " + F(layout.x + m.e) + " " + F(bottom + m.f) + " cm\n";
    text += F(m.a) + " " + F(m.b) + " " + F(m.c) + " " + F(m.d) + " 0 0 cm\n";
    text += "/" + resourceName + " Do\n";
    text += "Q\n";
    return text;
}

} // namespace folionix

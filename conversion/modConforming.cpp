#include "conversion/modConforming.h"

#include "common/RunError.h"
#include "conversion/modFolionix.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace folionix {

namespace {

const char* ColorSpaceForComponents(std::int32_t components) {
    switch (components) {
    case 1:
        return "DeviceGray";
    case 3:
        return "DeviceRGB";
    case 4:
        return "DeviceCMYK";
    default:
        return nullptr;
    }
}

std::string Hex(std::uint8_t code) {
    constexpr char kDigits[] = "0123456789ABCDEF";
    return std::string("0x") + kDigits[code >> 4] + kDigits[code & 0x0F];
}

// Why a frame cannot be carried by DCTDecode, which covers 8-bit baseline, extended and
// progressive Huffman-coded frames; empty when it can.
std::string FrameRefusal(const JpegFacts& facts) {
    const std::uint8_t code = facts.frameMarker;
    const std::string type = " (frame type " + Hex(code) + ")";
    if (facts.hierarchical || code == 0xC5 || code == 0xC6 || code == 0xC7 || code == 0xCD ||
        code == 0xCE || code == 0xCF) {
        return "hierarchical JPEG" + type;
    }
    if (code == 0xC3) {
        return "lossless JPEG" + type;
    }
    if (code == 0xC9 || code == 0xCA || code == 0xCB) {
        return "arithmetic-coded JPEG" + type;
    }
    if (code != kJpegBaseline && code != kJpegExtended && code != kJpegProgressive) {
        return "unsupported JPEG frame type " + Hex(code);
    }
    if (facts.precision != 8) {
        return std::to_string(facts.precision) + "-bit JPEG" + type;
    }
    return std::string();
}

// The EXIF resolution in dots per inch, when the file has one in inches or centimetres; an axis
// without a value takes the other's.
bool ExifDpi(const JpegFacts& facts, double& xDpi, double& yDpi) {
    if (facts.exifResolutionUnit != 2 && facts.exifResolutionUnit != 3) {
        return false;
    }
    double x = facts.exifXResolution;
    double y = facts.exifYResolution;
    if (!(x > 0.0) && !(y > 0.0)) {
        return false;
    }
    if (!(x > 0.0)) {
        x = y;
    }
    if (!(y > 0.0)) {
        y = x;
    }
    const double perInch = facts.exifResolutionUnit == 3 ? 2.54 : 1.0;
    xDpi = x * perInch;
    yDpi = y * perInch;
    return true;
}

// A resolution as the layout takes it: whole dots per inch, at least 1 (0 would mean 72).
// Values past a million dpi are taken as a million, so a hostile file cannot end the run.
std::int32_t WholeDpi(double dpi) {
    return std::max(1, RoundHalfEven(std::min(dpi, 1e6), "resolution"));
}

} // namespace

bool DecideConformingJpeg(const ImageInfo& info, const JpegFacts& facts, PlannedImage& image,
                          std::string& reason) {
    image = PlannedImage{};
    image.info = info;
    if (!facts.hasFrame) {
        reason = "no JPEG frame header before the first scan";
        return false;
    }
    reason = FrameRefusal(facts);
    if (!reason.empty()) {
        return false;
    }
    if (facts.components == 2) {
        reason = "two-component JPEG: no PDF colour space has two components";
        return false;
    }
    const char* colorSpace = ColorSpaceForComponents(facts.components);
    if (colorSpace == nullptr) {
        reason = std::to_string(facts.components) + "-component JPEG: no PDF colour space fits";
        return false;
    }
    image.objectOptions.filter = "DCTDecode";
    image.objectOptions.bitsPerComponent = facts.precision;
    image.objectOptions.colorSpace = colorSpace;
    // Adobe's CMYK JPEGs hold inverted samples; the marker is how readers know.
    if (facts.components == 4 && facts.hasAdobe) {
        image.objectOptions.decodeArray = "[1 0 1 0 1 0 1 0]";
    }

    const bool jfifDensity = facts.hasJfif && (facts.jfifUnits == 1 || facts.jfifUnits == 2) &&
                             (info.XResolution != 0 || info.YResolution != 0);
    double xDpi{};
    double yDpi{};
    if (jfifDensity) {
        image.xResolution = info.XResolution;
        image.yResolution = info.YResolution;
    } else if (ExifDpi(facts, xDpi, yDpi)) {
        image.xResolution = WholeDpi(xDpi);
        image.yResolution = WholeDpi(yDpi);
    }
    image.orientation =
        facts.exifOrientation >= 2 && facts.exifOrientation <= 8 ? facts.exifOrientation : 1;
    // Without its end-of-image marker some decoders (poppler's among them) stop before the last
    // row of blocks; with the marker after the data every reader draws what the file holds.
    if (!facts.endsWithEndOfImage) {
        image.objectOptions.trailingBytes = "\xFF\xD9";
    }
    reason.clear();
    return true;
}

bool DecideConformingJp2(const ImageInfo& info, const Jp2Facts& facts, PlannedImage& image,
                         std::string& reason) {
    image = PlannedImage{};
    image.info = info;
    image.objectOptions.filter = "JPXDecode";
    // An enumerated colour space is declared, so that colour-managed readers draw the samples
    // as they are; a profile in the file speaks for itself.
    constexpr std::int32_t kEnumeratedMethod = 1;
    constexpr std::uint32_t kSrgb = 16;
    constexpr std::uint32_t kGreyscale = 17;
    constexpr std::uint32_t kSycc = 18;
    if (facts.colourMethod == kEnumeratedMethod) {
        if (facts.enumeratedColourSpace == kSrgb || facts.enumeratedColourSpace == kSycc) {
            image.objectOptions.colorSpace = "DeviceRGB";
        } else if (facts.enumeratedColourSpace == kGreyscale) {
            image.objectOptions.colorSpace = "DeviceGray";
        }
    }
    // The capture resolution is what the scanner or camera measured; the display resolution is
    // only a wish for showing it, so it counts only when no capture box is there.
    double xDpi{};
    double yDpi{};
    if ((facts.hasCaptureResolution && ResolutionBoxToDpi(facts.captureResolution, xDpi, yDpi)) ||
        (facts.hasDisplayResolution && ResolutionBoxToDpi(facts.displayResolution, xDpi, yDpi))) {
        image.xResolution = WholeDpi(xDpi);
        image.yResolution = WholeDpi(yDpi);
    }
    reason.clear();
    return true;
}

bool DecideConformingJ2k(const ImageInfo& info, const J2kFacts& facts, PlannedImage& image,
                         std::string& reason) {
    image = PlannedImage{};
    image.info = info;
    // The image is the part of the reference grid right of XOsiz and below YOsiz; sizes past
    // the 32-bit range are left negative here and refused with the others below 1 pixel.
    const auto area = [](std::uint32_t grid, std::uint32_t offset) {
        const std::int64_t side = static_cast<std::int64_t>(grid) - offset;
        return side > 0x7FFFFFFF ? std::int32_t{-1} : static_cast<std::int32_t>(side);
    };
    image.info.Width = area(facts.gridWidth, facts.xOffset);
    image.info.Height = area(facts.gridHeight, facts.yOffset);
    const char* colorSpace = ColorSpaceForComponents(facts.components);
    if (colorSpace == nullptr) {
        reason = std::to_string(facts.components) +
                 "-component JPEG 2000 codestream: no PDF colour space fits";
        return false;
    }
    image.objectOptions.filter = "JPXDecode";
    image.objectOptions.bitsPerComponent = info.BitsPerComponent;
    image.objectOptions.colorSpace = colorSpace;
    reason.clear();
    return true;
}

namespace {

bool DecideByKind(const ImageHeader& header, PlannedImage& image, std::string& reason) {
    switch (header.kind) {
    case ImageKind::Jpeg:
        return DecideConformingJpeg(header.info, header.jpeg, image, reason);
    case ImageKind::Jp2:
        return DecideConformingJp2(header.info, header.jp2, image, reason);
    case ImageKind::J2k:
        return DecideConformingJ2k(header.info, header.j2k, image, reason);
    case ImageKind::Unknown:
        break;
    }
    image = PlannedImage{};
    reason = "not a JPEG or JPEG 2000 file name";
    return false;
}

} // namespace

bool DecideConformingImage(const ImageHeader& header, PlannedImage& image, std::string& reason) {
    if (!DecideByKind(header, image, reason)) {
        return false;
    }
    // An image dictionary's /Width and /Height are at least 1.
    if (image.info.Width < 1 || image.info.Height < 1) {
        reason = "width or height below 1 pixel (" + std::to_string(image.info.Width) + " x " +
                 std::to_string(image.info.Height) + ")";
        return false;
    }
    return true;
}

std::string ConformingVersion(const std::vector<std::string>& fileNames) {
    const bool anyJpx = std::any_of(fileNames.begin(), fileNames.end(), [](const auto& name) {
        const ImageKind kind = ImageKindOfFile(name);
        return kind == ImageKind::Jp2 || kind == ImageKind::J2k;
    });
    return anyJpx ? "1.5" : "1.3";
}

namespace {

constexpr const char* kRefusalPrefix = "Cannot write a conforming PDF for image file: ";

class ConformingOutputPlan final : public OutputPlan {
public:
    std::string DocumentVersion(const std::vector<std::string>& fileNames) const override {
        return ConformingVersion(fileNames);
    }

    bool Admit(const std::string& imagePath, const ImageHeader& header, std::string& message,
               std::string& warning, std::string& reason) const override {
        PlannedImage image;
        if (!DecideConformingImage(header, image, reason)) {
            message = kRefusalPrefix + imagePath + " (" + reason + ")";
            return false;
        }
        if (!image.objectOptions.trailingBytes.empty()) {
            warning = "Warning: image file does not end with an end-of-image marker "
                      "(truncated?); the PDF adds one after its data: " +
                      imagePath;
        }
        return true;
    }

    bool PlanImage(const ImageHeader& header, bool read, PlannedImage& image) const override {
        std::string reason;
        return read && DecideConformingImage(header, image, reason);
    }

    std::int32_t PageLimit() const override { return kMaxPageSide; }

    bool ChecksPages() const override { return true; }

    // A layout that overflows 32 bits or gives a page side below the smallest that readers
    // accept leaves this image out, not the run.
    std::optional<PageLayout> CheckPage(const std::string& imagePath, const PlannedImage& image,
                                        const PageMargins& margins, const ConversionHost& host,
                                        std::string& message) const override {
        std::string reason;
        std::optional<PageLayout> layout;
        try {
            layout = LayOutImagePage(image, margins, host, PageLimit());
            if (layout->pageWidth < kMinPageSide || layout->pageHeight < kMinPageSide) {
                reason = "page side below " + std::to_string(kMinPageSide) + " units (" +
                         std::to_string(layout->pageWidth) + " x " +
                         std::to_string(layout->pageHeight) + ")";
                layout.reset();
            }
        } catch (const RunError& error) {
            reason = std::string("its page cannot be laid out: ") + error.what();
            layout.reset();
        }
        if (!layout) {
            message = kRefusalPrefix + imagePath + " (" + reason + ")";
        }
        return layout;
    }
};

} // namespace

const OutputPlan& ConformingPlan() {
    static const ConformingOutputPlan plan;
    return plan;
}

} // namespace folionix

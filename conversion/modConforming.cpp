#include "conversion/modConforming.h"

#include "common/FileAccess.h"
#include "common/RunError.h"
#include "common/Text.h"
#include "imaging/modJ2K.h"
#include "imaging/modJP2.h"
#include "imaging/modJPG.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <iostream>
#include <utility>

namespace folionix {

namespace {

ConformingWarningHook& WarningHook() {
    static ConformingWarningHook hook;
    return hook;
}

void Warn(const std::string& text) {
    if (WarningHook()) {
        WarningHook()(text);
    } else {
        std::cerr << text << '\n';
    }
}

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

struct BuildStart {
    std::string folder;
    PageMargins margins;
};

BuildStart ReadBuildStart(const ConversionHost& host) {
    const ConversionSettings settings = ReadSettings(host);
    BuildStart start;
    start.folder = WithTrailingSeparator(settings.outputFolder);
    start.margins.top = settings.marginTop * 72;
    start.margins.bottom = settings.marginBottom * 72;
    start.margins.left = settings.marginLeft * 72;
    start.margins.right = settings.marginRight * 72;
    return start;
}

// One page with one image on it. The page is begun once the page limit has had its say, so
// after the page options are read rather than between them; within a run that reads the same.
bool WritePage(const std::string& documentPath, const ConformingImage& image,
               const ConversionHost& host, const BuildStart& start,
               const std::string& resourceName) {
    const ConformingLayout layout = LayOutConformingPage(image, start.margins, host);
    bool ok = PdfBeginPage(documentPath, layout.pageWidth, layout.pageHeight);
    ok = PdfDrawImageWithPlacement(documentPath,
                                   ConformingPlacementText(layout, image.orientation, resourceName),
                                   resourceName, image.info.BitsPerPixel) &&
         ok;
    return PdfEndPage(documentPath) && ok;
}

} // namespace

bool DecideConformingJpeg(const ImageInfo& info, const JpegFacts& facts, ConformingImage& image,
                          std::string& reason) {
    image = ConformingImage{};
    image.kind = ImageKind::Jpeg;
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
    double xDpi = 0.0;
    double yDpi = 0.0;
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
    image.truncated = !facts.endsWithEndOfImage;
    if (image.truncated) {
        image.objectOptions.trailingBytes = "\xFF\xD9";
    }
    reason.clear();
    return true;
}

bool DecideConformingJp2(const ImageInfo& info, const Jp2Facts& facts, ConformingImage& image,
                         std::string& reason) {
    image = ConformingImage{};
    image.kind = ImageKind::Jp2;
    image.info = info;
    image.objectOptions.filter = "JPXDecode";
    // The capture resolution is what the scanner or camera measured; the display resolution is
    // only a wish for showing it, so it counts only when no capture box is there.
    double xDpi = 0.0;
    double yDpi = 0.0;
    if ((facts.hasCaptureResolution && ResolutionBoxToDpi(facts.captureResolution, xDpi, yDpi)) ||
        (facts.hasDisplayResolution && ResolutionBoxToDpi(facts.displayResolution, xDpi, yDpi))) {
        image.xResolution = WholeDpi(xDpi);
        image.yResolution = WholeDpi(yDpi);
    }
    reason.clear();
    return true;
}

bool DecideConformingJ2k(const ImageInfo& info, const J2kFacts& facts, ConformingImage& image,
                         std::string& reason) {
    image = ConformingImage{};
    image.kind = ImageKind::J2k;
    image.info = info;
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

bool PlanConformingImage(const std::string& imagePath, ConformingImage& image,
                         std::string& reason) {
    image = ConformingImage{};
    const ImageKind kind = ImageKindOfFile(imagePath);
    const std::optional<FileSource> source = FileSource::Open(imagePath);
    ImageHeader header;
    const bool read = source && ReadImageHeader(*source, kind, header);
    switch (kind) {
    case ImageKind::Jpeg:
        if (!read) {
            reason = "unreadable JPEG header";
            return false;
        }
        return DecideConformingJpeg(header.info, header.jpeg, image, reason);
    case ImageKind::Jp2:
        if (!read || header.jp2.components == 0) {
            reason = "unreadable JP2 header";
            return false;
        }
        return DecideConformingJp2(header.info, header.jp2, image, reason);
    case ImageKind::J2k:
        if (!read) {
            reason = "unreadable JPEG 2000 codestream header";
            return false;
        }
        return DecideConformingJ2k(header.info, header.j2k, image, reason);
    case ImageKind::Unknown:
        break;
    }
    reason = "not a JPEG or JPEG 2000 file name";
    return false;
}

ConformingLayout LayOutConformingPage(const ConformingImage& image, const PageMargins& margins,
                                      const ConversionHost& host) {
    // The layout works on the image as it is shown: turned a quarter, its sides swap.
    ImageInfo shown = image.info;
    shown.XResolution = image.xResolution;
    shown.YResolution = image.yResolution;
    if (image.orientation >= 5) {
        std::swap(shown.Width, shown.Height);
        std::swap(shown.XResolution, shown.YResolution);
    }
    const ImagePlacement placement = PlaceImageOnPage(shown, margins, host);

    ConformingLayout layout;
    layout.pageWidth = placement.pageWidth;
    layout.pageHeight = placement.pageHeight;
    layout.x = placement.x;
    layout.yTop = placement.y;
    layout.width = placement.imageWidth;
    layout.height = placement.imageHeight;

    // Everything on the page shrinks by one factor, so the larger side is exactly the limit.
    const std::int32_t largest = std::max(layout.pageWidth, layout.pageHeight);
    if (largest > kMaxPageSide) {
        layout.scale = static_cast<double>(kMaxPageSide) / largest;
        layout.pageWidth =
            std::min(kMaxPageSide, RoundHalfEven(layout.pageWidth * layout.scale, "page width"));
        layout.pageHeight =
            std::min(kMaxPageSide, RoundHalfEven(layout.pageHeight * layout.scale, "page height"));
        layout.x *= layout.scale;
        layout.yTop *= layout.scale;
        layout.width *= layout.scale;
        layout.height *= layout.scale;
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
std::string ConformingPlacementText(const ConformingLayout& layout, std::int32_t orientation,
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
    static constexpr std::array<std::array<int, 6>, 9> kForms{{
        {1, 0, 0, 1, 0, 0},   // unused
        {1, 0, 0, 1, 0, 0},   // 1
        {-1, 0, 0, 1, 1, 0},  // 2
        {-1, 0, 0, -1, 1, 1}, // 3
        {1, 0, 0, -1, 0, 1},  // 4
        {0, -1, -1, 0, 1, 1}, // 5
        {0, -1, 1, 0, 0, 1},  // 6
        {0, 1, 1, 0, 0, 0},   // 7
        {0, 1, -1, 0, 1, 0},  // 8
    }};
    const auto& form = kForms.at(static_cast<std::size_t>(orientation));
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

std::string ConformingVersion(const std::vector<std::string>& fileNames) {
    const bool anyJpx = std::any_of(fileNames.begin(), fileNames.end(), [](const auto& name) {
        const ImageKind kind = ImageKindOfFile(name);
        return kind == ImageKind::Jp2 || kind == ImageKind::J2k;
    });
    return anyJpx ? "1.5" : "1.3";
}

void SetConformingWarningHook(ConformingWarningHook hook) {
    WarningHook() = std::move(hook);
}

std::int32_t RefuseNonConformingEntries(ListBox& list) {
    std::int32_t removed = 0;
    std::int32_t index = 0;
    while (index < list.ListCount()) {
        std::string fileName;
        std::string folder;
        SplitListEntry(list.ItemText(index), fileName, folder);
        const std::string imagePath = folder + fileName;
        ConformingImage image;
        std::string reason;
        if (!PlanConformingImage(imagePath, image, reason)) {
            ShowMessage("Cannot write a conforming PDF for image file: " + imagePath + " (" +
                            reason + ")",
                        kStyleExclamation, "Image Error");
            list.RemoveItem(index);
            ++removed;
            continue;
        }
        if (image.truncated) {
            Warn("Warning: image file does not end with an end-of-image marker (truncated?); "
                 "the PDF adds one after its data: " +
                 imagePath);
        }
        ++index;
    }
    return removed;
}

bool CreateSinglePdfConforming(ConversionHost& host) {
    const BuildStart start = ReadBuildStart(host);
    const std::string documentPath = start.folder + ReadSettings(host).fileName;
    ListBox& list = host.ImageList();
    const std::int32_t count = list.ListCount();

    // The header is written first, so the version is decided from all the names beforehand.
    std::vector<std::string> fileNames;
    std::vector<std::string> folders;
    for (std::int32_t i = 0; i < count; ++i) {
        std::string fileName;
        std::string folder;
        SplitListEntry(list.ItemText(i), fileName, folder);
        fileNames.push_back(std::move(fileName));
        folders.push_back(std::move(folder));
    }
    bool ok = PdfOpenDocument(documentPath, ConformingVersion(fileNames));
    for (std::int32_t i = 0; i < count; ++i) {
        const auto at = static_cast<std::size_t>(i);
        const std::string imagePath = folders[at] + fileNames[at];
        ConformingImage image;
        std::string reason;
        if (!PlanConformingImage(imagePath, image, reason)) {
            continue;
        }
        const std::string name = "I" + std::to_string(i);
        ok = PdfAddImageObject(documentPath, imagePath, image.info.Width, image.info.Height,
                               image.objectOptions, name) &&
             ok;
        ok = WritePage(documentPath, image, host, start, name) && ok;
    }
    return PdfCloseDocument(documentPath) && ok;
}

bool CreateMultiplePdfsConforming(ConversionHost& host) {
    const BuildStart start = ReadBuildStart(host);
    ListBox& list = host.ImageList();
    const std::int32_t count = list.ListCount();
    bool ok = true;
    for (std::int32_t i = 0; i < count; ++i) {
        std::string fileName;
        std::string folder;
        SplitListEntry(list.ItemText(i), fileName, folder);
        const std::string imagePath = folder + fileName;
        ConformingImage image;
        std::string reason;
        if (!PlanConformingImage(imagePath, image, reason)) {
            continue;
        }
        const std::string documentPath = start.folder + fileName + ".PDF";
        ok = PdfOpenDocument(documentPath, ConformingVersion({fileName})) && ok;
        ok = PdfAddImageObject(documentPath, imagePath, image.info.Width, image.info.Height,
                               image.objectOptions, "I1") &&
             ok;
        ok = WritePage(documentPath, image, host, start, "I1") && ok;
        ok = PdfCloseDocument(documentPath) && ok;
    }
    return ok;
}

RunReport RunConformingConversion(ConversionHost& host) {
    return RunConversionWith(host, CreateSinglePdfConforming, CreateMultiplePdfsConforming);
}

} // namespace folionix

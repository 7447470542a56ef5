#include "FuzzEntries.h"

#include "imaging/ImageHeader.h"
#include "imaging/modJ2K.h"
#include "imaging/modJP2.h"
#include "imaging/modJPG.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <span>

namespace folionix::fuzz {

namespace {

void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "broken invariant: %s\n", what);
        std::abort();
    }
}

// A failed read leaves six zeros; a successful one leaves zero resolutions for JPEG 2000.
void CheckResult(bool ok, const ImageInfo& info, bool jpeg2000) {
    if (!ok) {
        Require(info == ImageInfo{}, "a failed read leaves every field 0");
    } else if (jpeg2000) {
        Require(info.XResolution == 0 && info.YResolution == 0, "codestreams carry no resolution");
    }
}

// The caller's values a reader must keep when no frame header or SIZ segment is met.
constexpr ImageInfo kCallerValues{-1, -2, -3, -4, -5, -6};

// The standard reader from the caller's values, then ReadImageHeader: one walk, and the result
// and ImageInfo the standard reader gives from zeros.
template <typename Read>
bool CheckReaders(const ByteSource& source, ImageKind kind, Read read, bool jpeg2000,
                  ImageHeader& header) {
    ImageInfo info = kCallerValues;
    CheckResult(read(source, info), info, jpeg2000);
    info = ImageInfo{};
    const bool ok = read(source, info);
    const std::uint64_t walks = HeaderWalkCount();
    Require(ReadImageHeader(source, kind, header) == ok && header.info == info,
            "the header read gives the standard reader's result");
    Require(HeaderWalkCount() == walks + 1, "a header read is one walk");
    return ok;
}

void CheckDpi(bool present, const Jp2ResolutionBox& box) {
    double x = 0.0;
    double y = 0.0;
    if (present && ResolutionBoxToDpi(box, x, y)) {
        Require(std::isfinite(x) && std::isfinite(y) && x > 0.0 && y > 0.0, "dpi is positive");
    } else {
        Require(x == 0.0 && y == 0.0, "no dpi is 0");
    }
}

} // namespace

int FuzzJpeg(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    std::int32_t a = 0, b = 0, c = 0, d = 0;
    if (ParseSofSegment(bytes, a, b, c, d)) {
        Require(a >= 0 && a <= 65535 && b >= 0 && b <= 65535, "frame sizes are 16-bit");
    }
    static_cast<void>(ParseJfifSegment(bytes, a, b));
    JpegFacts exif;
    static_cast<void>(ParseExifSegment(bytes, exif));

    const MemorySource source(bytes);
    // The same bytes read from the third byte on: a start inside the data.
    ImageInfo info = kCallerValues;
    CheckResult(GetJpegInfo(source, info, 3), info, false);

    ImageHeader header;
    const bool ok = CheckReaders(
        source, ImageKind::Jpeg, [](const auto& s, auto& i) { return GetJpegInfo(s, i, 1); }, false,
        header);
    const JpegFacts& facts = header.jpeg;
    Require(facts.exifXResolution >= 0.0 && std::isfinite(facts.exifXResolution) &&
                facts.exifYResolution >= 0.0 && std::isfinite(facts.exifYResolution),
            "EXIF resolutions are finite and not negative");
    if (ok && facts.hasFrame) {
        Require(IsFrameMarker(facts.frameMarker), "the frame marker is a frame marker");
        Require(header.info.Width == facts.width && header.info.Height == facts.height &&
                    header.info.BitsPerPixel == facts.precision * facts.components,
                "the frame facts are the frame the reader took");
    }
    return 0;
}

int FuzzJ2k(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    std::int32_t width = 0, height = 0, components = 0, bitsPerPixel = 0, bitsPerComponent = 0;
    if (ParseSizSegment(bytes, width, height, components, bitsPerPixel, bitsPerComponent)) {
        Require(bitsPerPixel >= 0 && bitsPerPixel <= components * 128, "depth sum in range");
        Require(components == 0 ? bitsPerComponent == 0
                                : bitsPerComponent >= 1 && bitsPerComponent <= 128,
                "last depth in range");
    }
    const MemorySource source(bytes);
    ImageHeader header;
    const bool ok = CheckReaders(
        source, ImageKind::J2k, [](const auto& s, auto& i) { return GetJ2kInfo(s, i, 1); }, true,
        header);
    Require(!ok || header.info.BitsPerComponent == 0 ||
                (header.j2k.gridWidth == static_cast<std::uint32_t>(header.info.Width) &&
                 header.j2k.gridHeight == static_cast<std::uint32_t>(header.info.Height)),
            "the grid facts are the size the reader took");
    return 0;
}

int FuzzJp2(const std::uint8_t* data, std::size_t size) {
    const MemorySource source(std::span<const std::uint8_t>(data, size));
    ImageHeader header;
    static_cast<void>(CheckReaders(
        source, ImageKind::Jp2, [](const auto& s, auto& i) { return GetJp2Info(s, i, 1); }, true,
        header));
    Require(header.jp2.components == header.j2k.components, "one codestream gives the components");
    Require(header.jp2.colourMethod >= 0 && header.jp2.colourMethod <= 255 &&
                (header.jp2.colourMethod == 1 || header.jp2.enumeratedColourSpace == 0),
            "an enumerated colour space comes with method 1 only");
    CheckDpi(header.jp2.hasCaptureResolution, header.jp2.captureResolution);
    CheckDpi(header.jp2.hasDisplayResolution, header.jp2.displayResolution);
    // The codestream reader meets JP2 files too when the extension lies.
    ImageInfo info = kCallerValues;
    CheckResult(GetJ2kInfo(source, info, 1), info, true);
    return 0;
}

} // namespace folionix::fuzz

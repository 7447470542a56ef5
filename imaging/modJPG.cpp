#include "imaging/modJPG.h"

#include "common/CheckedMath.h"
#include "imaging/HeaderWalk.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <string_view>
#include <vector>

namespace folionix {

namespace {

constexpr std::uint8_t kApp0 = 0xE0;
constexpr std::uint8_t kApp1 = 0xE1;
constexpr std::uint8_t kApp14 = 0xEE;
constexpr std::uint8_t kDefineHierarchicalProgression = 0xDE;

// Dots per centimetre to dots per inch. Deliberately not 2.54: resolutions read from files
// written with this factor have always been rounded with it (25 dots/cm gives 63, not 64).
constexpr double kCentimetresPerInch = 2.53999998;

std::int32_t Read16(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return static_cast<std::int32_t>(header_walk::Big16(bytes, offset));
}

bool HasIdentifier(std::span<const std::uint8_t> segment, std::string_view identifier) {
    return segment.size() >= 4 + identifier.size() &&
           std::equal(identifier.begin(), identifier.end(), segment.begin() + 4);
}

// The JFIF facts of an APP0 segment the standard walk parsed (so a JFIF segment whose densities
// are both 0 lets a later one speak).
void TakeJfif(std::span<const std::uint8_t> segment, JpegFacts& facts) {
    if (!HasIdentifier(segment, std::string_view("JFIF\0", 5))) {
        return;
    }
    facts.hasJfif = true;
    facts.jfifUnits = segment[11];
    facts.jfifXDensity = Read16(segment, 12);
    facts.jfifYDensity = Read16(segment, 14);
}

// Adobe APP14, offsets from the 0xFF byte: 4 "Adobe", 9 version (2), 11 flags0 (2), 13 flags1
// (2), 15 transform (1). EXIF APP1: 4 "Exif\0\0", then the TIFF block (ParseExifSegment).
// Only the first EXIF segment counts; a segment that fails to parse leaves the facts alone.
void TakeApplicationSegment(std::span<const std::uint8_t> segment, JpegFacts& facts) {
    if (segment[1] == kApp14 && HasIdentifier(segment, "Adobe")) {
        facts.hasAdobe = true;
        facts.adobeTransform = segment.size() >= 16 ? segment[15] : -1;
    } else if (segment[1] == kApp1) {
        static_cast<void>(ParseExifSegment(segment, facts));
    }
}

using header_walk::Fail;
using header_walk::ReadSegment;

} // namespace

// Frame header (SOFn), offsets from the 0xFF byte:
//   0  1  0xFF
//   1  1  marker code (one of the thirteen frame markers)
//   2  2  length field
//   4  1  sample precision P
//   5  2  number of lines Y (height), big-endian
//   7  2  samples per line X (width), big-endian
//   9  1  number of components Nf
bool ParseSofSegment(std::span<const std::uint8_t> segment, std::int32_t& width,
                     std::int32_t& height, std::int32_t& precision, std::int32_t& components) {
    if (segment.size() < 10) {
        return false;
    }
    precision = segment[4];
    height = Read16(segment, 5);
    width = Read16(segment, 7);
    components = segment[9];
    return true;
}

// JFIF APP0 segment, offsets from the 0xFF byte:
//   0  2  0xFF 0xE0
//   2  2  length field
//   4  5  identifier "JFIF" and a zero byte (exact, case-sensitive)
//   9  2  version (not read)
//  11  1  density units: 0 pixel shape only, 1 dots per inch, 2 dots per centimetre
//  12  2  X density, big-endian
//  14  2  Y density, big-endian
// The identifier is always read, so a segment shorter than 9 bytes fails whatever it holds;
// one that carries the identifier fails when shorter than 16 bytes.
bool ParseJfifSegment(std::span<const std::uint8_t> segment, std::int32_t& xResolution,
                      std::int32_t& yResolution) {
    static constexpr std::array<std::uint8_t, 5> kIdentifier{'J', 'F', 'I', 'F', 0};
    if (segment.size() < 9) {
        return false;
    }
    for (std::size_t i = 0; i < kIdentifier.size(); ++i) {
        if (segment[4 + i] != kIdentifier[i]) {
            // Not JFIF: both stay 0, so that a later APP0 segment is still examined.
            xResolution = 0;
            yResolution = 0;
            return true;
        }
    }
    if (segment.size() < 16) {
        return false;
    }
    const std::uint8_t units = segment[11];
    const std::int32_t xDensity = Read16(segment, 12);
    const std::int32_t yDensity = Read16(segment, 14);
    if (units == 2) {
        xResolution = RoundHalfEven(xDensity * kCentimetresPerInch, "resolution");
        yResolution = RoundHalfEven(yDensity * kCentimetresPerInch, "resolution");
    } else {
        xResolution = xDensity;
        yResolution = yDensity;
    }
    return true;
}

// The walk (WalkMarkerSegments) ends at the first start of scan or end of image. Besides the
// marker headers only APP0 (while both resolutions are 0) and frame headers are read; a file the
// reader fails on is refused by every caller, which is what a damaged file deserves. With facts
// asked for, APP1 (until an EXIF segment was taken) and APP14 are read too, and DHP is noted.
bool header_walk::ReadJpegHeader(const ByteSource& source, ImageInfo& info,
                                 std::int32_t startPosition, JpegFacts* facts) {
    info.XResolution = 0;
    info.YResolution = 0;
    const std::int32_t start = startPosition < 1 ? 1 : startPosition;
    if (facts != nullptr) {
        const std::int64_t size = source.Size();
        std::array<std::uint8_t, 2> tail{};
        facts->endsWithEndOfImage =
            size >= 4 && source.ReadExactlyAt(size - 2, tail) && tail[0] == 0xFF && tail[1] == 0xD9;
    }

    std::vector<std::uint8_t> segment;
    const auto visit = [&](std::uint8_t code, std::int32_t position, std::int32_t length) {
        if (code == kApp0 && info.XResolution == 0 && info.YResolution == 0) {
            if (!ReadSegment(source, position, length, segment) ||
                !ParseJfifSegment(segment, info.XResolution, info.YResolution)) {
                return false;
            }
            if (facts != nullptr) {
                TakeJfif(segment, *facts);
            }
        } else if (IsFrameMarker(code)) {
            std::int32_t width{};
            std::int32_t height{};
            std::int32_t precision{};
            std::int32_t components{};
            if (!ReadSegment(source, position, length, segment) ||
                !ParseSofSegment(segment, width, height, precision, components)) {
                return false;
            }
            info.Width = width;
            info.Height = height;
            info.BitsPerPixel = components * precision;
            info.BitsPerComponent = precision;
            if (facts != nullptr) {
                facts->hasFrame = true;
                facts->frameMarker = code;
                facts->precision = precision;
                facts->width = width;
                facts->height = height;
                facts->components = components;
            }
        } else if (facts != nullptr) {
            facts->hierarchical = facts->hierarchical || code == kDefineHierarchicalProgression;
            if ((code == kApp14 || (code == kApp1 && !facts->hasExif)) &&
                ReadSegment(source, position, length, segment)) {
                TakeApplicationSegment(segment, *facts);
            }
        }
        return true;
    };
    return header_walk::WalkMarkerSegments(source, start, header_walk::kJpegMarkers, visit) ||
           Fail(info);
}

bool GetJpegInfo(const ByteSource& source, ImageInfo& info, std::int32_t startPosition) {
    header_walk::CountWalk();
    return header_walk::ReadJpegHeader(source, info, startPosition, nullptr);
}

bool GetJpegInfo(const std::string& path, ImageInfo& info, std::int32_t startPosition) {
    return header_walk::ReadFile(path, info, [&](const ByteSource& source) {
        return GetJpegInfo(source, info, startPosition);
    });
}

} // namespace folionix

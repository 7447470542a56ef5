#include "imaging/modJPG.h"

#include "imaging/HeaderWalk.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <limits>
#include <optional>
#include <vector>

namespace folionix {

namespace {

constexpr std::uint8_t kStartOfImage = 0xD8;
constexpr std::uint8_t kEndOfImage = 0xD9;
constexpr std::uint8_t kStartOfScan = 0xDA;
constexpr std::uint8_t kApp0 = 0xE0;

// Dots per centimetre to dots per inch. Deliberately not 2.54: resolutions read from files
// written with this factor have always been rounded with it (25 dots/cm gives 63, not 64).
constexpr double kCentimetresPerInch = 2.53999998;

// The thirteen start-of-frame markers: 0xC0..0xCF without DHT (0xC4), JPG (0xC8) and DAC (0xCC),
// which share the range but carry no frame header.
bool IsFrameMarker(std::uint8_t code) {
    return code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC;
}

// Nearest integer, halves to the even neighbour, whatever the floating-point rounding mode.
std::int32_t RoundHalfToEven(double value) {
    const double lower = std::floor(value);
    const double fraction = value - lower;
    double rounded = lower;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(lower, 2.0) != 0.0)) {
        rounded = lower + 1.0;
    }
    return static_cast<std::int32_t>(rounded);
}

std::int32_t Read16(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return BytesToLong(0, 0, bytes[offset], bytes[offset + 1]);
}

using header_walk::Fail;
using header_walk::ReadSegment;

} // namespace

// Marker header, four bytes from the 0xFF byte:
//   0  1  0xFF
//   1  1  marker code
//   2  2  length field, big-endian (counts itself, not the two marker bytes); absent after SOI
// At the very end of a file the end-of-image marker may stand without anything behind it; it is
// still read (with a length of 2), since the walk ends there anyway.
bool ReadJpegMarker(const File& file, std::int32_t position, std::uint8_t& markerCode,
                    std::int32_t& segmentLength) {
    return header_walk::ReadMarkerHeader(file, position, kStartOfImage, kEndOfImage, markerCode,
                                         segmentLength);
}

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
        xResolution = RoundHalfToEven(xDensity * kCentimetresPerInch);
        yResolution = RoundHalfToEven(yDensity * kCentimetresPerInch);
    } else {
        xResolution = xDensity;
        yResolution = yDensity;
    }
    return true;
}

// The walk ends at the first start of scan or end of image. It fails rather than guesses when
// the file ends first, when a length field is below 2 (it cannot even hold itself), or when a
// segment reaches past the end of the file or past the signed 32-bit position range: a file the
// reader fails on is refused by every caller, which is what a damaged file deserves.
bool GetJpegInfo(const std::string& path, ImageInfo& info, std::int32_t startPosition) {
    info.XResolution = 0;
    info.YResolution = 0;
    const std::int32_t start = startPosition < 1 ? 1 : startPosition;

    const std::optional<File> file = header_walk::OpenAtSignature(path, start, 0xFFD8);
    if (!file) {
        return Fail(info);
    }
    const std::int64_t fileSize = file->Size();

    std::vector<std::uint8_t> segment;
    std::int32_t position = start;
    for (;;) {
        std::uint8_t code = 0;
        std::int32_t segmentLength = 0;
        if (!ReadJpegMarker(*file, position, code, segmentLength)) {
            return Fail(info);
        }
        if (code == kEndOfImage || code == kStartOfScan) {
            break;
        }
        if (code != kStartOfImage && segmentLength < 4) {
            return Fail(info);
        }
        const std::optional<std::int32_t> next =
            header_walk::NextPosition(position, segmentLength, fileSize);
        if (!next) {
            return Fail(info);
        }

        if (code == kApp0 && info.XResolution == 0 && info.YResolution == 0) {
            if (!ReadSegment(*file, position, segmentLength, segment) ||
                !ParseJfifSegment(segment, info.XResolution, info.YResolution)) {
                return Fail(info);
            }
        } else if (IsFrameMarker(code)) {
            std::int32_t width = 0;
            std::int32_t height = 0;
            std::int32_t precision = 0;
            std::int32_t components = 0;
            if (!ReadSegment(*file, position, segmentLength, segment) ||
                !ParseSofSegment(segment, width, height, precision, components)) {
                return Fail(info);
            }
            info.Width = width;
            info.Height = height;
            info.BitsPerPixel = components * precision;
            info.BitsPerComponent = precision;
        }
        position = *next;
    }
    return true;
}

} // namespace folionix

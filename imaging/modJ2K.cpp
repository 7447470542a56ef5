#include "imaging/modJ2K.h"

#include "imaging/HeaderWalk.h"

#include <array>
#include <cstddef>
#include <limits>
#include <optional>
#include <vector>

namespace folionix {

namespace {

constexpr std::uint8_t kStartOfCodestream = 0x4F;
constexpr std::uint8_t kEndOfCodestream = 0xD9;
constexpr std::uint8_t kStartOfData = 0x93;
constexpr std::uint8_t kImageAndTileSize = 0x51;

std::int32_t Read32(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return BytesToLong(bytes[offset], bytes[offset + 1], bytes[offset + 2], bytes[offset + 3]);
}

using header_walk::Fail;

} // namespace

// Marker header, four bytes from the 0xFF byte:
//   0  1  0xFF
//   1  1  marker code
//   2  2  length field, big-endian (counts itself, not the two marker bytes); absent after SOC
// An end-of-codestream marker in the last two bytes of the file is still read (length 2).
bool ReadJ2kMarker(const File& file, std::int32_t position, std::uint8_t& markerCode,
                   std::int32_t& segmentLength) {
    return header_walk::ReadMarkerHeader(file, position, kStartOfCodestream, kEndOfCodestream,
                                         markerCode, segmentLength);
}

// SIZ segment, offsets from the 0xFF byte; multi-byte fields big-endian:
//   0       2  0xFF 0x51
//   2       2  Lsiz, length field
//   4       2  Rsiz, capabilities (not read)
//   6       4  Xsiz, reference grid width (Width; the offset XOsiz is not taken off)
//  10       4  Ysiz, reference grid height (Height; YOsiz is not taken off)
//  14..37   4  XOsiz, YOsiz, XTsiz, YTsiz, XTOsiz, YTOsiz (not read)
//  38       2  Csiz, number of components
//  40+3i    1  Ssiz of component i: bit 7 the sign, low seven bits the depth minus one
//  41+3i    1  XRsiz of component i (not read)
//  42+3i    1  YRsiz of component i (not read)
// The segment must hold 40 + 3 * Csiz bytes.
bool ParseSizSegment(std::span<const std::uint8_t> segment, std::int32_t& width,
                     std::int32_t& height, std::int32_t& components, std::int32_t& bitsPerPixel,
                     std::int32_t& bitsPerComponent) {
    if (segment.size() < 40) {
        return false;
    }
    const std::int32_t count = BytesToLong(0, 0, segment[38], segment[39]);
    if (segment.size() < 40 + 3 * static_cast<std::size_t>(count)) {
        return false;
    }
    std::int32_t sum = 0;
    std::int32_t last = 0;
    for (std::size_t i = 0; i < static_cast<std::size_t>(count); ++i) {
        const std::int32_t depth = (segment[40 + 3 * i] & 0x7F) + 1;
        sum += depth;
        last = depth;
    }
    width = Read32(segment, 6);
    height = Read32(segment, 10);
    components = count;
    bitsPerPixel = sum;
    bitsPerComponent = last;
    return true;
}

// The walk ends at the first SOD or EOC. Like the JPEG walk it fails when the file ends first,
// when a length field is below 2, or when a segment reaches past the end of the file or past the
// signed 32-bit position range.
bool GetJ2kInfo(const std::string& path, ImageInfo& info, std::int32_t startPosition) {
    info.XResolution = 0;
    info.YResolution = 0;
    const std::int32_t start = startPosition < 1 ? 1 : startPosition;

    const std::optional<File> file = header_walk::OpenAtSignature(path, start, 0xFF4F);
    if (!file) {
        return Fail(info);
    }
    const std::int64_t fileSize = file->Size();

    std::vector<std::uint8_t> segment;
    std::int32_t position = start;
    for (;;) {
        std::uint8_t code = 0;
        std::int32_t segmentLength = 0;
        if (!ReadJ2kMarker(*file, position, code, segmentLength)) {
            return Fail(info);
        }
        if (code == kEndOfCodestream || code == kStartOfData) {
            break;
        }
        if (code != kStartOfCodestream && segmentLength < 4) {
            return Fail(info);
        }
        const std::optional<std::int32_t> next =
            header_walk::NextPosition(position, segmentLength, fileSize);
        if (!next) {
            return Fail(info);
        }

        if (code == kImageAndTileSize) {
            std::int32_t width = 0;
            std::int32_t height = 0;
            std::int32_t components = 0;
            std::int32_t bitsPerPixel = 0;
            std::int32_t bitsPerComponent = 0;
            if (!header_walk::ReadSegment(*file, position, segmentLength, segment) ||
                !ParseSizSegment(segment, width, height, components, bitsPerPixel,
                                 bitsPerComponent)) {
                return Fail(info);
            }
            info.Width = width;
            info.Height = height;
            info.BitsPerPixel = bitsPerPixel;
            info.BitsPerComponent = bitsPerComponent;
        }
        position = *next;
    }
    return true;
}

} // namespace folionix

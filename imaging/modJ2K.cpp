#include "imaging/modJ2K.h"

#include "imaging/HeaderWalk.h"

#include <cstddef>
#include <vector>

namespace folionix {

namespace {

constexpr std::uint8_t kImageAndTileSize = 0x51;

std::int32_t Read32(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return static_cast<std::int32_t>(header_walk::Big32(bytes, offset));
}

} // namespace

// SIZ segment, offsets from the 0xFF byte; multi-byte fields big-endian:
//   0       2  0xFF 0x51
//   2       2  Lsiz, length field
//   4       2  Rsiz, capabilities (not read)
//   6       4  Xsiz, reference grid width (Width; the offset XOsiz is not taken off)
//  10       4  Ysiz, reference grid height (Height; YOsiz is not taken off)
//  14       4  XOsiz, image offset on the grid (only for the facts)
//  18       4  YOsiz (only for the facts)
//  22..37   4  XTsiz, YTsiz, XTOsiz, YTOsiz (not read)
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

// The walk (WalkMarkerSegments) ends at the first SOD or EOC and fails on the same damage as
// the JPEG walk. Only SIZ segments are read; the last one before the data counts.
bool header_walk::ReadCodestreamHeader(const ByteSource& source, ImageInfo& info,
                                       std::int32_t startPosition, J2kFacts* facts) {
    info.XResolution = 0;
    info.YResolution = 0;
    const std::int32_t start = startPosition < 1 ? 1 : startPosition;

    std::vector<std::uint8_t> segment;
    const auto visit = [&](std::uint8_t code, std::int32_t position, std::int32_t length) {
        if (code != kImageAndTileSize) {
            return true;
        }
        std::int32_t width{};
        std::int32_t height{};
        std::int32_t components{};
        std::int32_t bitsPerPixel{};
        std::int32_t bitsPerComponent{};
        if (!ReadSegment(source, position, length, segment) ||
            !ParseSizSegment(segment, width, height, components, bitsPerPixel, bitsPerComponent)) {
            return false;
        }
        info.Width = width;
        info.Height = height;
        info.BitsPerPixel = bitsPerPixel;
        info.BitsPerComponent = bitsPerComponent;
        if (facts != nullptr) {
            facts->components = components;
            facts->gridWidth = Big32(segment, 6);
            facts->gridHeight = Big32(segment, 10);
            facts->xOffset = Big32(segment, 14);
            facts->yOffset = Big32(segment, 18);
        }
        return true;
    };
    return WalkMarkerSegments(source, start, kCodestreamMarkers, visit) || Fail(info);
}

bool GetJ2kInfo(const ByteSource& source, ImageInfo& info, std::int32_t startPosition) {
    header_walk::CountWalk();
    return header_walk::ReadCodestreamHeader(source, info, startPosition, nullptr);
}

bool GetJ2kInfo(const std::string& path, ImageInfo& info, std::int32_t startPosition) {
    return header_walk::ReadFile(path, info, [&](const ByteSource& source) {
        return GetJ2kInfo(source, info, startPosition);
    });
}

} // namespace folionix

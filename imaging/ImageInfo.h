#pragma once

#include <cstdint>

namespace folionix {

// The facts about one image file that the PDF image object and the page layout need.
// Resolutions are dots per inch, 0 when the file gives none (callers then take 72).
// The number of components is BitsPerPixel / BitsPerComponent.
struct ImageInfo {
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::int32_t XResolution = 0;
    std::int32_t YResolution = 0;
    std::int32_t BitsPerPixel = 0;
    std::int32_t BitsPerComponent = 0;

    friend bool operator==(const ImageInfo&, const ImageInfo&) = default;
};

// Four bytes, most significant first, read as a two's-complement signed 32-bit number.
// With b0 and b1 zero it gives a big-endian 16-bit value (0..65535).
constexpr std::int32_t BytesToLong(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2,
                                   std::uint8_t b3) {
    const std::uint32_t bits = (std::uint32_t{b0} << 24) | (std::uint32_t{b1} << 16) |
                               (std::uint32_t{b2} << 8) | std::uint32_t{b3};
    return static_cast<std::int32_t>(bits);
}

} // namespace folionix

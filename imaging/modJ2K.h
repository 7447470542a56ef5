#pragma once

#include "common/FileAccess.h"
#include "imaging/ImageInfo.h"

#include <cstdint>
#include <span>
#include <string>

namespace folionix {

// Reads a raw JPEG 2000 codestream's main header from startPosition (1-based; below 1 means 1)
// up to the first SOD or EOC: size from SIZ (Xsiz/Ysiz), the sum of the component depths and
// the last component's depth. Resolutions are always 0. On failure all six fields are 0.
bool GetJ2kInfo(const std::string& path, ImageInfo& info, std::int32_t startPosition);

// The marker at the 1-based position: code (byte after 0xFF) and distance to the next marker
// (2 for SOC). False when the four bytes cannot be read, except for an EOC marker in the file's
// last two bytes, which is read with a distance of 2.
bool ReadJ2kMarker(const File& file, std::int32_t position, std::uint8_t& markerCode,
                   std::int32_t& segmentLength);

// A SIZ segment held from its 0xFF byte. False when it is shorter than 40 + 3 * components.
bool ParseSizSegment(std::span<const std::uint8_t> segment, std::int32_t& width,
                     std::int32_t& height, std::int32_t& components, std::int32_t& bitsPerPixel,
                     std::int32_t& bitsPerComponent);

} // namespace folionix

#pragma once

#include "imaging/ByteSource.h"
#include "imaging/ImageInfo.h"

#include <cstdint>
#include <span>
#include <string>

namespace folionix {

// Reads a raw JPEG 2000 codestream's main header from startPosition (1-based; below 1 means 1)
// up to the first SOD or EOC: size from SIZ (Xsiz/Ysiz), the sum of the component depths and
// the last component's depth. Resolutions are always 0. On failure all six fields are 0. Each
// call is one header walk.
bool GetJ2kInfo(const std::string& path, ImageInfo& info, std::int32_t startPosition);
bool GetJ2kInfo(const ByteSource& source, ImageInfo& info, std::int32_t startPosition);

// A SIZ segment held from its 0xFF byte. False when it is shorter than 40 + 3 * components.
bool ParseSizSegment(std::span<const std::uint8_t> segment, std::int32_t& width,
                     std::int32_t& height, std::int32_t& components, std::int32_t& bitsPerPixel,
                     std::int32_t& bitsPerComponent);

} // namespace folionix

#pragma once

#include "common/FileAccess.h"
#include "imaging/ImageInfo.h"

#include <cstdint>
#include <string>

namespace folionix {

// Walks the top-level boxes of a JP2 file from startPosition (1-based; below 1 means 1) to the
// "jp2c" box and reads its codestream with GetJ2kInfo at the box start + 8. Resolutions are 0.
// On failure all six fields are 0.
bool GetJp2Info(const std::string& path, ImageInfo& info, std::int32_t startPosition);

// The box header at the 1-based position: LBox as a signed 32-bit number and TBox as four
// characters. False when the eight bytes cannot be read.
bool ReadBoxHeader(const File& file, std::int32_t position, std::int32_t& boxLength,
                   std::string& boxType);

} // namespace folionix

#pragma once

#include "imaging/ByteSource.h"
#include "imaging/ImageInfo.h"

#include <cstdint>
#include <string>

namespace folionix {

// Walks the top-level boxes of a JP2 file from startPosition (1-based; below 1 means 1) to the
// "jp2c" box and reads its codestream as GetJ2kInfo does, at the box start + 8. Resolutions are
// 0. On failure all six fields are 0. Each call is one header walk, the codestream included.
bool GetJp2Info(const std::string& path, ImageInfo& info, std::int32_t startPosition);
bool GetJp2Info(const ByteSource& source, ImageInfo& info, std::int32_t startPosition);

} // namespace folionix

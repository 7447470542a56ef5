#pragma once

#include "imaging/ByteSource.h"
#include "imaging/ImageInfo.h"

#include <cstdint>
#include <span>
#include <string>

namespace folionix {

// Reads a JPEG's size, precision, components and JFIF resolution by walking its marker
// segments from startPosition (1-based; below 1 means 1) to the first start of scan or end of
// image. Only marker headers, APP0 and frame-header bodies are read; the rest is skipped.
// On failure the result is false and all six fields are 0. Each call is one header walk.
bool GetJpegInfo(const std::string& path, ImageInfo& info, std::int32_t startPosition);
bool GetJpegInfo(const ByteSource& source, ImageInfo& info, std::int32_t startPosition);

// A frame header (SOFn) segment held from its 0xFF byte. False when it is too short.
bool ParseSofSegment(std::span<const std::uint8_t> segment, std::int32_t& width,
                     std::int32_t& height, std::int32_t& precision, std::int32_t& components);

// A JFIF APP0 segment held from its 0xFF byte. Resolutions are both 0 when the identifier is
// not "JFIF\0". False when the segment is too short for the fields read from it: shorter than 9
// bytes (the identifier is always read), or a JFIF segment shorter than 16 bytes.
bool ParseJfifSegment(std::span<const std::uint8_t> segment, std::int32_t& xResolution,
                      std::int32_t& yResolution);

} // namespace folionix

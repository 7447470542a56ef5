#pragma once

// Pieces shared by the three header readers: the failure result, the four-byte marker header of
// JPEG and JPEG 2000 codestreams, reading a whole segment, and the bounds of one step of a walk.
// Positions are 1-based, as everywhere in the readers.

#include "common/FileAccess.h"
#include "imaging/ImageInfo.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

namespace folionix::header_walk {

// A failed read leaves all six fields 0.
inline bool Fail(ImageInfo& info) {
    info = ImageInfo{};
    return false;
}

// Marker header, four bytes from the 0xFF byte:
//   0  1  0xFF (not checked)
//   1  1  marker code
//   2  2  length field, big-endian (counts itself, not the two marker bytes)
// The start marker (SOI / SOC) has no length field: its length is 2. An end marker (EOI / EOC)
// in the last two bytes of the file is still read, with a length of 2, since the walk ends there.
inline bool ReadMarkerHeader(const File& file, std::int32_t position, std::uint8_t startCode,
                             std::uint8_t endCode, std::uint8_t& markerCode,
                             std::int32_t& segmentLength) {
    if (position < 1) {
        return false;
    }
    std::array<std::uint8_t, 4> header{};
    const std::int64_t got = file.ReadAt(std::int64_t{position} - 1, header);
    if (got < 2) {
        return false;
    }
    markerCode = header[1];
    if (markerCode == startCode) {
        segmentLength = 2;
        return true;
    }
    if (got < 4) {
        if (markerCode == endCode) {
            segmentLength = 2;
            return true;
        }
        return false;
    }
    segmentLength = BytesToLong(0, 0, header[2], header[3]) + 2;
    return true;
}

// The position after a step of the walk, or nothing when the step would carry it past the end
// of the file or past the signed 32-bit range.
inline std::optional<std::int32_t> NextPosition(std::int32_t position, std::int64_t step,
                                                std::int64_t fileSize) {
    const std::int64_t next = std::int64_t{position} + step;
    if (next > std::numeric_limits<std::int32_t>::max() || (fileSize >= 0 && next - 1 > fileSize)) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(next);
}

// Reads the segment of segmentLength bytes that starts at the position.
inline bool ReadSegment(const File& file, std::int32_t position, std::int32_t segmentLength,
                        std::vector<std::uint8_t>& segment) {
    segment.assign(static_cast<std::size_t>(segmentLength), 0);
    return file.ReadExactlyAt(std::int64_t{position} - 1, segment);
}

// Opens the file and checks the two signature bytes at the position (0xFFD8 for JPEG, 0xFF4F
// for a codestream); nothing when either fails.
inline std::optional<File> OpenAtSignature(const std::string& path, std::int32_t position,
                                           std::int32_t signature) {
    std::optional<File> file = File::Open(path, File::Mode::Read);
    if (!file) {
        return std::nullopt;
    }
    std::array<std::uint8_t, 2> bytes{};
    if (!file->ReadExactlyAt(std::int64_t{position} - 1, bytes) ||
        BytesToLong(0, 0, bytes[0], bytes[1]) != signature) {
        return std::nullopt;
    }
    return file;
}

} // namespace folionix::header_walk

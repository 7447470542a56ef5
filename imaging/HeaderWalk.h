#pragma once

// The pieces the three header readers share: the failure result, big-endian fields, the one
// marker-segment walk of JPEG files and JPEG 2000 codestreams, and the walkers behind both the
// standard readers and ReadImageHeader. Positions are 1-based, as everywhere in the readers;
// they become 0-based only where a ByteSource is read.

#include "imaging/ByteSource.h"
#include "imaging/ImageInfo.h"
#include "imaging/modImageFacts.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace folionix::header_walk {

// A failed read leaves all six fields 0.
inline bool Fail(ImageInfo& info) {
    info = ImageInfo{};
    return false;
}

inline std::uint32_t Big16(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return static_cast<std::uint32_t>(BytesToLong(0, 0, bytes[offset], bytes[offset + 1]));
}

inline std::uint32_t Big32(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return static_cast<std::uint32_t>(
        BytesToLong(bytes[offset], bytes[offset + 1], bytes[offset + 2], bytes[offset + 3]));
}

// The codes that shape a marker walk: the start marker (it has no length field, and the walk
// begins at one), the end marker, and the marker that starts the compressed data.
struct MarkerCodes {
    std::uint8_t start;
    std::uint8_t end;
    std::uint8_t data;
};
inline constexpr MarkerCodes kJpegMarkers{0xD8, 0xD9, 0xDA};       // SOI, EOI, SOS
inline constexpr MarkerCodes kCodestreamMarkers{0x4F, 0xD9, 0x93}; // SOC, EOC, SOD

// Marker header, four bytes from the 0xFF byte:
//   0  1  0xFF (not checked)
//   1  1  marker code
//   2  2  length field, big-endian (counts itself, not the two marker bytes)
// The start marker has no length field: its length is 2. An end marker in the last two bytes of
// the source is still read, with a length of 2, since the walk ends there.
inline bool ReadMarkerHeader(const ByteSource& source, std::int32_t position, MarkerCodes codes,
                             std::uint8_t& markerCode, std::int32_t& segmentLength) {
    std::array<std::uint8_t, 4> header{};
    const std::int64_t got = source.ReadAt(std::int64_t{position} - 1, header);
    if (got < 2) {
        return false;
    }
    markerCode = header[1];
    if (markerCode == codes.start || (got < 4 && markerCode == codes.end)) {
        segmentLength = 2;
        return true;
    }
    if (got < 4) {
        return false;
    }
    segmentLength = BytesToLong(0, 0, header[2], header[3]) + 2;
    return true;
}

// The position after a step of the walk, or nothing when the step would carry it past the end
// (the number of bytes up to the end of the file or of the enclosing box) or past the signed
// 32-bit range.
inline std::optional<std::int32_t> NextPosition(std::int32_t position, std::int64_t step,
                                                std::int64_t end) {
    const std::int64_t next = std::int64_t{position} + step;
    if (next > std::numeric_limits<std::int32_t>::max() || next - 1 > end) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(next);
}

// Reads the segment of segmentLength bytes that starts at the position.
inline bool ReadSegment(const ByteSource& source, std::int32_t position, std::int32_t segmentLength,
                        std::vector<std::uint8_t>& segment) {
    segment.assign(static_cast<std::size_t>(segmentLength), 0);
    return source.ReadExactlyAt(std::int64_t{position} - 1, segment);
}

// The one walk over marker segments, for JPEG files and codestreams alike. The two bytes at the
// start are 0xFF and the start code. The walk ends, true, at the first end or data marker. It
// fails rather than guesses when the source ends first, when a length field is below 2 (it
// cannot even hold itself), or when a segment reaches past the end of the source or past the
// signed 32-bit position range. visit(code, position, segmentLength) sees every other segment,
// the start marker included, once the segment is known to lie inside the source; it returns
// false to fail the walk.
template <typename Visit>
bool WalkMarkerSegments(const ByteSource& source, std::int32_t start, MarkerCodes codes,
                        Visit visit) {
    std::array<std::uint8_t, 2> signature{};
    if (!source.ReadExactlyAt(std::int64_t{start} - 1, signature) || signature[0] != 0xFF ||
        signature[1] != codes.start) {
        return false;
    }
    const std::int64_t size = source.Size();
    std::int32_t position = start;
    for (;;) {
        std::uint8_t code = 0;
        std::int32_t segmentLength = 0;
        if (!ReadMarkerHeader(source, position, codes, code, segmentLength)) {
            return false;
        }
        if (code == codes.end || code == codes.data) {
            return true;
        }
        if (code != codes.start && segmentLength < 4) {
            return false;
        }
        const std::optional<std::int32_t> next = NextPosition(position, segmentLength, size);
        if (!next || !visit(code, position, segmentLength)) {
            return false;
        }
        position = *next;
    }
}

// The walkers behind GetJpegInfo, GetJ2kInfo, GetJp2Info and ReadImageHeader: the standard
// result in info, and the facts met on the way when facts are asked for (non-null). None of
// them counts a walk; their public callers do.
bool ReadJpegHeader(const ByteSource& source, ImageInfo& info, std::int32_t startPosition,
                    JpegFacts* facts);
bool ReadCodestreamHeader(const ByteSource& source, ImageInfo& info, std::int32_t startPosition,
                          J2kFacts* facts);
bool ReadJp2Header(const ByteSource& source, ImageInfo& info, std::int32_t startPosition,
                   Jp2Facts* jp2, J2kFacts* codestream);

// One more header walk for HeaderWalkCount.
void CountWalk();

// Opens the named file and runs read(source), a standard reader over a source (which counts
// its walk). A file that cannot be opened fails like a damaged one, and counts as a walk too.
template <typename Read> bool ReadFile(const std::string& path, ImageInfo& info, Read read) {
    const std::optional<FileSource> source = FileSource::Open(path);
    if (source) {
        return read(*source);
    }
    CountWalk();
    return Fail(info);
}

} // namespace folionix::header_walk

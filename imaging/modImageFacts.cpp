#include "imaging/modImageFacts.h"

#include "common/FileAccess.h"

#include <array>
#include <cmath>
#include <cstring>
#include <optional>
#include <vector>

namespace folionix {

namespace {

// The readers walk either an open file or bytes in memory (the tests and the fuzzer); both are
// seen through this one interface, with 0-based positions.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::int64_t Size() const = 0;
    // Exactly buffer.size() bytes at the position; false when they are not all there.
    virtual bool Read(std::int64_t position, std::span<std::uint8_t> buffer) const = 0;
};

class MemorySource final : public ByteSource {
public:
    explicit MemorySource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::int64_t Size() const override { return static_cast<std::int64_t>(bytes_.size()); }
    bool Read(std::int64_t position, std::span<std::uint8_t> buffer) const override {
        if (position < 0 || position > Size() ||
            static_cast<std::int64_t>(buffer.size()) > Size() - position) {
            return false;
        }
        if (!buffer.empty()) {
            std::memcpy(buffer.data(), bytes_.data() + position, buffer.size());
        }
        return true;
    }

private:
    std::span<const std::uint8_t> bytes_;
};

class FileSource final : public ByteSource {
public:
    explicit FileSource(File file) : file_(std::move(file)), size_(file_.Size()) {}
    std::int64_t Size() const override { return size_; }
    bool Read(std::int64_t position, std::span<std::uint8_t> buffer) const override {
        if (position < 0 || position > size_ ||
            static_cast<std::int64_t>(buffer.size()) > size_ - position) {
            return false;
        }
        return file_.ReadExactlyAt(position, buffer);
    }

private:
    File file_;
    std::int64_t size_;
};

std::optional<FileSource> OpenSource(const std::string& path) {
    auto file = File::Open(path, File::Mode::Read);
    if (!file) {
        return std::nullopt;
    }
    return FileSource(std::move(*file));
}

std::uint32_t BigEndian16(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return (std::uint32_t{bytes[offset]} << 8) | bytes[offset + 1];
}

std::uint32_t BigEndian32(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return (BigEndian16(bytes, offset) << 16) | BigEndian16(bytes, offset + 2);
}

bool StartsWith(std::span<const std::uint8_t> bytes, std::size_t offset, const char* text,
                std::size_t length) {
    return bytes.size() >= offset + length && std::memcmp(bytes.data() + offset, text, length) == 0;
}

// ---- JPEG ------------------------------------------------------------------------------------
//
// Marker segment: FF, code, then (except for SOI, EOI, RSTn and TEM) a 16-bit big-endian length
// that counts itself but not the two marker bytes. 0xFF fill bytes may precede a marker.
//
// JFIF APP0 (offsets from the FF):   Adobe APP14:                 EXIF APP1:
//   4  "JFIF\0"                        4  "Adobe"                   4  "Exif\0\0"
//   11 units                           9  version (2)               10 TIFF header:
//   12 X density (2)                   11 flags0 (2)                   "II" 2A 00 | "MM" 00 2A,
//   14 Y density (2)                   13 flags1 (2)                   IFD0 offset (4)
//                                      15 transform (1)
// Frame header (SOFn): 4 precision, 5 lines (2), 7 samples per line (2), 9 components.

bool IsFrameMarker(std::uint8_t code) {
    return code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC;
}

bool HasNoLength(std::uint8_t code) {
    return code == 0x01 || code == 0xD8 || (code >= 0xD0 && code <= 0xD7);
}

void TakeFrame(std::span<const std::uint8_t> segment, JpegFacts& facts) {
    if (segment.size() < 10) {
        return;
    }
    facts.hasFrame = true;
    facts.frameMarker = segment[1];
    facts.precision = segment[4];
    facts.height = static_cast<std::int32_t>(BigEndian16(segment, 5));
    facts.width = static_cast<std::int32_t>(BigEndian16(segment, 7));
    facts.components = segment[9];
}

void TakeJfif(std::span<const std::uint8_t> segment, JpegFacts& facts) {
    if (!StartsWith(segment, 4, "JFIF\0", 5) || segment.size() < 16) {
        return;
    }
    // A JFIF segment that already gave a density keeps it, as in GetJpegInfo.
    if (facts.hasJfif && (facts.jfifXDensity != 0 || facts.jfifYDensity != 0)) {
        return;
    }
    facts.hasJfif = true;
    facts.jfifUnits = segment[11];
    facts.jfifXDensity = static_cast<std::int32_t>(BigEndian16(segment, 12));
    facts.jfifYDensity = static_cast<std::int32_t>(BigEndian16(segment, 14));
}

void TakeAdobe(std::span<const std::uint8_t> segment, JpegFacts& facts) {
    if (!StartsWith(segment, 4, "Adobe", 5)) {
        return;
    }
    facts.hasAdobe = true;
    facts.adobeTransform = segment.size() >= 16 ? segment[15] : -1;
}

bool WalkJpeg(const ByteSource& source, JpegFacts& facts) {
    facts = JpegFacts{};
    const std::int64_t size = source.Size();
    std::array<std::uint8_t, 2> tail{};
    facts.endsWithEndOfImage =
        size >= 4 && source.Read(size - 2, tail) && tail[0] == 0xFF && tail[1] == 0xD9;

    std::array<std::uint8_t, 4> head{};
    if (!source.Read(0, std::span(head).first(2)) || head[0] != 0xFF || head[1] != 0xD8) {
        return false;
    }
    std::int64_t position = 2;
    std::vector<std::uint8_t> segment;
    for (;;) {
        // Skip fill bytes: any run of 0xFF before the marker code.
        std::array<std::uint8_t, 1> one{};
        if (!source.Read(position, one) || one[0] != 0xFF) {
            return false;
        }
        std::uint8_t code = 0xFF;
        while (code == 0xFF) {
            ++position;
            if (!source.Read(position, one)) {
                return false;
            }
            code = one[0];
        }
        const std::int64_t markerStart = position - 1;
        if (code == 0xD9 || code == 0xDA) {
            return true;
        }
        if (HasNoLength(code)) {
            position = markerStart + 2;
            continue;
        }
        if (!source.Read(markerStart + 2, std::span(head).subspan(2))) {
            return false;
        }
        const std::int64_t length = (std::int64_t{head[2]} << 8) | head[3];
        if (length < 2) {
            return false;
        }
        const std::int64_t total = length + 2;
        if (code == 0xDE) {
            facts.hierarchical = true;
        }
        const bool wanted =
            IsFrameMarker(code) || code == 0xE0 || code == 0xEE || (code == 0xE1 && !facts.hasExif);
        if (wanted) {
            segment.resize(static_cast<std::size_t>(total));
            if (!source.Read(markerStart, segment)) {
                return false;
            }
            if (IsFrameMarker(code)) {
                TakeFrame(segment, facts);
            } else if (code == 0xE0) {
                TakeJfif(segment, facts);
            } else if (code == 0xEE) {
                TakeAdobe(segment, facts);
            } else {
                static_cast<void>(ParseExifSegment(segment, facts));
            }
        }
        position = markerStart + total;
    }
}

// ---- TIFF inside EXIF --------------------------------------------------------------------------
//
// IFD: count (2), then count entries of 12 bytes: tag (2), type (2), value count (4), value or
// offset of the value (4). Offsets count from the TIFF header's first byte. Types used here:
// 3 SHORT (2 bytes, value held in the entry), 5 RATIONAL (two 4-byte numbers, always at an
// offset). The byte order of every field follows the header's "II" (little) or "MM" (big).

class TiffView {
public:
    TiffView(std::span<const std::uint8_t> data, bool littleEndian)
        : data_(data), little_(littleEndian) {}
    bool Has(std::uint64_t offset, std::uint64_t count) const {
        return offset <= data_.size() && count <= data_.size() - offset;
    }
    std::uint32_t U16(std::size_t offset) const {
        const std::uint32_t a = data_[offset];
        const std::uint32_t b = data_[offset + 1];
        return little_ ? (a | (b << 8)) : ((a << 8) | b);
    }
    std::uint32_t U32(std::size_t offset) const {
        const std::uint32_t low = U16(offset + (little_ ? 0 : 2));
        const std::uint32_t high = U16(offset + (little_ ? 2 : 0));
        return low | (high << 16);
    }
    // A RATIONAL at the offset held in the entry's value field; 0 when it lies outside the
    // data or its denominator is 0.
    double Rational(std::size_t entry) const {
        const std::uint32_t offset = U32(entry + 8);
        if (!Has(offset, 8)) {
            return 0.0;
        }
        const std::uint32_t numerator = U32(offset);
        const std::uint32_t denominator = U32(std::size_t{offset} + 4);
        return denominator == 0 ? 0.0 : static_cast<double>(numerator) / denominator;
    }

private:
    std::span<const std::uint8_t> data_;
    bool little_;
};

} // namespace

bool ParseExifSegment(std::span<const std::uint8_t> segment, JpegFacts& facts) {
    if (!StartsWith(segment, 4, "Exif\0\0", 6) || segment.size() < 18) {
        return false;
    }
    const std::span<const std::uint8_t> tiff = segment.subspan(10);
    bool little = false;
    if (tiff[0] == 'I' && tiff[1] == 'I' && tiff[2] == 0x2A && tiff[3] == 0) {
        little = true;
    } else if (!(tiff[0] == 'M' && tiff[1] == 'M' && tiff[2] == 0 && tiff[3] == 0x2A)) {
        return false;
    }
    const TiffView view(tiff, little);
    const std::uint32_t ifd = view.U32(4);
    if (!view.Has(ifd, 2)) {
        return false;
    }
    facts.hasExif = true;
    const std::uint32_t count = view.U16(ifd);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint64_t entry = std::uint64_t{ifd} + 2 + std::uint64_t{i} * 12;
        if (!view.Has(entry, 12)) {
            break;
        }
        const auto at = static_cast<std::size_t>(entry);
        const std::uint32_t tag = view.U16(at);
        const std::uint32_t type = view.U16(at + 2);
        const std::uint32_t valueCount = view.U32(at + 4);
        if (valueCount < 1) {
            continue;
        }
        if (type == 3 && (tag == 0x0112 || tag == 0x0128)) {
            const auto value = static_cast<std::int32_t>(view.U16(at + 8));
            (tag == 0x0112 ? facts.exifOrientation : facts.exifResolutionUnit) = value;
        } else if (type == 5 && tag == 0x011A) {
            facts.exifXResolution = view.Rational(at);
        } else if (type == 5 && tag == 0x011B) {
            facts.exifYResolution = view.Rational(at);
        }
    }
    return true;
}

bool ReadJpegFacts(const std::string& path, JpegFacts& facts) {
    const auto source = OpenSource(path);
    if (!source) {
        facts = JpegFacts{};
        return false;
    }
    return WalkJpeg(*source, facts);
}

bool ParseJpegFacts(std::span<const std::uint8_t> fileBytes, JpegFacts& facts) {
    return WalkJpeg(MemorySource(fileBytes), facts);
}

// ---- JPEG 2000 -------------------------------------------------------------------------------
//
// Box: LBox (4, big-endian), TBox (4); LBox 1: an 8-byte XLBox follows and holds the length;
// LBox 0: the box runs to the end of its container. Content follows the header.
// jp2h holds "res " which holds resc (capture) and/or resd (display), ten bytes each:
//   VRN (2), VRD (2), HRN (2), HRD (2), VRE (1, signed), HRE (1, signed).
// Codestream: FF 4F (SOC), then marker segments (FF, code, length (2)); SIZ (FF 51): Csiz at 38.

namespace {

struct BoxRange {
    std::int64_t contentStart = 0;
    std::int64_t end = 0;
    std::array<char, 4> type{};
};

// Calls visit(box) for each box in [start, end) until visit returns false or the boxes stop
// making sense. Each box moves the walk forward by at least its 8-byte header.
template <typename Visit>
void WalkBoxes(const ByteSource& source, std::int64_t start, std::int64_t end, Visit visit) {
    std::int64_t position = start;
    while (end - position >= 8) {
        std::array<std::uint8_t, 16> header{};
        if (!source.Read(position, std::span(header).first(8))) {
            return;
        }
        std::int64_t length = BigEndian32(header, 0);
        std::int64_t headerLength = 8;
        if (length == 1) {
            if (end - position < 16 || !source.Read(position + 8, std::span(header).subspan(8))) {
                return;
            }
            const std::uint64_t extended =
                (std::uint64_t{BigEndian32(header, 8)} << 32) | BigEndian32(header, 12);
            if (extended > static_cast<std::uint64_t>(end - position)) {
                return;
            }
            length = static_cast<std::int64_t>(extended);
            headerLength = 16;
        } else if (length == 0) {
            length = end - position;
        }
        if (length < headerLength || length > end - position) {
            return;
        }
        BoxRange box;
        box.contentStart = position + headerLength;
        box.end = position + length;
        std::memcpy(box.type.data(), header.data() + 4, 4);
        if (!visit(box)) {
            return;
        }
        position = box.end;
    }
}

bool IsType(const BoxRange& box, const char* type) {
    return std::memcmp(box.type.data(), type, 4) == 0;
}

// Finds SIZ in the codestream at [start, end) and takes its component count.
bool ReadCodestreamComponents(const ByteSource& source, std::int64_t start, std::int64_t end,
                              std::int32_t& components) {
    components = 0;
    std::array<std::uint8_t, 4> marker{};
    if (end - start < 2 || !source.Read(start, std::span(marker).first(2)) || marker[0] != 0xFF ||
        marker[1] != 0x4F) {
        return false;
    }
    std::int64_t position = start + 2;
    while (end - position >= 4) {
        if (!source.Read(position, marker) || marker[0] != 0xFF) {
            return false;
        }
        const std::uint8_t code = marker[1];
        if (code == 0x93 || code == 0xD9) {
            return false;
        }
        const std::int64_t length = BigEndian16(marker, 2);
        if (length < 2 || length + 2 > end - position) {
            return false;
        }
        if (code == 0x51) {
            std::array<std::uint8_t, 2> count{};
            if (length < 38 || !source.Read(position + 38, count)) {
                return false;
            }
            components = static_cast<std::int32_t>(BigEndian16(count, 0));
            return true;
        }
        position += length + 2;
    }
    return false;
}

void TakeResolutionBoxes(const ByteSource& source, const BoxRange& res, Jp2Facts& facts) {
    WalkBoxes(source, res.contentStart, res.end, [&](const BoxRange& box) {
        const bool capture = IsType(box, "resc");
        if (!capture && !IsType(box, "resd")) {
            return true;
        }
        std::array<std::uint8_t, 10> content{};
        Jp2ResolutionBox parsed;
        if (box.end - box.contentStart >= 10 && source.Read(box.contentStart, content) &&
            ParseResolutionBox(content, parsed)) {
            (capture ? facts.hasCaptureResolution : facts.hasDisplayResolution) = true;
            (capture ? facts.captureResolution : facts.displayResolution) = parsed;
        }
        return true;
    });
}

bool WalkJp2(const ByteSource& source, Jp2Facts& facts) {
    facts = Jp2Facts{};
    bool found = false;
    WalkBoxes(source, 0, source.Size(), [&](const BoxRange& box) {
        if (IsType(box, "jp2h")) {
            WalkBoxes(source, box.contentStart, box.end, [&](const BoxRange& child) {
                if (IsType(child, "res ")) {
                    TakeResolutionBoxes(source, child, facts);
                }
                return true;
            });
            return true;
        }
        if (IsType(box, "jp2c")) {
            found = ReadCodestreamComponents(source, box.contentStart, box.end, facts.components);
            return false;
        }
        return true;
    });
    return found;
}

} // namespace

bool ParseResolutionBox(std::span<const std::uint8_t> content, Jp2ResolutionBox& box) {
    if (content.size() < 10) {
        return false;
    }
    box.verticalNumerator = static_cast<std::uint16_t>(BigEndian16(content, 0));
    box.verticalDenominator = static_cast<std::uint16_t>(BigEndian16(content, 2));
    box.horizontalNumerator = static_cast<std::uint16_t>(BigEndian16(content, 4));
    box.horizontalDenominator = static_cast<std::uint16_t>(BigEndian16(content, 6));
    box.verticalExponent = static_cast<std::int8_t>(content[8]);
    box.horizontalExponent = static_cast<std::int8_t>(content[9]);
    return true;
}

bool ResolutionBoxToDpi(const Jp2ResolutionBox& box, double& xDpi, double& yDpi) {
    xDpi = 0.0;
    yDpi = 0.0;
    if (box.verticalNumerator == 0 || box.verticalDenominator == 0 ||
        box.horizontalNumerator == 0 || box.horizontalDenominator == 0) {
        return false;
    }
    constexpr double kMetresPerInch = 0.0254;
    xDpi = static_cast<double>(box.horizontalNumerator) / box.horizontalDenominator *
           std::pow(10.0, box.horizontalExponent) * kMetresPerInch;
    yDpi = static_cast<double>(box.verticalNumerator) / box.verticalDenominator *
           std::pow(10.0, box.verticalExponent) * kMetresPerInch;
    return true;
}

bool ReadJp2Facts(const std::string& path, Jp2Facts& facts) {
    const auto source = OpenSource(path);
    if (!source) {
        facts = Jp2Facts{};
        return false;
    }
    return WalkJp2(*source, facts);
}

bool ParseJp2Facts(std::span<const std::uint8_t> fileBytes, Jp2Facts& facts) {
    return WalkJp2(MemorySource(fileBytes), facts);
}

bool ReadJ2kFacts(const std::string& path, J2kFacts& facts) {
    facts = J2kFacts{};
    const auto source = OpenSource(path);
    return source && ReadCodestreamComponents(*source, 0, source->Size(), facts.components);
}

bool ParseJ2kFacts(std::span<const std::uint8_t> fileBytes, J2kFacts& facts) {
    facts = J2kFacts{};
    const MemorySource source(fileBytes);
    return ReadCodestreamComponents(source, 0, source.Size(), facts.components);
}

} // namespace folionix

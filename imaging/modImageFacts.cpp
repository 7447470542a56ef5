#include "imaging/modImageFacts.h"

#include "imaging/HeaderWalk.h"

#include <cmath>
#include <cstring>

namespace folionix {

namespace {

using header_walk::Big16;

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
    if (segment.size() < 18 || std::memcmp(segment.data() + 4, "Exif\0\0", 6) != 0) {
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

bool ParseResolutionBox(std::span<const std::uint8_t> content, Jp2ResolutionBox& box) {
    if (content.size() < 10) {
        return false;
    }
    box.verticalNumerator = static_cast<std::uint16_t>(Big16(content, 0));
    box.verticalDenominator = static_cast<std::uint16_t>(Big16(content, 2));
    box.horizontalNumerator = static_cast<std::uint16_t>(Big16(content, 4));
    box.horizontalDenominator = static_cast<std::uint16_t>(Big16(content, 6));
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

} // namespace folionix

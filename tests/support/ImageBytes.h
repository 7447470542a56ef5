#pragma once

// Image files built byte by byte, so that a test or a fuzz seed states exactly which bytes a
// reader meets: JPEG marker segments, JPEG 2000 codestreams and JP2 boxes. Standard library only:
// the fuzz programs link it too.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace folionix::test {

using Bytes = std::vector<std::uint8_t>;

Bytes Be(std::uint64_t value, int size); // big-endian
void Append(Bytes& to, const Bytes& from);
Bytes Join(std::initializer_list<Bytes> parts);

// --- JPEG ----------------------------------------------------------------------------------------
// A marker segment: FF, code, length field (body + 2 unless given), body.
Bytes JpegSegment(std::uint8_t code, const Bytes& body, int lengthField = -1);
// JFIF APP0, version 1.2, with a 0×0 thumbnail.
Bytes JfifSegment(std::uint8_t units, std::uint32_t xDensity, std::uint32_t yDensity);
Bytes AdobeSegment(std::uint8_t transform);
// A frame header with one entry per component (id, sampling 0x11, table 0).
Bytes FrameSegment(std::uint8_t code, std::uint8_t precision, std::uint32_t width,
                   std::uint32_t height, std::uint8_t components);

// One IFD0 entry of an EXIF block.
struct TiffEntry {
    std::uint16_t tag;
    std::uint16_t type;
    std::uint32_t count;
    std::uint32_t value; // SHORT value, or the offset of a RATIONAL
};
// An EXIF APP1 segment whose TIFF block has IFD0 at offset 8 with the entries, followed by the
// extra words (rationals point into them, from ExifExtraOffset(entries.size()) on).
Bytes ExifSegment(bool littleEndian, const std::vector<TiffEntry>& entries,
                  const std::vector<std::uint32_t>& extraWords = {});
std::uint32_t ExifExtraOffset(std::size_t entryCount);

// SOI, the segments, a start of scan, a little entropy data, and EOI unless left out.
Bytes JpegFile(std::initializer_list<Bytes> segments, bool withEndOfImage = true);
// JFIF (units 1, dpi), SOF0 with 8-bit components, as JpegFile.
Bytes MakeJpeg(std::uint16_t width, std::uint16_t height, std::uint16_t dpi,
               std::uint8_t components = 3);

// --- JPEG 2000 -----------------------------------------------------------------------------------
// A SIZ segment with one tile over the grid; each depth is written as Ssiz = depth − 1, so a
// depth with bit 7 set (0x80 + depth) makes a signed component.
Bytes SizSegment(std::uint32_t width, std::uint32_t height, const std::vector<std::uint8_t>& depths,
                 std::uint32_t xOffset = 0, std::uint32_t yOffset = 0);
// SOC, SIZ, COD, SOD, a few data bytes, EOC.
Bytes Codestream(std::uint32_t width, std::uint32_t height, const std::vector<std::uint8_t>& depths,
                 std::uint32_t xOffset = 0, std::uint32_t yOffset = 0);
Bytes MakeJ2k(std::uint32_t width, std::uint32_t height, std::uint8_t components = 3);

// A box: LBox (8 + content size unless given), TBox, content.
Bytes Box(const std::string& type, const Bytes& content, std::int64_t lbox = -1);
// A box with LBox 1 and the 64-bit XLBox (16 + content size unless given).
Bytes ExtendedBox(const std::string& type, const Bytes& content, std::uint64_t xlbox = 0);
// resc/resd content: numerators, denominators and exponents.
Bytes ResolutionContent(std::uint16_t vrn, std::uint16_t vrd, std::uint16_t hrn, std::uint16_t hrd,
                        std::int8_t vre, std::int8_t hre);
// Signature, file type, "jp2h" with ihdr (64×48, three 8-bit components), colr (sRGB) and the
// extra content, then jp2c(codestream).
Bytes Jp2File(const Bytes& extraJp2hContent, const Bytes& codestream);
Bytes MakeJp2(std::uint32_t width, std::uint32_t height);

} // namespace folionix::test

#pragma once

// Byte builders for JPEG marker segments, JP2 boxes and JPEG 2000 codestream heads, so that a
// test (or a fuzz seed) states exactly which bytes a reader meets. Standard library only: the
// fuzz targets and the seed replay use them too.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace folionix::fixture {

using Bytes = std::vector<std::uint8_t>;

// Big-endian appends.
void Put16(Bytes& to, std::uint32_t value);
void Put32(Bytes& to, std::uint32_t value);
void PutText(Bytes& to, std::string_view text);
Bytes Join(std::initializer_list<Bytes> parts);

// --- JPEG ------------------------------------------------------------------------------------
// A marker without a length field: 0xFF, code (SOI 0xD8, EOI 0xD9).
Bytes JpegMarker(std::uint8_t code);
// A marker segment: 0xFF, code, length field (body + 2), body.
Bytes JpegSegment(std::uint8_t code, const Bytes& body);
// A marker segment whose length field is given as is (may disagree with the body).
Bytes JpegSegmentWithLength(std::uint8_t code, std::uint16_t lengthField, const Bytes& body);
// JFIF APP0 (16 bytes from the 0xFF plus a 0×0 thumbnail): identifier, version 1.2, units,
// densities.
Bytes JfifApp0(std::uint8_t units, std::uint16_t xDensity, std::uint16_t yDensity);
// A frame header with Nf component entries (id, sampling 0x11, table 0).
Bytes FrameHeader(std::uint8_t code, std::uint8_t precision, std::uint16_t width,
                  std::uint16_t height, std::uint8_t components);
// A start of scan with one component, followed by entropy-coded filler and the end of image.
Bytes ScanAndEnd(std::size_t entropyBytes = 16);

// SOI, JFIF (units, densities), SOF0, SOS, entropy bytes, EOI.
Bytes SimpleJpeg(std::uint16_t width, std::uint16_t height, std::uint8_t precision,
                 std::uint8_t components, std::uint8_t units = 1, std::uint16_t xDensity = 72,
                 std::uint16_t yDensity = 72);

// --- JPEG 2000 codestream ----------------------------------------------------------------------
// One marker segment: 0xFF, code, Lsiz-style length (body + 2), body.
Bytes J2kSegment(std::uint8_t code, const Bytes& body);
// A SIZ segment: Rsiz 0, Xsiz/Ysiz, offsets, one tile covering the grid, the Ssiz bytes
// (depth − 1, bit 7 for signed) with sub-sampling 1×1.
Bytes SizSegment(std::uint32_t xsiz, std::uint32_t ysiz, const std::vector<std::uint8_t>& ssiz,
                 std::uint32_t xosiz = 0, std::uint32_t yosiz = 0);
// SOC, SIZ, COD, QCD, SOT, SOD, a few data bytes, EOC.
Bytes Codestream(std::uint32_t xsiz, std::uint32_t ysiz, const std::vector<std::uint8_t>& ssiz,
                 std::uint32_t xosiz = 0, std::uint32_t yosiz = 0);

// --- JP2 boxes ---------------------------------------------------------------------------------
// A box: LBox = 8 + content size, TBox, content.
Bytes Jp2Box(std::string_view type, const Bytes& content);
// A box whose LBox is given as is (0, 1, negative, wrong).
Bytes Jp2BoxWithLength(std::uint32_t lbox, std::string_view type, const Bytes& content);
// A box with LBox 1 and the 64-bit XLBox = 16 + content size (or as given).
Bytes Jp2ExtendedBox(std::string_view type, const Bytes& content, std::uint64_t xlbox = 0);
Bytes Jp2SignatureBox();
Bytes Jp2FileTypeBox();
// "jp2h" with "ihdr", "colr" and a "res " box holding a capture resolution (resc).
Bytes Jp2HeaderBox(std::uint32_t width, std::uint32_t height, std::uint16_t components,
                   std::uint8_t bitsMinusOne);
// Signature, file type, header, jp2c(codestream).
Bytes SimpleJp2(const Bytes& codestream);

// --- Fuzz seeds ------------------------------------------------------------------------------
// Small valid and near-valid inputs for each reader, named.
std::vector<std::pair<std::string, Bytes>> JpegSeeds();
std::vector<std::pair<std::string, Bytes>> Jp2Seeds();
std::vector<std::pair<std::string, Bytes>> J2kSeeds();

} // namespace folionix::fixture

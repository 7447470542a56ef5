#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace folionix::test {

// The smallest files the header readers accept, built byte by byte: enough markers and boxes to
// be read, no image data behind them.

inline void AppendBigEndian(std::vector<std::uint8_t>& bytes, std::uint32_t value, int size) {
    for (int shift = (size - 1) * 8; shift >= 0; shift -= 8) {
        bytes.push_back(static_cast<std::uint8_t>((value >> shift) & 0xFFu));
    }
}

// SOI, JFIF APP0 (dots per inch), SOF0 with three 8-bit components, SOS, EOI.
inline std::vector<std::uint8_t> MakeJpeg(std::uint16_t width, std::uint16_t height,
                                          std::uint16_t dpi) {
    std::vector<std::uint8_t> bytes = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J',
                                       'F',  'I',  'F',  0x00, 0x01, 0x02, /*units*/ 0x01};
    AppendBigEndian(bytes, dpi, 2);
    AppendBigEndian(bytes, dpi, 2);
    bytes.insert(bytes.end(), {0x00, 0x00, 0xFF, 0xC0, 0x00, 0x11, /*precision*/ 0x08});
    AppendBigEndian(bytes, height, 2);
    AppendBigEndian(bytes, width, 2);
    bytes.insert(bytes.end(), {0x03, 0x01, 0x22, 0x00, 0x02, 0x11, 0x01, 0x03, 0x11, 0x01});
    bytes.insert(bytes.end(), {0xFF, 0xDA, 0x00, 0x0C, 0x03, 0x01, 0x00, 0x02, 0x11, 0x03, 0x11,
                               0x00, 0x3F, 0x00, 0x12, 0x34, 0xFF, 0xD9});
    return bytes;
}

// SOC, SIZ with three unsigned 8-bit components, EOC.
inline std::vector<std::uint8_t> MakeJ2k(std::uint32_t width, std::uint32_t height) {
    std::vector<std::uint8_t> bytes = {0xFF, 0x4F, 0xFF, 0x51};
    AppendBigEndian(bytes, 38 + 3 * 3, 2);
    AppendBigEndian(bytes, 0, 2);
    AppendBigEndian(bytes, width, 4);
    AppendBigEndian(bytes, height, 4);
    AppendBigEndian(bytes, 0, 4);
    AppendBigEndian(bytes, 0, 4);
    AppendBigEndian(bytes, width, 4);
    AppendBigEndian(bytes, height, 4);
    AppendBigEndian(bytes, 0, 4);
    AppendBigEndian(bytes, 0, 4);
    AppendBigEndian(bytes, 3, 2);
    for (int component = 0; component < 3; ++component) {
        bytes.insert(bytes.end(), {0x07, 0x01, 0x01});
    }
    bytes.insert(bytes.end(), {0xFF, 0xD9});
    return bytes;
}

// Signature box, file type box, and the codestream in a "jp2c" box.
inline std::vector<std::uint8_t> MakeJp2(std::uint32_t width, std::uint32_t height) {
    std::vector<std::uint8_t> bytes = {
        0x00, 0x00, 0x00, 0x0C, 'j', 'P', ' ', ' ', 0x0D, 0x0A, 0x87, 0x0A, 0x00, 0x00, 0x00, 0x14,
        'f',  't',  'y',  'p',  'j', 'p', '2', ' ', 0x00, 0x00, 0x00, 0x00, 'j',  'p',  '2',  ' '};
    const std::vector<std::uint8_t> codestream = MakeJ2k(width, height);
    AppendBigEndian(bytes, static_cast<std::uint32_t>(8 + codestream.size()), 4);
    bytes.insert(bytes.end(), {'j', 'p', '2', 'c'});
    bytes.insert(bytes.end(), codestream.begin(), codestream.end());
    return bytes;
}

} // namespace folionix::test

#pragma once

// Builders for JPEG marker segments, JPEG 2000 boxes and codestream heads, so that the tests can
// state exactly which bytes a reader meets.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace folionix::test {

using Bytes = std::vector<std::uint8_t>;

inline void Append(Bytes& to, const Bytes& from) {
    to.insert(to.end(), from.begin(), from.end());
}

inline void AppendText(Bytes& to, const std::string& text) {
    to.insert(to.end(), text.begin(), text.end());
}

inline void Append16(Bytes& to, std::uint32_t value) {
    to.push_back(static_cast<std::uint8_t>(value >> 8));
    to.push_back(static_cast<std::uint8_t>(value));
}

inline void Append32(Bytes& to, std::uint32_t value) {
    Append16(to, value >> 16);
    Append16(to, value & 0xFFFF);
}

// A marker segment: FF, code, length (body + 2), body.
inline Bytes JpegSegment(std::uint8_t code, const Bytes& body) {
    Bytes out{0xFF, code};
    Append16(out, static_cast<std::uint32_t>(body.size() + 2));
    Append(out, body);
    return out;
}

inline Bytes JfifSegment(std::uint8_t units, std::uint32_t xDensity, std::uint32_t yDensity) {
    Bytes body;
    AppendText(body, std::string("JFIF\0", 5));
    body.push_back(1);
    body.push_back(2);
    body.push_back(units);
    Append16(body, xDensity);
    Append16(body, yDensity);
    body.push_back(0);
    body.push_back(0);
    return JpegSegment(0xE0, body);
}

inline Bytes AdobeSegment(std::uint8_t transform) {
    Bytes body;
    AppendText(body, "Adobe");
    Append16(body, 100);
    Append16(body, 0);
    Append16(body, 0);
    body.push_back(transform);
    return JpegSegment(0xEE, body);
}

inline Bytes FrameSegment(std::uint8_t code, std::uint8_t precision, std::uint32_t width,
                          std::uint32_t height, std::uint8_t components) {
    Bytes body{precision};
    Append16(body, height);
    Append16(body, width);
    body.push_back(components);
    for (std::uint8_t c = 0; c < components; ++c) {
        body.push_back(static_cast<std::uint8_t>(c + 1));
        body.push_back(0x11);
        body.push_back(0);
    }
    return JpegSegment(code, body);
}

// One IFD0 entry of an EXIF block.
struct TiffEntry {
    std::uint16_t tag;
    std::uint16_t type;
    std::uint32_t count;
    std::uint32_t value; // SHORT value, or the offset of a RATIONAL
};

// An EXIF APP1 segment whose TIFF block has IFD0 at offset 8, holding the entries, followed by
// the extra bytes (rationals point into them: their offsets start at 8 + 2 + 12·n + 4).
inline Bytes ExifSegment(bool littleEndian, const std::vector<TiffEntry>& entries,
                         const std::vector<std::uint32_t>& extraWords = {}) {
    Bytes tiff;
    auto put16 = [&](std::uint32_t v) {
        if (littleEndian) {
            tiff.push_back(static_cast<std::uint8_t>(v));
            tiff.push_back(static_cast<std::uint8_t>(v >> 8));
        } else {
            Append16(tiff, v);
        }
    };
    auto put32 = [&](std::uint32_t v) {
        if (littleEndian) {
            put16(v & 0xFFFF);
            put16(v >> 16);
        } else {
            put16(v >> 16);
            put16(v & 0xFFFF);
        }
    };
    AppendText(tiff, littleEndian ? "II" : "MM");
    put16(0x2A);
    put32(8);
    put16(static_cast<std::uint32_t>(entries.size()));
    for (const TiffEntry& e : entries) {
        put16(e.tag);
        put16(e.type);
        put32(e.count);
        if (e.type == 3) {
            put16(e.value);
            put16(0);
        } else {
            put32(e.value);
        }
    }
    put32(0); // no next IFD
    for (std::uint32_t word : extraWords) {
        put32(word);
    }
    Bytes body;
    AppendText(body, std::string("Exif\0\0", 6));
    Append(body, tiff);
    return JpegSegment(0xE1, body);
}

// Offset (in the TIFF block) of the first extra word after n entries.
inline std::uint32_t ExifExtraOffset(std::size_t entryCount) {
    return static_cast<std::uint32_t>(8 + 2 + 12 * entryCount + 4);
}

// SOI, the segments, a start of scan, a little entropy data, and EOI unless truncated.
inline Bytes JpegFile(std::initializer_list<Bytes> segments, bool withEndOfImage = true) {
    Bytes out{0xFF, 0xD8};
    for (const Bytes& s : segments) {
        Append(out, s);
    }
    Append(out, JpegSegment(0xDA, Bytes{1, 1, 0, 0, 0x3F, 0}));
    Append(out, Bytes{0x12, 0x34, 0xFF, 0x00, 0x56});
    if (withEndOfImage) {
        Append(out, Bytes{0xFF, 0xD9});
    }
    return out;
}

// A JPEG 2000 box: LBox, TBox, content.
inline Bytes Box(const std::string& type, const Bytes& content) {
    Bytes out;
    Append32(out, static_cast<std::uint32_t>(content.size() + 8));
    AppendText(out, type);
    Append(out, content);
    return out;
}

inline Bytes ResolutionContent(std::uint16_t vrn, std::uint16_t vrd, std::uint16_t hrn,
                               std::uint16_t hrd, std::int8_t vre, std::int8_t hre) {
    Bytes out;
    Append16(out, vrn);
    Append16(out, vrd);
    Append16(out, hrn);
    Append16(out, hrd);
    out.push_back(static_cast<std::uint8_t>(vre));
    out.push_back(static_cast<std::uint8_t>(hre));
    return out;
}

// SOC, SIZ for the component depths, a COD-like filler segment, SOD, a few bytes, EOC.
inline Bytes Codestream(std::uint32_t width, std::uint32_t height,
                        const std::vector<std::uint8_t>& depths) {
    Bytes out{0xFF, 0x4F, 0xFF, 0x51};
    Bytes siz;
    Append16(siz, 0); // Rsiz
    Append32(siz, width);
    Append32(siz, height);
    for (int i = 0; i < 2; ++i) {
        Append32(siz, 0); // XOsiz, YOsiz
    }
    Append32(siz, width);
    Append32(siz, height);
    Append32(siz, 0);
    Append32(siz, 0);
    Append16(siz, static_cast<std::uint32_t>(depths.size()));
    for (std::uint8_t depth : depths) {
        siz.push_back(static_cast<std::uint8_t>(depth - 1));
        siz.push_back(1);
        siz.push_back(1);
    }
    Append16(out, static_cast<std::uint32_t>(siz.size() + 2));
    Append(out, siz);
    Append(out, Bytes{0xFF, 0x52, 0x00, 0x04, 0x00, 0x00});
    Append(out, Bytes{0xFF, 0x93, 0x01, 0x02, 0x03, 0xFF, 0xD9});
    return out;
}

inline Bytes Jp2Header(const Bytes& extraJp2hContent) {
    Bytes ihdr;
    Append32(ihdr, 48);
    Append32(ihdr, 64);
    Append16(ihdr, 3);
    Append(ihdr, Bytes{7, 7, 0, 0});
    Bytes colr{1, 0, 0};
    Append32(colr, 16);
    Bytes content = Box("ihdr", ihdr);
    Append(content, Box("colr", colr));
    Append(content, extraJp2hContent);
    return Box("jp2h", content);
}

inline Bytes Jp2File(const Bytes& extraJp2hContent, const Bytes& codestream) {
    Bytes out = Box("jP  ", Bytes{0x0D, 0x0A, 0x87, 0x0A});
    Bytes ftyp;
    AppendText(ftyp, "jp2 ");
    Append32(ftyp, 0);
    AppendText(ftyp, "jp2 ");
    Append(out, Box("ftyp", ftyp));
    Append(out, Jp2Header(extraJp2hContent));
    Append(out, Box("jp2c", codestream));
    return out;
}

} // namespace folionix::test

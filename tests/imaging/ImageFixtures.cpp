#include "ImageFixtures.h"

namespace folionix::fixture {

void Put16(Bytes& to, std::uint32_t value) {
    to.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
    to.push_back(static_cast<std::uint8_t>(value & 0xFF));
}

void Put32(Bytes& to, std::uint32_t value) {
    Put16(to, value >> 16);
    Put16(to, value & 0xFFFF);
}

void PutText(Bytes& to, std::string_view text) {
    to.insert(to.end(), text.begin(), text.end());
}

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) {
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

Bytes JpegMarker(std::uint8_t code) {
    return Bytes{0xFF, code};
}

Bytes JpegSegment(std::uint8_t code, const Bytes& body) {
    return JpegSegmentWithLength(code, static_cast<std::uint16_t>(body.size() + 2), body);
}

Bytes JpegSegmentWithLength(std::uint8_t code, std::uint16_t lengthField, const Bytes& body) {
    Bytes out{0xFF, code};
    Put16(out, lengthField);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

Bytes JfifApp0(std::uint8_t units, std::uint16_t xDensity, std::uint16_t yDensity) {
    Bytes body;
    PutText(body, std::string_view("JFIF\0", 5));
    body.push_back(1);
    body.push_back(2);
    body.push_back(units);
    Put16(body, xDensity);
    Put16(body, yDensity);
    body.push_back(0);
    body.push_back(0);
    return JpegSegment(0xE0, body);
}

Bytes FrameHeader(std::uint8_t code, std::uint8_t precision, std::uint16_t width,
                  std::uint16_t height, std::uint8_t components) {
    Bytes body{precision};
    Put16(body, height);
    Put16(body, width);
    body.push_back(components);
    for (unsigned c = 0; c < components; ++c) {
        body.push_back(static_cast<std::uint8_t>(c + 1));
        body.push_back(0x11);
        body.push_back(0);
    }
    return JpegSegment(code, body);
}

Bytes ScanAndEnd(std::size_t entropyBytes) {
    Bytes out = JpegSegment(0xDA, Bytes{1, 1, 0, 0, 63, 0});
    for (std::size_t i = 0; i < entropyBytes; ++i) {
        out.push_back(static_cast<std::uint8_t>(0x5A + i));
    }
    out.push_back(0xFF);
    out.push_back(0xD9);
    return out;
}

Bytes SimpleJpeg(std::uint16_t width, std::uint16_t height, std::uint8_t precision,
                 std::uint8_t components, std::uint8_t units, std::uint16_t xDensity,
                 std::uint16_t yDensity) {
    Bytes quantisation{0};
    quantisation.resize(65, 1);
    return Join({JpegMarker(0xD8), JfifApp0(units, xDensity, yDensity),
                 JpegSegment(0xDB, quantisation),
                 FrameHeader(0xC0, precision, width, height, components), ScanAndEnd()});
}

Bytes J2kSegment(std::uint8_t code, const Bytes& body) {
    Bytes out{0xFF, code};
    Put16(out, static_cast<std::uint32_t>(body.size() + 2));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

Bytes SizSegment(std::uint32_t xsiz, std::uint32_t ysiz, const std::vector<std::uint8_t>& ssiz,
                 std::uint32_t xosiz, std::uint32_t yosiz) {
    Bytes body;
    Put16(body, 0); // Rsiz
    Put32(body, xsiz);
    Put32(body, ysiz);
    Put32(body, xosiz);
    Put32(body, yosiz);
    Put32(body, xsiz); // XTsiz: one tile
    Put32(body, ysiz);
    Put32(body, 0); // XTOsiz
    Put32(body, 0);
    Put16(body, static_cast<std::uint32_t>(ssiz.size()));
    for (const std::uint8_t depth : ssiz) {
        body.push_back(depth);
        body.push_back(1);
        body.push_back(1);
    }
    return J2kSegment(0x51, body);
}

Bytes Codestream(std::uint32_t xsiz, std::uint32_t ysiz, const std::vector<std::uint8_t>& ssiz,
                 std::uint32_t xosiz, std::uint32_t yosiz) {
    const Bytes cod = J2kSegment(0x52, Bytes{0, 0, 0, 1, 0, 5, 4, 4, 0, 0});
    const Bytes qcd = J2kSegment(0x5C, Bytes{0x40, 0x48, 0x50});
    Bytes sot = J2kSegment(0x90, Bytes{0, 0, 0, 0, 0, 0x28, 0, 1});
    return Join({Bytes{0xFF, 0x4F}, SizSegment(xsiz, ysiz, ssiz, xosiz, yosiz), cod, qcd, sot,
                 Bytes{0xFF, 0x93, 0x12, 0x34, 0x56, 0x78, 0xFF, 0xD9}});
}

Bytes Jp2Box(std::string_view type, const Bytes& content) {
    return Jp2BoxWithLength(static_cast<std::uint32_t>(content.size() + 8), type, content);
}

Bytes Jp2BoxWithLength(std::uint32_t lbox, std::string_view type, const Bytes& content) {
    Bytes out;
    Put32(out, lbox);
    PutText(out, type);
    out.insert(out.end(), content.begin(), content.end());
    return out;
}

Bytes Jp2ExtendedBox(std::string_view type, const Bytes& content, std::uint64_t xlbox) {
    if (xlbox == 0) {
        xlbox = content.size() + 16;
    }
    Bytes out;
    Put32(out, 1);
    PutText(out, type);
    Put32(out, static_cast<std::uint32_t>(xlbox >> 32));
    Put32(out, static_cast<std::uint32_t>(xlbox & 0xFFFFFFFFu));
    out.insert(out.end(), content.begin(), content.end());
    return out;
}

Bytes Jp2SignatureBox() {
    return Jp2Box("jP  ", Bytes{0x0D, 0x0A, 0x87, 0x0A});
}

Bytes Jp2FileTypeBox() {
    Bytes content;
    PutText(content, "jp2 ");
    Put32(content, 0);
    PutText(content, "jp2 ");
    return Jp2Box("ftyp", content);
}

Bytes Jp2HeaderBox(std::uint32_t width, std::uint32_t height, std::uint16_t components,
                   std::uint8_t bitsMinusOne) {
    Bytes ihdr;
    Put32(ihdr, height);
    Put32(ihdr, width);
    Put16(ihdr, components);
    ihdr.push_back(bitsMinusOne);
    ihdr.push_back(7); // compression type
    ihdr.push_back(0);
    ihdr.push_back(0);
    Bytes colr{1, 0, 0};
    Put32(colr, components >= 3 ? 16 : 17); // sRGB or greyscale
    // 300 dpi is 11811 pixels per metre: 11811 / 1 × 10^0.
    Bytes resc;
    Put16(resc, 11811);
    Put16(resc, 1);
    Put16(resc, 11811);
    Put16(resc, 1);
    resc.push_back(0);
    resc.push_back(0);
    const Bytes res = Jp2Box("res ", Jp2Box("resc", resc));
    return Jp2Box("jp2h", Join({Jp2Box("ihdr", ihdr), Jp2Box("colr", colr), res}));
}

Bytes SimpleJp2(const Bytes& codestream) {
    return Join({Jp2SignatureBox(), Jp2FileTypeBox(), Jp2HeaderBox(64, 48, 3, 7),
                 Jp2Box("jp2c", codestream)});
}

std::vector<std::pair<std::string, Bytes>> JpegSeeds() {
    Bytes app1;
    PutText(app1, std::string_view("Exif\0\0MM", 8));
    return {
        {"baseline", SimpleJpeg(64, 48, 8, 3, 1, 300, 300)},
        {"grey-dpcm", SimpleJpeg(17, 5, 8, 1, 2, 118, 118)},
        {"progressive-cmyk",
         Join({JpegMarker(0xD8), JpegSegment(0xEE, Bytes{'A', 'd', 'o', 'b', 'e', 0, 100}),
               FrameHeader(0xC2, 8, 33, 9, 4), ScanAndEnd(4)})},
        {"twelve-bit-app1", Join({JpegMarker(0xD8), JpegSegment(0xE1, app1),
                                  FrameHeader(0xC1, 12, 640, 480, 3), ScanAndEnd(4)})},
        {"two-app0", Join({JpegMarker(0xD8), JpegSegment(0xE0, Bytes{'A', 'V', 'I', '1', 0}),
                           JfifApp0(0, 0, 0), JfifApp0(1, 96, 96), JpegMarker(0xD9)})},
        {"truncated", Join({JpegMarker(0xD8), JfifApp0(1, 72, 72), Bytes{0xFF, 0xC0, 0x00}})},
    };
}

std::vector<std::pair<std::string, Bytes>> J2kSeeds() {
    return {
        {"rgb8", Codestream(640, 480, {7, 7, 7})},
        {"grey16", Codestream(5, 3, {15})},
        {"mixed-signed", Codestream(650, 10, {7, 7, 7, 0, 0x8B}, 10, 0)},
        {"no-siz",
         Join({Bytes{0xFF, 0x4F}, J2kSegment(0x64, Bytes{0, 1, 'x'}), Bytes{0xFF, 0x93}})},
    };
}

std::vector<std::pair<std::string, Bytes>> Jp2Seeds() {
    return {
        {"simple", SimpleJp2(Codestream(64, 48, {7, 7, 7}))},
        {"extra-boxes",
         Join({Jp2SignatureBox(), Jp2FileTypeBox(), Jp2Box("xml ", Bytes{'<', 'a', '/', '>'}),
               Jp2ExtendedBox("uuid", Bytes(16, 0xAB)), Jp2Box("JP2C", Bytes{1, 2, 3}),
               Jp2Box("jp2c", Codestream(3, 2, {11}))})},
        {"jp2c-to-end",
         Join({Jp2SignatureBox(), Jp2BoxWithLength(0, "jp2c", Codestream(7, 7, {7}))})},
    };
}

} // namespace folionix::fixture

#include "support/ImageBytes.h"

namespace folionix::test {

void Append(Bytes& to, const Bytes& from) {
    to.insert(to.end(), from.begin(), from.end());
}

Bytes Be(std::uint64_t value, int size) {
    Bytes out;
    for (int shift = 8 * (size - 1); shift >= 0; shift -= 8) {
        out.push_back(static_cast<std::uint8_t>((value >> shift) & 0xFF));
    }
    return out;
}

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) {
        Append(out, part);
    }
    return out;
}

Bytes JpegSegment(std::uint8_t code, const Bytes& body, int lengthField) {
    return Join(
        {{0xFF, code}, Be(lengthField < 0 ? body.size() + 2 : std::size_t(lengthField), 2), body});
}

Bytes JfifSegment(std::uint8_t units, std::uint32_t xDensity, std::uint32_t yDensity) {
    const Bytes id{'J', 'F', 'I', 'F', 0, 1, 2, units};
    return JpegSegment(0xE0, Join({id, Be(xDensity, 2), Be(yDensity, 2), {0, 0}}));
}

Bytes AdobeSegment(std::uint8_t transform) {
    return JpegSegment(0xEE, Bytes{'A', 'd', 'o', 'b', 'e', 0, 100, 0, 0, 0, 0, transform});
}

Bytes FrameSegment(std::uint8_t code, std::uint8_t precision, std::uint32_t width,
                   std::uint32_t height, std::uint8_t components) {
    Bytes body = Join({{precision}, Be(height, 2), Be(width, 2), {components}});
    for (std::uint8_t c = 1; c <= components && c != 0; ++c) {
        Append(body, {c, 0x11, 0});
    }
    return JpegSegment(code, body);
}

Bytes ExifSegment(bool littleEndian, const std::vector<TiffEntry>& entries,
                  const std::vector<std::uint32_t>& extraWords) {
    Bytes body{'E', 'x', 'i', 'f', 0, 0};
    auto put = [&](std::uint32_t value, int size) {
        const Bytes field = Be(value, size);
        Append(body, littleEndian ? Bytes(field.rbegin(), field.rend()) : field);
    };
    // The TIFF header: byte order, 42, IFD0 at offset 8.
    Append(body, littleEndian ? Bytes{'I', 'I', 0x2A, 0, 8, 0, 0, 0}
                              : Bytes{'M', 'M', 0, 0x2A, 0, 0, 0, 8});
    put(static_cast<std::uint32_t>(entries.size()), 2);
    for (const TiffEntry& e : entries) {
        put(e.tag, 2);
        put(e.type, 2);
        put(e.count, 4);
        // A SHORT value sits in the first two bytes of the four-byte field.
        put(e.type == 3 && !littleEndian ? e.value << 16 : e.value, 4);
    }
    put(0, 4); // no next IFD
    for (const std::uint32_t word : extraWords) {
        put(word, 4);
    }
    return JpegSegment(0xE1, body);
}

std::uint32_t ExifExtraOffset(std::size_t entryCount) {
    return static_cast<std::uint32_t>(8 + 2 + 12 * entryCount + 4);
}

Bytes JpegFile(std::initializer_list<Bytes> segments, bool withEndOfImage) {
    const Bytes scan = JpegSegment(0xDA, Bytes{1, 1, 0, 0, 0x3F, 0});
    Bytes out = Join({{0xFF, 0xD8}, Join(segments), scan, {0x12, 0x34, 0xFF, 0x00, 0x56}});
    if (withEndOfImage) {
        Append(out, {0xFF, 0xD9});
    }
    return out;
}

Bytes MakeJpeg(std::uint16_t width, std::uint16_t height, std::uint16_t dpi,
               std::uint8_t components) {
    return JpegFile({JfifSegment(1, dpi, dpi), FrameSegment(0xC0, 8, width, height, components)});
}

Bytes SizSegment(std::uint32_t width, std::uint32_t height, const std::vector<std::uint8_t>& depths,
                 std::uint32_t xOffset, std::uint32_t yOffset) {
    // Rsiz, the grid, its offset, one tile over it, the tile offset, the components.
    Bytes body = Join({Be(0, 2), Be(width, 4), Be(height, 4), Be(xOffset, 4), Be(yOffset, 4),
                       Be(width, 4), Be(height, 4), Be(0, 8), Be(depths.size(), 2)});
    for (const std::uint8_t depth : depths) {
        Append(body, {static_cast<std::uint8_t>(depth - 1), 1, 1});
    }
    return Join({{0xFF, 0x51}, Be(body.size() + 2, 2), body});
}

Bytes Codestream(std::uint32_t width, std::uint32_t height, const std::vector<std::uint8_t>& depths,
                 std::uint32_t xOffset, std::uint32_t yOffset) {
    return Join({{0xFF, 0x4F},
                 SizSegment(width, height, depths, xOffset, yOffset),
                 {0xFF, 0x52, 0, 4, 0, 0},
                 {0xFF, 0x93, 0x12, 0x34, 0x56, 0xFF, 0xD9}});
}

Bytes MakeJ2k(std::uint32_t width, std::uint32_t height, std::uint8_t components) {
    return Codestream(width, height, Bytes(components, 8));
}

Bytes Box(const std::string& type, const Bytes& content, std::int64_t lbox) {
    const Bytes tbox(type.begin(), type.end());
    return Join({Be(lbox < 0 ? content.size() + 8 : std::uint64_t(lbox), 4), tbox, content});
}

Bytes ExtendedBox(const std::string& type, const Bytes& content, std::uint64_t xlbox) {
    return Join({Box(type, {}, 1), Be(xlbox == 0 ? content.size() + 16 : xlbox, 8), content});
}

Bytes ResolutionContent(std::uint16_t vrn, std::uint16_t vrd, std::uint16_t hrn, std::uint16_t hrd,
                        std::int8_t vre, std::int8_t hre) {
    return Join({Be(vrn, 2), Be(vrd, 2), Be(hrn, 2), Be(hrd, 2), Be(std::uint8_t(vre), 1),
                 Be(std::uint8_t(hre), 1)});
}

Bytes Jp2File(const Bytes& extraJp2hContent, const Bytes& codestream) {
    const Bytes ihdr{0, 0, 0, 48, 0, 0, 0, 64, 0, 3, 7, 7, 0, 0};
    return Join({Box("jP  ", {0x0D, 0x0A, 0x87, 0x0A}),
                 Box("ftyp", {'j', 'p', '2', ' ', 0, 0, 0, 0, 'j', 'p', '2', ' '}),
                 Box("jp2h", Join({Box("ihdr", ihdr), Box("colr", {1, 0, 0, 0, 0, 0, 16}),
                                   extraJp2hContent})),
                 Box("jp2c", codestream)});
}

Bytes MakeJp2(std::uint32_t width, std::uint32_t height) {
    return Jp2File({}, MakeJ2k(width, height));
}
} // namespace folionix::test

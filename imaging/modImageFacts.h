#pragma once

// Facts about an image file beyond the six of ImageInfo: what a strictly valid PDF needs to know
// to declare the colour space, decode range and resolution of an embedded image, and how a
// camera wanted the picture turned. ReadImageHeader (ImageHeader.h) gathers them on the same
// walk that gives ImageInfo; nothing is decoded (a JPEG walk also looks at the file's last two
// bytes). A fact whose bytes are malformed stays at its default; the walk's result is the
// standard reader's all the same.

#include <cstdint>
#include <span>

namespace folionix {

// The JPEG frame types (the byte after 0xFF of the SOFn marker).
inline constexpr std::uint8_t kJpegBaseline = 0xC0;
inline constexpr std::uint8_t kJpegExtended = 0xC1;
inline constexpr std::uint8_t kJpegProgressive = 0xC2;

// The thirteen start-of-frame markers: 0xC0..0xCF without DHT (0xC4), JPG (0xC8) and DAC (0xCC),
// which share the range but carry no frame header.
constexpr bool IsFrameMarker(std::uint8_t code) {
    return code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC;
}

// What the head of a JPEG file says about itself.
struct JpegFacts {
    // Frame header: the last one before the first start of scan, as GetJpegInfo takes it.
    bool hasFrame = false;
    std::uint8_t frameMarker = 0; // 0xC0..0xCF without 0xC4, 0xC8, 0xCC
    std::int32_t precision = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t components = 0;
    // A DHP segment (0xFFDE) came before the first scan: a hierarchical file.
    bool hierarchical = false;

    // Adobe APP14 ("Adobe" identifier). The transform byte is -1 when the segment is too short
    // to hold it.
    bool hasAdobe = false;
    std::int32_t adobeTransform = -1;

    // JFIF APP0: like GetJpegInfo, a segment whose densities are both 0 lets a later JFIF
    // segment speak instead.
    bool hasJfif = false;
    std::int32_t jfifUnits = 0;
    std::int32_t jfifXDensity = 0;
    std::int32_t jfifYDensity = 0;

    // EXIF APP1 ("Exif\0\0", then a TIFF header), IFD0 only; the first EXIF segment counts.
    // Orientation is 0 when absent. Resolutions are the rationals as written (0 when absent or
    // with a zero denominator); the unit is 2 (inch) when the tag is absent, as TIFF defines.
    bool hasExif = false;
    std::int32_t exifOrientation = 0;
    double exifXResolution = 0.0;
    double exifYResolution = 0.0;
    std::int32_t exifResolutionUnit = 2;

    // The last two bytes of the file (of four or more) are 0xFF 0xD9 (end of image). False for
    // a truncated file.
    bool endsWithEndOfImage = false;

    friend bool operator==(const JpegFacts&, const JpegFacts&) = default;
};

// One JP2 resolution box (resc or resd): vertical and horizontal resolution in pixels per metre,
// each numerator / denominator × 10^exponent.
struct Jp2ResolutionBox {
    std::uint16_t verticalNumerator = 0;
    std::uint16_t verticalDenominator = 0;
    std::uint16_t horizontalNumerator = 0;
    std::uint16_t horizontalDenominator = 0;
    std::int8_t verticalExponent = 0;
    std::int8_t horizontalExponent = 0;

    friend bool operator==(const Jp2ResolutionBox&, const Jp2ResolutionBox&) = default;
};

// What a JP2 file's header boxes and codestream say beyond ImageInfo.
struct Jp2Facts {
    // resc (capture) and resd (display), found inside the "res " superbox of jp2h.
    bool hasCaptureResolution = false;
    Jp2ResolutionBox captureResolution;
    bool hasDisplayResolution = false;
    Jp2ResolutionBox displayResolution;
    // Csiz of the codestream's SIZ segment (0 when none was read).
    std::int32_t components = 0;
    // The first colour box (colr) inside jp2h: its method (1 enumerated, 2 or 3
    // an ICC profile; 0 when there is no colr box) and, for method 1, the enumerated colour
    // space (16 sRGB, 17 greyscale, 18 sYCC, ...).
    std::int32_t colourMethod = 0;
    std::uint32_t enumeratedColourSpace = 0;

    friend bool operator==(const Jp2Facts&, const Jp2Facts&) = default;
};

// What a raw JPEG 2000 codestream says beyond ImageInfo.
struct J2kFacts {
    std::int32_t components = 0; // Csiz of the SIZ segment
    // Xsiz, Ysiz, XOsiz and YOsiz of the SIZ segment as unsigned numbers: the image area is
    // (gridWidth - xOffset) by (gridHeight - yOffset).
    std::uint32_t gridWidth = 0;
    std::uint32_t gridHeight = 0;
    std::uint32_t xOffset = 0;
    std::uint32_t yOffset = 0;

    friend bool operator==(const J2kFacts&, const J2kFacts&) = default;
};

// An EXIF APP1 segment held from its 0xFF byte. False when the identifier is not "Exif\0\0" or
// the TIFF header or IFD0 is malformed; tags whose values lie outside the segment are ignored.
bool ParseExifSegment(std::span<const std::uint8_t> segment, JpegFacts& facts);

// The ten bytes of a resc or resd box's content. False when fewer than ten.
bool ParseResolutionBox(std::span<const std::uint8_t> content, Jp2ResolutionBox& box);

// A resolution box in dots per inch (pixels per metre × 0.0254). False, with both 0, when a
// denominator or a numerator is 0.
bool ResolutionBoxToDpi(const Jp2ResolutionBox& box, double& xDpi, double& yDpi);

} // namespace folionix

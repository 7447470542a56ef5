#include "Seeds.h"

namespace folionix::fuzz {

using namespace test;

Seeds JpegSeeds() {
    return {
        {"baseline", MakeJpeg(64, 48, 300)},
        {"grey-dpcm", JpegFile({JfifSegment(2, 118, 118), FrameSegment(0xC3, 8, 17, 5, 1)})},
        {"progressive-cmyk", JpegFile({AdobeSegment(2), FrameSegment(0xC2, 8, 33, 9, 4)})},
        {"exif-twelve-bit",
         JpegFile({ExifSegment(false, {{0x0112, 3, 1, 6}, {0x011A, 5, 1, 38}}, {300, 1}),
                   FrameSegment(0xC1, 12, 640, 480, 3)})},
        {"two-app0", JpegFile({JpegSegment(0xE0, {'A', 'V', 'I', '1', 0}), JfifSegment(0, 0, 0),
                               JfifSegment(1, 96, 96)})},
        {"truncated", Join({{0xFF, 0xD8}, JfifSegment(1, 72, 72), {0xFF, 0xC0, 0x00}})},
    };
}

Seeds J2kSeeds() {
    return {
        {"rgb8", Codestream(640, 480, {8, 8, 8})},
        {"grey16", Codestream(5, 3, {16})},
        {"mixed-signed", Codestream(650, 10, {8, 8, 8, 1, 0x8C}, 10, 0)},
        {"no-siz", Join({{0xFF, 0x4F}, JpegSegment(0x64, {0, 1, 'x'}), {0xFF, 0x93}})},
    };
}

Seeds Jp2Seeds() {
    const Bytes resolution =
        Box("res ", Join({Box("resc", ResolutionContent(11811, 1, 11811, 1, 0, 0)),
                          Box("resd", ResolutionContent(72, 1, 96, 1, 0, 0))}));
    return {
        {"simple", Jp2File(resolution, Codestream(64, 48, {8, 8, 8}))},
        {"extra-boxes", Join({Box("jP  ", {0x0D, 0x0A, 0x87, 0x0A}), Box("xml ", {'<', 'a', '>'}),
                              ExtendedBox("uuid", Bytes(16, 0xAB)), Box("JP2C", {1, 2, 3}),
                              Box("jp2c", Codestream(3, 2, {12}))})},
        {"jp2c-to-end",
         Join({Box("jP  ", {0x0D, 0x0A, 0x87, 0x0A}), Box("jp2c", Codestream(7, 7, {8}), 0)})},
    };
}

} // namespace folionix::fuzz

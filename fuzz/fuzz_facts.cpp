// libFuzzer target for the conforming mode's facts readers (imaging/modImageFacts) and the
// decisions taken from their facts (conversion/modConforming). The readers work on bytes in
// memory here; the file path through File::Open is the same walk over another byte source.
// A broken invariant aborts, so that the fuzzer reports it.

#include "conversion/modConforming.h"
#include "imaging/modImageFacts.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

namespace {

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void CheckDpi(bool present, const folionix::Jp2ResolutionBox& box) {
    double x = 0.0;
    double y = 0.0;
    if (present && folionix::ResolutionBoxToDpi(box, x, y)) {
        Require(std::isfinite(x) && std::isfinite(y) && x > 0.0 && y > 0.0);
    } else {
        Require(x == 0.0 && y == 0.0);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace folionix;
    const std::span<const std::uint8_t> bytes(data, size);
    std::string reason;
    ConformingImage image;

    JpegFacts jpeg;
    static_cast<void>(ParseJpegFacts(bytes, jpeg));
    Require(jpeg.components >= 0 && jpeg.components <= 255);
    Require(jpeg.precision >= 0 && jpeg.precision <= 255);
    Require(jpeg.exifXResolution >= 0.0 && std::isfinite(jpeg.exifXResolution));
    Require(jpeg.exifYResolution >= 0.0 && std::isfinite(jpeg.exifYResolution));
    ImageInfo info{jpeg.width, jpeg.height, 0, 0, jpeg.precision * jpeg.components, jpeg.precision};
    if (DecideConformingJpeg(info, jpeg, image, reason)) {
        Require(image.objectOptions.colorSpace.has_value() && image.orientation >= 1 &&
                image.orientation <= 8 && image.xResolution >= 0 && image.yResolution >= 0);
    } else {
        Require(!reason.empty());
    }
    JpegFacts exif;
    static_cast<void>(ParseExifSegment(bytes, exif));

    Jp2Facts jp2;
    static_cast<void>(ParseJp2Facts(bytes, jp2));
    Require(jp2.components >= 0 && jp2.components <= 65535);
    CheckDpi(jp2.hasCaptureResolution, jp2.captureResolution);
    CheckDpi(jp2.hasDisplayResolution, jp2.displayResolution);
    static_cast<void>(DecideConformingJp2(ImageInfo{}, jp2, image, reason));
    Require(image.xResolution >= 0 && image.xResolution <= 1000000);

    J2kFacts j2k;
    static_cast<void>(ParseJ2kFacts(bytes, j2k));
    Require(j2k.components >= 0 && j2k.components <= 65535);
    if (!DecideConformingJ2k(ImageInfo{}, j2k, image, reason)) {
        Require(!reason.empty());
    }
    return 0;
}

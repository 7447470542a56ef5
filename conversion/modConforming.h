#pragma once

// The conforming plan of the command line (--conforming). The window's plan writes the window's
// bytes; some inputs then give PDFs that viewers render wrongly (a CMYK
// JPEG declared RGB, JPEG 2000 under a 1.3 header, a 1-dpi JFIF default that makes pages
// 46,080 points wide). Under this plan the same build loop (same layout, rounding, names, object
// order and streaming writer) runs, but the plan decides the image dictionary, the header version,
// the resolution, the orientation and the page limit so that every file it accepts gives a valid
// ISO 32000 document, and it refuses the files for which no valid image object exists.
//
// What it decides, per image:
//   colour space   JPEG and raw codestreams by their component count (1 DeviceGray,
//                  3 DeviceRGB, 4 DeviceCMYK); a four-component JPEG with an Adobe marker is
//                  stored inverted and gets /Decode [1 0 1 0 1 0 1 0]. A JP2 file has no
//                  /BitsPerComponent; an enumerated sRGB or sYCC colour box gives DeviceRGB and
//                  an enumerated greyscale one DeviceGray (colour-managed readers otherwise map
//                  a grey file through a profile that shifts its tones); with an ICC profile or
//                  any other colour box the file's own boxes govern and there is no /ColorSpace.
//   refusals       JPEG: two components, any other component count but 1, 3 or 4, a frame other
//                  than baseline, 8-bit extended or 8-bit progressive, a hierarchical file.
//                  Codestream: a component count other than 1, 3 or 4.
//   header         %PDF-1.5 for a document that holds JPEG 2000, %PDF-1.3 otherwise.
//   resolution     JFIF with units 1 or 2 and a density: as in the default mode. JFIF units 0
//                  (densities give the pixel shape only), no JFIF, or no density: the EXIF
//                  X/YResolution when present (inches or centimetres), else 72 dpi. JP2: the
//                  capture resolution box (resc) when present, else the display box (resd), else 72
//                  dpi.
//   orientation    EXIF orientation 2 to 8 is applied through the placement matrix; for 5 to 8
//                  the image's sides (pixels and resolutions) swap before the layout.
//   page limit     a page side above 14,400 units scales the page and its drawing down by one
//                  factor, so that the larger side is 14,400 (no /UserUnit: that needs
//                  PDF 1.6, and readers that ignore it would show the page at the wrong size).
//   truncation     a JPEG that does not end with FF D9 is accepted with a warning, and its
//                  stream gets FF D9 after the file's data.
//   sizes          a raw codestream's pixel size is its image area (Xsiz - XOsiz by
//                  Ysiz - YOsiz); an image narrower or lower than 1 pixel is refused when listed,
//                  and a page whose layout overflows 32 bits or has a side below 3 units is left
//                  out at build time with a message (the other images still get their pages).

#include "conversion/ImagePlan.h"
#include "imaging/ImageHeader.h"
#include "imaging/ImageInfo.h"
#include "imaging/modImageFacts.h"

#include <cstdint>
#include <string>
#include <vector>

namespace folionix {

// The largest and the smallest page side that PDF readers accept, in default user space units.
inline constexpr std::int32_t kMaxPageSide = 14400;
inline constexpr std::int32_t kMinPageSide = 3;

// The decisions from facts already read (pure; the tests feed them directly). False, with a
// short reason such as "two-component JPEG", when the image cannot be written conformingly.
bool DecideConformingJpeg(const ImageInfo& info, const JpegFacts& facts, PlannedImage& image,
                          std::string& reason);
bool DecideConformingJp2(const ImageInfo& info, const Jp2Facts& facts, PlannedImage& image,
                         std::string& reason);
bool DecideConformingJ2k(const ImageInfo& info, const J2kFacts& facts, PlannedImage& image,
                         std::string& reason);
// The decision for a header of any kind (an Unknown kind is refused).
bool DecideConformingImage(const ImageHeader& header, PlannedImage& image, std::string& reason);

// "1.5" when any of the files is JPEG 2000 (by extension), "1.3" otherwise.
std::string ConformingVersion(const std::vector<std::string>& fileNames);

// The plan: a file that cannot be written conformingly is refused when it is listed, with the
// message "Cannot write a conforming PDF for image file: ", the full path, " (", the reason,
// ")"; a truncated JPEG is listed with a warning. At build time an entry that no longer reads or
// decides the same way (changed since it was listed) gets no page.
const OutputPlan& ConformingPlan();

} // namespace folionix

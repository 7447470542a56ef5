#pragma once

// The conforming-output mode of the command line (--conforming). The default builds write the
// same bytes the window writes; some inputs then give PDFs that viewers render wrongly (a CMYK
// JPEG declared RGB, JPEG 2000 under a 1.3 header, a 1-dpi JFIF default that makes pages
// 46,080 points wide). This mode runs the same two builds (same layout, rounding, names, object
// order and streaming writer) but decides the image dictionary, the header version, the
// resolution, the orientation and the page limit so that every file it accepts gives a valid
// ISO 32000 document, and it refuses the files for which no valid image object exists.
//
// What it decides, per image:
//   colour space   JPEG and raw codestreams by their component count (1 DeviceGray,
//                  3 DeviceRGB, 4 DeviceCMYK); a four-component JPEG with an Adobe marker is
//                  stored inverted and gets /Decode [1 0 1 0 1 0 1 0]. A JP2 file has neither
//                  /ColorSpace nor /BitsPerComponent: its own colour boxes govern.
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

#include "conversion/modFolionix.h"
#include "imaging/ImageHeader.h"
#include "imaging/ImageInfo.h"
#include "imaging/modImageFacts.h"
#include "pdf/modPDF.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace folionix {

// The largest page side that PDF readers accept, in default user space units.
inline constexpr std::int32_t kMaxPageSide = 14400;

// What the conforming mode decided about one image file.
struct ConformingImage {
    ImageKind kind = ImageKind::Unknown;
    ImageInfo info; // the standard reader's facts, as the default mode has them
    // The resolution the layout uses, in whole dots per inch as ImageInfo holds them (0: 72).
    std::int32_t xResolution = 0;
    std::int32_t yResolution = 0;
    std::int32_t orientation = 1; // EXIF orientation 1..8 (0 and values above 8 become 1)
    ImageObjectOptions objectOptions;
    bool truncated = false; // a JPEG without its end-of-image marker
};

// The decisions from facts already read (pure; the tests feed them directly). False, with a
// short reason such as "two-component JPEG", when the image cannot be written conformingly.
bool DecideConformingJpeg(const ImageInfo& info, const JpegFacts& facts, ConformingImage& image,
                          std::string& reason);
bool DecideConformingJp2(const ImageInfo& info, const Jp2Facts& facts, ConformingImage& image,
                         std::string& reason);
bool DecideConformingJ2k(const ImageInfo& info, const J2kFacts& facts, ConformingImage& image,
                         std::string& reason);

// Reads the file with its standard reader and its facts reader and decides. False with a reason
// when the file cannot be read or cannot be written conformingly.
bool PlanConformingImage(const std::string& imagePath, ConformingImage& image, std::string& reason);

// Where one image goes: page size in whole units, the drawn box (top-left corner x, yTop and
// its sides; whole numbers unless the page limit scaled them), and the factor of that scaling.
struct ConformingLayout {
    std::int32_t pageWidth = 0;
    std::int32_t pageHeight = 0;
    double x = 0.0;
    double yTop = 0.0;
    double width = 0.0;
    double height = 0.0;
    double scale = 1.0;
};

// PlaceImageOnPage over the image as it is shown (sides and resolutions swapped for
// orientations 5 to 8, the resolution as decided), then the page limit. Reads the page options
// from the host as PlaceImageOnPage does. Raises RunError on a 32-bit overflow.
ConformingLayout LayOutConformingPage(const ConformingImage& image, const PageMargins& margins,
                                      const ConversionHost& host);

// The drawing operators for one image: for orientation 1 exactly the default's placement text;
// otherwise the same two-matrix form whose second matrix turns or mirrors the image into its box.
std::string ConformingPlacementText(const ConformingLayout& layout, std::int32_t orientation,
                                    const std::string& resourceName);

// "1.5" when any of the files is JPEG 2000 (by extension), "1.3" otherwise.
std::string ConformingVersion(const std::vector<std::string>& fileNames);

// Warnings (a truncated JPEG) go through this hook; without one they are written to stderr.
using ConformingWarningHook = std::function<void(const std::string& text)>;
void SetConformingWarningHook(ConformingWarningHook hook);

// Goes through the list before a conforming run: an entry whose file cannot be written
// conformingly is removed with the message "Cannot write a conforming PDF for image file: ",
// the full path, " (", the reason, ")" (exclamation style, title "Image Error", as a refused
// file); a truncated JPEG stays with a warning. Returns the number of entries removed.
std::int32_t RefuseNonConformingEntries(ListBox& list);

// The conforming builds: the default builds' steps with the decisions above. An entry whose
// file no longer plans (changed since the list was checked) is left out without a page.
// They return whether every writer call succeeded.
bool CreateSinglePdfConforming(ConversionHost& host);
bool CreateMultiplePdfsConforming(ConversionHost& host);

// RunConversion with the conforming builds: validate, start time, build, end time, the same
// completion message.
RunReport RunConformingConversion(ConversionHost& host);

} // namespace folionix

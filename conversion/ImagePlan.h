#pragma once

// What a run writes for each image. The builds are one loop over the list; a plan supplies the
// decisions that differ between modes: whether a file may be listed at all, the header version,
// the image dictionary's entries, the resolution the layout uses, the orientation, and the
// largest page side. The window's plan gives the window's bytes; the conforming plan
// (modConforming) gives documents that every reader draws as the files hold them.

#include "conversion/modFolionix.h"
#include "imaging/ImageHeader.h"
#include "pdf/modPDF.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace folionix {

// What a plan decided about one image for one page.
struct PlannedImage {
    bool embed = true; // false: the page is made without an image object
    ImageInfo info;    // pixel sizes for the dictionary, bits per pixel for the procedure sets
    // The resolution the layout uses, in whole dots per inch (0: 72).
    std::int32_t xResolution{};
    std::int32_t yResolution{};
    std::int32_t orientation = 1; // EXIF orientation 1..8
    ImageObjectOptions objectOptions;
};

// Where one image goes on its page: the page size in whole units, and the drawn box (left edge
// x, top edge yTop, its sides); whole numbers unless the page limit scaled them.
struct PageLayout {
    std::int32_t pageWidth{};
    std::int32_t pageHeight{};
    double x{};
    double yTop{};
    double width{};
    double height{};
    double scale = 1.0; // the page limit's factor
};

class OutputPlan {
public:
    virtual ~OutputPlan() = default;

    // The header version of a document that will hold the files of these names.
    virtual std::string DocumentVersion(const std::vector<std::string>& fileNames) const = 0;

    // Called when a file is listed, with the header read then. False refuses the file, with the
    // message to show and the reason in a few words; a non-empty warning is noted and the file
    // is listed.
    virtual bool Admit(const std::string& imagePath, const ImageHeader& header,
                       std::string& message, std::string& warning, std::string& reason) const = 0;

    // Called at build time with the header read then (read: the reader's result). An entry
    // whose name has no image extension has kind Unknown and the previous entry's ImageInfo,
    // since nothing was read for it. False: the entry gets no page.
    virtual bool PlanImage(const ImageHeader& header, bool read, PlannedImage& image) const = 0;

    // The largest page side; 0 for no limit.
    virtual std::int32_t PageLimit() const = 0;

    // Whether the plan looks at each page's layout before anything of its image is written
    // (then it must have a page limit, so that pages begin only after their layout).
    virtual bool ChecksPages() const { return false; }

    // The page's layout, or nothing with the message to show when the plan refuses the page
    // (a layout that overflows, a page too small). Called only when ChecksPages().
    virtual std::optional<PageLayout>
    CheckPage(const std::string& imagePath, const PlannedImage& image, const PageMargins& margins,
              const ConversionHost& host, std::string& message) const;
};

// The window's plan: header 1.3, every file listed, DCTDecode or JPXDecode with the colour
// space by bits per pixel, the file's own resolution, no turning, no page limit.
const OutputPlan& WindowPlan();

// PlaceImageOnPage over the image as it is shown (sides and resolutions swapped for
// orientations 5 to 8), then the page limit: a page whose larger side exceeds it is scaled
// down, with its drawing, by one factor. beginPage is called with the final page size: without
// a limit as soon as it is known, before the shrink and position options are read.
PageLayout LayOutImagePage(const PlannedImage& image, const PageMargins& margins,
                           const ConversionHost& host, std::int32_t pageLimit,
                           const BeginPageCallback& beginPage = {});

// The drawing operators for one image: for orientation 1 exactly PdfPlacementText; otherwise a
// two-matrix form whose second matrix turns or mirrors the image into its box.
std::string PlacementText(const PageLayout& layout, std::int32_t orientation,
                          const std::string& resourceName);

} // namespace folionix

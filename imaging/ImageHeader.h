#pragma once

// One read of an image file's header: the six facts every mode needs (ImageInfo, exactly as
// GetJpegInfo, GetJp2Info and GetJ2kInfo give them) and the further facts that a strictly valid
// PDF needs, gathered on the same walk over the same bytes.

#include "imaging/ByteSource.h"
#include "imaging/ImageInfo.h"
#include "imaging/modImageFacts.h"

#include <cstdint>
#include <string_view>

namespace folionix {

enum class ImageKind { Unknown, Jpeg, Jp2, J2k };

// The kind named by the file name's extension: the text from the last "." to the end, in any
// ASCII letter case (.jpg .jpeg .jpe, .jp2, .j2k). Unknown for any other extension or none.
ImageKind ImageKindOfFile(std::string_view fileName);

struct ImageHeader {
    ImageKind kind = ImageKind::Unknown;
    ImageInfo info;
    JpegFacts jpeg; // filled for a JPEG
    Jp2Facts jp2;   // filled for a JP2 file
    J2kFacts j2k;   // filled for a raw codestream, and for the codestream inside a JP2 file
};

// Walks the header once from the start of the source. The result and header.info are what the
// kind's standard reader gives from position 1 (on failure info is all zeros); the facts hold
// what the walk met, also on failure. Unknown kind: false.
bool ReadImageHeader(const ByteSource& source, ImageKind kind, ImageHeader& header);

// How many header walks this process has started (every standard reader call counts one).
// The tests use it to hold each file to one walk when it is listed and one when it is built.
std::uint64_t HeaderWalkCount();

} // namespace folionix

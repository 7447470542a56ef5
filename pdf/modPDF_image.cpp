#include "pdf/modPDF.h"

#include "common/CheckedMath.h"
#include "common/RunError.h"
#include "pdf/modPDF_internal.h"

#include <array>
#include <functional>
#include <span>

namespace folionix {

using pdf_detail::AppendNumber;
using pdf_detail::AppendObjectHead;

namespace {

// Lookups into imageRegistry by resource name and by source path, so that a document with
// thousands of images does not search the registry linearly for every add and every page.
// Each maps to the first record with that key, as the registry itself is searched.
constexpr std::string_view kClosingText = "\nendstream\nendobj\n";
constexpr std::int32_t kCopyChunk = 32000;

[[noreturn]] void ThrowCopyError(const std::string& sourcePath, const std::string& destinationPath,
                                 const std::string& cause) {
    throw RunError("Cannot copy " + sourcePath + " into " + destinationPath + ": " + cause);
}

enum class CopyResult { Done, NotOpened, SourceEnded };

// Appends count bytes of the open source, from the 0-based position, to the end of the
// destination (opened by name), in chunks of 32000 bytes. Each chunk is copied inside the
// operating system where it can copy between the two files, and otherwise through one static
// buffer (the writer is single-threaded, and the image is never held in memory as a whole).
// A source that ends early is reported; a failed read or write raises RunError with the
// platform's reason.
CopyResult CopyFromHandle(const std::string& destinationPath, const File& source,
                          const std::string& sourcePath, std::int64_t sourcePosition,
                          std::int32_t count) {
    if (count <= 0) {
        return CopyResult::Done;
    }
    std::optional<File> destination = File::Open(destinationPath, File::Mode::ReadWrite);
    if (!destination) {
        return CopyResult::NotOpened;
    }
    static std::array<std::uint8_t, kCopyChunk> buffer;

    std::int64_t destinationPosition = destination->Size();
    if (destinationPosition < 0) {
        ThrowCopyError(sourcePath, destinationPath, LastSystemErrorText());
    }
    std::int32_t remaining = count;
    // Each chunk is read and written at the same positions either way; where the operating
    // system can copy between the two files itself, the bytes skip the trip through the buffer.
    // Once it refuses (files on two file systems), it is not asked again for every chunk.
    bool kernelCopy = true;
    while (remaining > 0) {
        const std::int32_t chunk = remaining < kCopyChunk + 1 ? remaining : kCopyChunk;
        const File::KernelCopy copied =
            kernelCopy ? source.CopyRangeTo(sourcePosition, *destination, destinationPosition,
                                            static_cast<std::size_t>(chunk))
                       : File::KernelCopy::Unsupported;
        if (copied == File::KernelCopy::SourceEnded) {
            return CopyResult::SourceEnded;
        }
        if (copied == File::KernelCopy::Failed) {
            ThrowCopyError(sourcePath, destinationPath, LastSystemErrorText());
        }
        if (copied == File::KernelCopy::Unsupported) {
            kernelCopy = false;
            const std::span<std::uint8_t> bytes(buffer.data(), static_cast<std::size_t>(chunk));
            const std::int64_t got = source.ReadAt(sourcePosition, bytes);
            if (got < 0) {
                ThrowCopyError(sourcePath, destinationPath,
                               "cannot read the image file: " + LastSystemErrorText());
            }
            if (got != chunk) {
                return CopyResult::SourceEnded;
            }
            if (!destination->WriteAt(destinationPosition, std::span<const std::uint8_t>(bytes))) {
                ThrowCopyError(sourcePath, destinationPath, LastSystemErrorText());
            }
        }
        sourcePosition += chunk;
        destinationPosition += chunk;
        remaining -= chunk;
    }
    return CopyResult::Done;
}

// Cuts the document back to the given length, taking back an object that was being written.
void TruncateDocument(const std::string& path, std::int64_t length) {
    std::optional<File> document = File::Open(path, File::Mode::ReadWrite);
    if (!document || !document->Truncate(length)) {
        throw RunError("Cannot take an image back out of " + path + ": " + LastSystemErrorText());
    }
}

} // namespace

namespace pdf_detail {

void RegisterImage(const std::string& resourceName, std::int32_t objectNumber,
                   std::int32_t generation, const std::string& sourcePath) {
    DocumentSession& session = MutableSession();
    if (session.imageByName.contains(resourceName)) {
        return;
    }
    std::vector<ImageRecord>& registry = session.imageRegistry;
    if (registry.capacity() == 0) {
        registry.reserve(100);
    }
    const std::size_t position = registry.size();
    registry.push_back(ImageRecord{resourceName, objectNumber, generation, sourcePath});
    session.imageByName.emplace(resourceName, position);
    session.imageBySource.emplace(sourcePath, position);
}

const ImageRecord* LookupImageByName(const std::string& name) {
    const DocumentSession& session = PdfSession();
    const auto found = session.imageByName.find(name);
    if (found == session.imageByName.end()) {
        return nullptr;
    }
    return &MutableSession().imageRegistry.at(found->second);
}

} // namespace pdf_detail

bool IsResourceNameUsed(const std::string& name) {
    return PdfSession().imageByName.contains(name);
}

bool IsSourceEmbedded(const std::string& imagePath) {
    return PdfSession().imageBySource.contains(imagePath);
}

ImageRecord FindImageBySource(const std::string& imagePath) {
    const DocumentSession& session = PdfSession();
    const auto found = session.imageBySource.find(imagePath);
    if (found == session.imageBySource.end()) {
        return ImageRecord{};
    }
    return PdfSession().imageRegistry.at(found->second);
}

ImageRecord FindImageByName(const std::string& name) {
    const ImageRecord* record = pdf_detail::LookupImageByName(name);
    return record != nullptr ? *record : ImageRecord{};
}

bool PdfAddImageObject(const std::string& path, const std::string& imagePath, std::int32_t width,
                       std::int32_t height, const ImageObjectOptions& options,
                       const std::string& resourceName) {
    const std::optional<File> image = File::Open(imagePath, File::Mode::Read);
    if (!image) {
        // Refused before anything is looked at, as for a missing file, unless the name only
        // makes another alias of an image already embedded.
        DocumentSession& session = pdf_detail::MutableSession();
        if (session.openPage || IsResourceNameUsed(resourceName) || !IsSourceEmbedded(imagePath)) {
            return false;
        }
        const ImageRecord existing = FindImageBySource(imagePath);
        pdf_detail::RegisterImage(resourceName, existing.objectNumber, existing.generation,
                                  imagePath);
        return true;
    }
    return PdfAddImageObject(path, imagePath, *image, width, height, options, resourceName) ==
           ImageEmbedding::Embedded;
}

ImageEmbedding PdfAddImageObject(const std::string& path, const std::string& imagePath,
                                 const File& image, std::int32_t width, std::int32_t height,
                                 const ImageObjectOptions& options, const std::string& resourceName,
                                 const std::function<bool()>& sourceUnchanged) {
    DocumentSession& session = pdf_detail::MutableSession();
    // While a page is open its content stream is being appended to the file; an object written
    // now would land inside the stream.
    if (session.openPage) {
        return ImageEmbedding::Refused;
    }
    const std::int32_t objectNumber = session.nextObjectNumber;
    if (IsResourceNameUsed(resourceName)) {
        return ImageEmbedding::Refused;
    }
    if (IsSourceEmbedded(imagePath)) {
        const ImageRecord existing = FindImageBySource(imagePath);
        pdf_detail::RegisterImage(resourceName, existing.objectNumber, existing.generation,
                                  imagePath);
        return ImageEmbedding::Embedded;
    }

    // The length taken when the handle was opened: the one the caller read the header against.
    const std::int64_t size = image.Size();
    if (size < 1) {
        return ImageEmbedding::Refused;
    }
    const std::int32_t fileLength = CheckedInt32(size, "the image's length");
    const std::int32_t length = CheckedAdd(
        fileLength, static_cast<std::int32_t>(options.trailingBytes.size()), "the image's length");

    std::string opening;
    opening.reserve(200);
    AppendObjectHead(opening, objectNumber, 0);
    opening.append("<</Type /XObject\n/Subtype /Image\n/Filter /");
    opening.append(options.filter).push_back('\n');
    if (options.bitsPerComponent) {
        opening.append("/BitsPerComponent ");
        AppendNumber(opening, *options.bitsPerComponent);
        opening.push_back('\n');
    }
    if (options.colorSpace) {
        opening.append("/ColorSpace /").append(*options.colorSpace).push_back('\n');
    }
    if (!options.decodeArray.empty()) {
        opening.append("/Decode ").append(options.decodeArray).push_back('\n');
    }
    opening.append("/Width ");
    AppendNumber(opening, width);
    opening.append("\n/Height ");
    AppendNumber(opening, height);
    opening.append("\n/Length ");
    AppendNumber(opening, length);
    opening.append(">>\nstream\n");

    // Refuse before copying a byte when the object would end beyond what 32-bit offsets reach,
    // rather than after writing gigabytes.
    const std::int32_t offset = PdfFileLength(path);
    static_cast<void>(
        CheckedAdd(CheckedAdd(CheckedAdd(offset, static_cast<std::int32_t>(opening.size()),
                                         "the document's length"),
                              length, "the document's length"),
                   static_cast<std::int32_t>(kClosingText.size()), "the document's length"));

    const bool headWritten = PdfWriteText(path, opening);
    // Once the head is in the file, a copy that cannot even start leaves a broken document,
    // which ends the run like any other copy error. A document that cannot be opened at all
    // (a missing output folder) fails every append the same way and only reports false.
    const CopyResult copied = CopyFromHandle(path, image, imagePath, 0, fileLength);
    if (copied == CopyResult::NotOpened && headWritten) {
        ThrowCopyError(imagePath, path, "the document cannot be opened");
    }
    // The file changed under the open handle (its length, or the bytes the caller read its
    // header from): the object is taken back out before anything refers to it.
    if (copied == CopyResult::SourceEnded || image.CurrentSize() != size ||
        (sourceUnchanged && !sourceUnchanged())) {
        if (offset >= 0) {
            TruncateDocument(path, offset);
        }
        return ImageEmbedding::SourceChanged;
    }
    static_cast<void>(PdfWriteText(path, options.trailingBytes));
    const bool result = PdfWriteText(path, kClosingText);
    PdfRecordObject(path, objectNumber, 0, offset, "/XObject");
    pdf_detail::RegisterImage(resourceName, objectNumber, 0, imagePath);
    session.nextObjectNumber = CheckedAdd(objectNumber, 1, "the object number");
    return result ? ImageEmbedding::Embedded : ImageEmbedding::Refused;
}

ImageObjectOptions StandardImageOptions(std::string filter, std::int32_t bitsPerComponent,
                                        std::int32_t bitsPerPixel) {
    ImageObjectOptions options;
    options.filter = std::move(filter);
    options.bitsPerComponent = bitsPerComponent;
    options.colorSpace = bitsPerPixel == 8 ? "DeviceGray" : "DeviceRGB";
    return options;
}

bool PdfAddJpegImage(const std::string& path, const std::string& imagePath, std::int32_t width,
                     std::int32_t height, std::int32_t bitsPerComponent, std::int32_t bitsPerPixel,
                     const std::string& resourceName) {
    return PdfAddImageObject(path, imagePath, width, height,
                             StandardImageOptions("DCTDecode", bitsPerComponent, bitsPerPixel),
                             resourceName);
}

bool PdfAddJpxImage(const std::string& path, const std::string& imagePath, std::int32_t width,
                    std::int32_t height, std::int32_t bitsPerComponent, std::int32_t bitsPerPixel,
                    const std::string& resourceName) {
    return PdfAddImageObject(path, imagePath, width, height,
                             StandardImageOptions("JPXDecode", bitsPerComponent, bitsPerPixel),
                             resourceName);
}

bool PdfCopyFileBytes(const std::string& destinationPath, const std::string& sourcePath,
                      std::int32_t firstPosition, std::int32_t count) {
    if (count == 0) {
        return true;
    }
    if (count < 0 || firstPosition < 1) {
        return false;
    }
    const std::optional<File> source = File::Open(sourcePath, File::Mode::Read);
    if (!source) {
        return false;
    }
    switch (CopyFromHandle(destinationPath, *source, sourcePath,
                           static_cast<std::int64_t>(firstPosition) - 1, count)) {
    case CopyResult::Done:
        return true;
    case CopyResult::NotOpened:
        return false;
    case CopyResult::SourceEnded:
        break;
    }
    ThrowCopyError(sourcePath, destinationPath, "the image file is shorter than it was");
}

} // namespace folionix

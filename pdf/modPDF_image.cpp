#include "pdf/modPDF.h"

#include "common/CheckedMath.h"
#include "common/RunError.h"
#include "pdf/modPDF_internal.h"

#include <array>
#include <span>
#include <unordered_map>

namespace folionix {

using pdf_detail::AppendNumber;
using pdf_detail::AppendObjectHead;

namespace {

// Lookups into imageRegistry by resource name and by source path, so that a document with
// thousands of images does not search the registry linearly for every add and every page.
// Each maps to the first record with that key, as the registry itself is searched.
struct ImageIndex {
    std::unordered_map<std::string, std::size_t> byName;
    std::unordered_map<std::string, std::size_t> bySource;
};

ImageIndex& Index() {
    static ImageIndex index;
    return index;
}

constexpr std::string_view kClosingText = "\nendstream\nendobj\n";
constexpr std::int32_t kCopyChunk = 32000;

[[noreturn]] void ThrowCopyError(const std::string& sourcePath,
                                 const std::string& destinationPath) {
    throw RunError("Cannot copy " + sourcePath + " into " + destinationPath);
}

} // namespace

namespace pdf_detail {

void ClearImageIndex() {
    Index().byName.clear();
    Index().bySource.clear();
}

void RegisterImage(const std::string& resourceName, std::int32_t objectNumber,
                   std::int32_t generation, const std::string& sourcePath) {
    ImageIndex& index = Index();
    if (index.byName.contains(resourceName)) {
        return;
    }
    std::vector<ImageRecord>& registry = MutableSession().imageRegistry;
    if (registry.capacity() == 0) {
        registry.reserve(100);
    }
    const std::size_t position = registry.size();
    registry.push_back(ImageRecord{resourceName, objectNumber, generation, sourcePath});
    index.byName.emplace(resourceName, position);
    index.bySource.emplace(sourcePath, position);
}

const ImageRecord* LookupImageByName(const std::string& name) {
    const ImageIndex& index = Index();
    const auto found = index.byName.find(name);
    if (found == index.byName.end()) {
        return nullptr;
    }
    return &MutableSession().imageRegistry.at(found->second);
}

} // namespace pdf_detail

bool IsResourceNameUsed(const std::string& name) {
    return Index().byName.contains(name);
}

bool IsSourceEmbedded(const std::string& imagePath) {
    return Index().bySource.contains(imagePath);
}

ImageRecord FindImageBySource(const std::string& imagePath) {
    const ImageIndex& index = Index();
    const auto found = index.bySource.find(imagePath);
    if (found == index.bySource.end()) {
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
    DocumentSession& session = pdf_detail::MutableSession();
    // While a page is open its content stream is being appended to the file; an object written
    // now would land inside the stream.
    if (session.openPage) {
        return false;
    }
    const std::int32_t objectNumber = session.nextObjectNumber;
    if (IsResourceNameUsed(resourceName)) {
        return false;
    }
    if (IsSourceEmbedded(imagePath)) {
        const ImageRecord existing = FindImageBySource(imagePath);
        pdf_detail::RegisterImage(resourceName, existing.objectNumber, existing.generation,
                                  imagePath);
        return true;
    }

    std::int64_t size = -1;
    if (const std::optional<File> image = File::Open(imagePath, File::Mode::Read)) {
        size = image->Size();
    }
    if (size < 1) {
        return false;
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

    PdfRecordObject(path, objectNumber, 0, offset, "/XObject");
    pdf_detail::RegisterImage(resourceName, objectNumber, 0, imagePath);
    const bool headWritten = PdfWriteText(path, opening);
    // Once the head is in the file, a copy that cannot even start leaves a broken document,
    // which ends the run like any other copy error. A document that cannot be opened at all
    // (a missing output folder) fails every append the same way and only reports false.
    if (!PdfCopyFileBytes(path, imagePath, 1, fileLength) && headWritten) {
        ThrowCopyError(imagePath, path);
    }
    static_cast<void>(PdfWriteText(path, options.trailingBytes));
    const bool result = PdfWriteText(path, kClosingText);
    session.nextObjectNumber = CheckedAdd(objectNumber, 1, "the object number");
    return result;
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

// One static buffer serves every copy: the writer is single-threaded, and the image is never
// held in memory as a whole.
bool PdfCopyFileBytes(const std::string& destinationPath, const std::string& sourcePath,
                      std::int32_t firstPosition, std::int32_t count) {
    if (count == 0) {
        return true;
    }
    if (count < 0 || firstPosition < 1) {
        return false;
    }
    const std::optional<File> source = File::Open(sourcePath, File::Mode::Read);
    std::optional<File> destination = File::Open(destinationPath, File::Mode::ReadWrite);
    if (!source || !destination) {
        return false;
    }
    static std::array<std::uint8_t, kCopyChunk> buffer;

    std::int64_t destinationPosition = destination->Size();
    if (destinationPosition < 0) {
        ThrowCopyError(sourcePath, destinationPath);
    }
    std::int64_t sourcePosition = static_cast<std::int64_t>(firstPosition) - 1;
    std::int32_t remaining = count;
    // Each chunk is read and written at the same positions either way; where the operating
    // system can copy between the two files itself, the bytes skip the trip through the buffer.
    bool kernelCopy = true;
    while (remaining > 0) {
        const std::int32_t chunk = remaining < kCopyChunk + 1 ? remaining : kCopyChunk;
        const File::KernelCopy copied =
            kernelCopy ? source->CopyRangeTo(sourcePosition, *destination, destinationPosition,
                                             static_cast<std::size_t>(chunk))
                       : File::KernelCopy::Unsupported;
        if (copied == File::KernelCopy::Failed) {
            ThrowCopyError(sourcePath, destinationPath);
        }
        if (copied == File::KernelCopy::Unsupported) {
            kernelCopy = false;
            const std::span<std::uint8_t> bytes(buffer.data(), static_cast<std::size_t>(chunk));
            if (!source->ReadExactlyAt(sourcePosition, bytes) ||
                !destination->WriteAt(destinationPosition, std::span<const std::uint8_t>(bytes))) {
                ThrowCopyError(sourcePath, destinationPath);
            }
        }
        sourcePosition += chunk;
        destinationPosition += chunk;
        remaining -= chunk;
    }
    return true;
}

} // namespace folionix

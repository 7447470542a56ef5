#include "imaging/ImageHeader.h"

#include "imaging/HeaderWalk.h"

#include <atomic>
#include <cstddef>

namespace folionix {

namespace {

std::atomic<std::uint64_t> walkCount{0};

// The text from the last "." equals extension, ASCII letters in any case (extension upper-case).
bool HasExtension(std::string_view fileName, std::string_view extension) {
    const std::size_t dot = fileName.rfind('.');
    if (dot == std::string_view::npos || fileName.size() - dot != extension.size()) {
        return false;
    }
    // Position 0 holds the dot that rfind found.
    for (std::size_t i = 1; i < extension.size(); ++i) {
        const char c = fileName[dot + i];
        if ((c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c) != extension[i]) {
            return false;
        }
    }
    return true;
}

} // namespace

void header_walk::CountWalk() {
    walkCount.fetch_add(1, std::memory_order_relaxed);
}

std::uint64_t HeaderWalkCount() {
    return walkCount.load(std::memory_order_relaxed);
}

ImageKind ImageKindOfFile(std::string_view fileName) {
    if (HasExtension(fileName, ".JPG") || HasExtension(fileName, ".JPEG") ||
        HasExtension(fileName, ".JPE")) {
        return ImageKind::Jpeg;
    }
    if (HasExtension(fileName, ".JP2")) {
        return ImageKind::Jp2;
    }
    return HasExtension(fileName, ".J2K") ? ImageKind::J2k : ImageKind::Unknown;
}

bool ReadImageHeader(const ByteSource& source, ImageKind kind, ImageHeader& header) {
    header = ImageHeader{};
    header.kind = kind;
    switch (kind) {
    case ImageKind::Jpeg:
        header_walk::CountWalk();
        return header_walk::ReadJpegHeader(source, header.info, 1, &header.jpeg);
    case ImageKind::Jp2:
        header_walk::CountWalk();
        return header_walk::ReadJp2Header(source, header.info, 1, &header.jp2, &header.j2k);
    case ImageKind::J2k:
        header_walk::CountWalk();
        return header_walk::ReadCodestreamHeader(source, header.info, 1, &header.j2k);
    case ImageKind::Unknown:
        break;
    }
    return false;
}

} // namespace folionix

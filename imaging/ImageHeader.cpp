// Interim: the header read over the existing readers, until one walk per format replaces them.
#include "imaging/ImageHeader.h"

#include "imaging/modJ2K.h"
#include "imaging/modJP2.h"
#include "imaging/modJPG.h"

#include <atomic>
#include <cstring>

namespace folionix {
namespace {
std::atomic<std::uint64_t> walks{0};
}

bool ByteSource::ReadExactlyAt(std::int64_t position, std::span<std::uint8_t> buffer) const {
    return ReadAt(position, buffer) == static_cast<std::int64_t>(buffer.size());
}

std::int64_t MemorySource::Size() const {
    return static_cast<std::int64_t>(bytes_.size());
}

std::int64_t MemorySource::ReadAt(std::int64_t position, std::span<std::uint8_t> buffer) const {
    if (position < 0) {
        return -1;
    }
    if (position >= Size()) {
        return 0;
    }
    const auto count =
        std::min<std::int64_t>(static_cast<std::int64_t>(buffer.size()), Size() - position);
    std::memcpy(buffer.data(), bytes_.data() + position, static_cast<std::size_t>(count));
    return count;
}

std::optional<FileSource> FileSource::Open(std::string_view utf8Path) {
    std::optional<File> file = File::Open(utf8Path, File::Mode::Read);
    if (!file) {
        return std::nullopt;
    }
    FileSource source(std::move(*file));
    source.path_ = std::string(utf8Path);
    return source;
}

FileSource::FileSource(File file) : file_(std::move(file)), size_(file_.Size()) {}

std::int64_t FileSource::Size() const {
    return size_;
}

std::int64_t FileSource::ReadAt(std::int64_t position, std::span<std::uint8_t> buffer) const {
    return file_.ReadAt(position, buffer);
}

ImageKind ImageKindOfFile(std::string_view fileName) {
    const std::size_t dot = fileName.rfind('.');
    if (dot == std::string_view::npos) {
        return ImageKind::Unknown;
    }
    std::string extension(fileName.substr(dot));
    for (char& c : extension) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    if (extension == ".JPG" || extension == ".JPEG" || extension == ".JPE") {
        return ImageKind::Jpeg;
    }
    if (extension == ".JP2") {
        return ImageKind::Jp2;
    }
    if (extension == ".J2K") {
        return ImageKind::J2k;
    }
    return ImageKind::Unknown;
}

bool ReadImageHeader(const ByteSource& source, ImageKind kind, ImageHeader& header) {
    ++walks;
    header = ImageHeader{};
    header.kind = kind;
    const auto* file = dynamic_cast<const FileSource*>(&source);
    if (file == nullptr) {
        return false;
    }
    const std::string& path = file->path_;
    switch (kind) {
    case ImageKind::Jpeg:
        static_cast<void>(ReadJpegFacts(path, header.jpeg));
        return GetJpegInfo(path, header.info, 1);
    case ImageKind::Jp2:
        static_cast<void>(ReadJp2Facts(path, header.jp2));
        return GetJp2Info(path, header.info, 1);
    case ImageKind::J2k:
        static_cast<void>(ReadJ2kFacts(path, header.j2k));
        return GetJ2kInfo(path, header.info, 1);
    case ImageKind::Unknown:
        break;
    }
    return false;
}

std::uint64_t HeaderWalkCount() {
    return walks;
}

} // namespace folionix

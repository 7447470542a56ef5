#include "imaging/ByteSource.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

namespace folionix {

namespace {

constexpr std::size_t kRememberedBytes = 65536;

// How many of the wanted bytes lie before the end: 0 at or past the end, -1 before the start.
std::int64_t Available(std::int64_t position, std::size_t wanted, std::int64_t size) {
    if (position < 0) {
        return -1;
    }
    return position >= size ? 0 : std::min(static_cast<std::int64_t>(wanted), size - position);
}

} // namespace

bool ByteSource::ReadExactlyAt(std::int64_t position, std::span<std::uint8_t> buffer) const {
    return ReadAt(position, buffer) == static_cast<std::int64_t>(buffer.size());
}

std::int64_t MemorySource::Size() const {
    return static_cast<std::int64_t>(bytes_.size());
}

std::int64_t MemorySource::ReadAt(std::int64_t position, std::span<std::uint8_t> buffer) const {
    const std::int64_t count = Available(position, buffer.size(), Size());
    if (count > 0) {
        std::memcpy(buffer.data(), bytes_.data() + position, static_cast<std::size_t>(count));
    }
    return count;
}

std::optional<FileSource> FileSource::Open(std::string_view utf8Path) {
    std::optional<File> file = File::Open(utf8Path, File::Mode::Read);
    if (!file) {
        return std::nullopt;
    }
    return FileSource(std::move(*file));
}

FileSource::FileSource(File file) : file_(std::move(file)), size_(file_.Size()) {}

std::int64_t FileSource::Size() const {
    return size_;
}

std::int64_t FileSource::ReadAt(std::int64_t position, std::span<std::uint8_t> buffer) const {
    const std::int64_t count = Available(position, buffer.size(), size_);
    if (count <= 0) {
        return count;
    }
    const std::span<std::uint8_t> wanted = buffer.first(static_cast<std::size_t>(count));
    if (!headRead_) {
        // Read once, into the source itself: the walks of thousands of files pay for this.
        headRead_ = true;
        headSize_ = static_cast<std::size_t>(
            std::min<std::int64_t>(size_, static_cast<std::int64_t>(kHeadBytes)));
        const std::int64_t got = file_.ReadAt(0, std::span<std::uint8_t>(head_.data(), headSize_));
        headSize_ = got > 0 ? static_cast<std::size_t>(got) : 0;
    }
    if (position + count <= static_cast<std::int64_t>(headSize_)) {
        std::memcpy(wanted.data(), head_.data() + position, wanted.size());
        return count;
    }
    const std::int64_t got = file_.ReadAt(position, wanted);
    if (got > 0 && rememberedBytes_ + static_cast<std::size_t>(got) <= kRememberedBytes) {
        rememberedBytes_ += static_cast<std::size_t>(got);
        remembered_.push_back(
            Remembered{position, std::vector<std::uint8_t>(wanted.begin(), wanted.begin() + got)});
    }
    return got;
}

bool FileSource::BytesUnchanged() const {
    std::array<std::uint8_t, kHeadBytes> again; // filled by the read before it is compared
    if (headSize_ > 0) {
        const std::span<std::uint8_t> head(again.data(), headSize_);
        if (!file_.ReadExactlyAt(0, head) ||
            std::memcmp(head.data(), head_.data(), headSize_) != 0) {
            return false;
        }
    }
    std::vector<std::uint8_t> other;
    for (const Remembered& read : remembered_) {
        other.resize(read.bytes.size());
        if (!file_.ReadExactlyAt(read.position, other) || other != read.bytes) {
            return false;
        }
    }
    return true;
}

} // namespace folionix

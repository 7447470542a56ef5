#pragma once

// Where the header readers get their bytes: an open file or a span of memory, seen through one
// interface, so that one walker per format serves the builds, the list, the tests and the
// fuzzers alike. Positions here are 0-based byte offsets; the readers' own positions are 1-based
// and become 0-based at this boundary only.

#include "common/FileAccess.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace folionix {

class ByteSource {
public:
    virtual ~ByteSource() = default;

    // Length in bytes.
    virtual std::int64_t Size() const = 0;

    // Reads up to buffer.size() bytes at the position; returns how many were read (fewer at the
    // end), or -1 on a read error or a negative position.
    virtual std::int64_t ReadAt(std::int64_t position, std::span<std::uint8_t> buffer) const = 0;

    // Exactly buffer.size() bytes at the position; false when they are not all there.
    bool ReadExactlyAt(std::int64_t position, std::span<std::uint8_t> buffer) const;
};

// Bytes held by the caller; the span must outlive the source.
class MemorySource final : public ByteSource {
public:
    explicit MemorySource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::int64_t Size() const override;
    std::int64_t ReadAt(std::int64_t position, std::span<std::uint8_t> buffer) const override;

private:
    std::span<const std::uint8_t> bytes_;
};

// An open file. Its length is taken once, at open, so every step of a walk is checked against
// the same length. The first KiB is read in one call when first asked for and served from
// memory after that; other reads are remembered (up to 64 KiB in all), so that BytesUnchanged
// can tell whether what a walk read is still what the file holds.
class FileSource final : public ByteSource {
public:
    static constexpr std::size_t kHeadBytes = 1024;

    // Nothing when the file cannot be opened for reading (or is not a regular file).
    static std::optional<FileSource> Open(std::string_view utf8Path);

    explicit FileSource(File file);
    std::int64_t Size() const override;
    std::int64_t ReadAt(std::int64_t position, std::span<std::uint8_t> buffer) const override;

    // The handle itself, for a caller that goes on to copy the bytes it has just read the header
    // of.
    const File& Handle() const { return file_; }

    // Whether the bytes read so far are still there: the file read again at the same places
    // gives the same bytes.
    bool BytesUnchanged() const;

private:
    struct Remembered {
        std::int64_t position = 0;
        std::vector<std::uint8_t> bytes;
    };
    File file_;
    std::int64_t size_ = 0;
    mutable bool headRead_ = false;
    mutable std::array<std::uint8_t, kHeadBytes> head_; // the first headSize_ bytes are read
    mutable std::size_t headSize_ = 0;
    mutable std::vector<Remembered> remembered_;
    mutable std::size_t rememberedBytes_ = 0;
};

} // namespace folionix

#include "imaging/modJP2.h"

#include "imaging/HeaderWalk.h"
#include "imaging/modJ2K.h"

#include <array>
#include <cstdint>
#include <limits>
#include <optional>

namespace folionix {

namespace {
using header_walk::Fail;
} // namespace

// Box header, eight bytes at the start of every box:
//   0  4  LBox, box length including this header, big-endian, read as signed 32-bit
//          (0: the box runs to the end of the file; 1: an XLBox follows the type)
//   4  4  TBox, box type, four characters
//   8  8  XLBox, 64-bit big-endian box length, only when LBox is 1
bool ReadBoxHeader(const File& file, std::int32_t position, std::int32_t& boxLength,
                   std::string& boxType) {
    if (position < 1) {
        return false;
    }
    std::array<std::uint8_t, 8> header{};
    if (!file.ReadExactlyAt(std::int64_t{position} - 1, header)) {
        return false;
    }
    boxLength = BytesToLong(header[0], header[1], header[2], header[3]);
    boxType.assign(header.begin() + 4, header.end());
    return true;
}

// The walk is flat and stops at the first "jp2c" box (exact letter case). A box before it must
// have a length the walk can step by: a length of 1 is replaced by its 64-bit extended length;
// a length of 0 (runs to the end of the file, so no "jp2c" can follow), a negative one, one
// below the 8 bytes of the header itself, and one that carries the position past the end of the
// file or past the signed 32-bit range all fail, as does a file without "jp2c". The codestream
// is read at the box start + 8; when it is not there (for example behind an extended-length
// "jp2c" header) the codestream reader fails, and so does this one.
bool GetJp2Info(const std::string& path, ImageInfo& info, std::int32_t startPosition) {
    info.XResolution = 0;
    info.YResolution = 0;
    const std::int32_t start = startPosition < 1 ? 1 : startPosition;

    const std::optional<File> file = File::Open(path, File::Mode::Read);
    if (!file) {
        return Fail(info);
    }
    const std::int64_t fileSize = file->Size();
    constexpr std::int64_t kLastPosition = std::numeric_limits<std::int32_t>::max();

    std::int32_t position = start;
    std::string boxType;
    for (;;) {
        std::int32_t boxLength = 0;
        if (!ReadBoxHeader(*file, position, boxLength, boxType)) {
            return Fail(info);
        }
        if (boxType == "jp2c") {
            break;
        }
        std::int64_t step = boxLength;
        if (boxLength == 1) {
            std::array<std::uint8_t, 8> extended{};
            if (!file->ReadExactlyAt(std::int64_t{position} - 1 + 8, extended)) {
                return Fail(info);
            }
            // Any value above the 32-bit range fails below; the top half need not be exact.
            const std::uint32_t high = static_cast<std::uint32_t>(
                BytesToLong(extended[0], extended[1], extended[2], extended[3]));
            const std::uint32_t low = static_cast<std::uint32_t>(
                BytesToLong(extended[4], extended[5], extended[6], extended[7]));
            step = high != 0 ? kLastPosition + 1 : std::int64_t{low};
            if (step < 16) {
                return Fail(info);
            }
        } else if (boxLength < 8) {
            return Fail(info);
        }
        const std::optional<std::int32_t> next =
            header_walk::NextPosition(position, step, fileSize);
        if (!next) {
            return Fail(info);
        }
        position = *next;
    }
    if (std::int64_t{position} + 8 > kLastPosition) {
        return Fail(info);
    }
    return GetJ2kInfo(path, info, position + 8);
}

} // namespace folionix

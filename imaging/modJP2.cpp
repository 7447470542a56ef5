#include "imaging/modJP2.h"

#include "imaging/HeaderWalk.h"
#include "imaging/modJ2K.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <string_view>

namespace folionix {

namespace {

using header_walk::Fail;

constexpr std::int64_t kLastPosition = std::numeric_limits<std::int32_t>::max();

// One box the walk stepped over: its type, the 1-based position of its content, and its end as
// the number of bytes up to it.
struct Box {
    std::array<char, 4> type{};
    std::int32_t content{};
    std::int64_t end{};

    bool Is(std::string_view name) const { return std::string_view(type.data(), 4) == name; }

    // The first buffer.size() bytes of the content; false when the box holds fewer.
    bool ReadContent(const ByteSource& source, std::span<std::uint8_t> buffer) const {
        return end - (content - 1) >= static_cast<std::int64_t>(buffer.size()) &&
               source.ReadExactlyAt(std::int64_t{content} - 1, buffer);
    }
};

// Box header, eight bytes at the start of every box:
//   0  4  LBox, box length including this header, big-endian, read as signed 32-bit
//          (0: the box runs to the end of the file; 1: an XLBox follows the type)
//   4  4  TBox, box type, four characters
//   8  8  XLBox, 64-bit big-endian box length, only when LBox is 1
//
// The one box walk, flat, from the position to end (the number of bytes up to the end of the
// file or of the enclosing box). It stops at the first box of type stop (exact letter case; an
// empty stop never matches) and gives its position. Every other box must have a length the walk
// can step by: a length of 1 is replaced by its 64-bit extended length; a length of 0, a
// negative one, one below the header itself, and one that carries the position past end or past
// the signed 32-bit range all end the walk with nothing, as does reaching end. visit(box) sees
// each box stepped over.
template <typename Visit>
std::optional<std::int32_t> WalkBoxes(const ByteSource& source, std::int32_t position,
                                      std::int64_t end, std::string_view stop, Visit visit) {
    for (;;) {
        std::array<std::uint8_t, 8> header{};
        if (std::int64_t{position} - 1 + 8 > end ||
            !source.ReadExactlyAt(std::int64_t{position} - 1, header)) {
            return std::nullopt;
        }
        Box box;
        std::copy(header.begin() + 4, header.end(), box.type.begin());
        if (box.Is(stop)) {
            return position;
        }
        const std::int32_t boxLength = BytesToLong(header[0], header[1], header[2], header[3]);
        std::int64_t step = boxLength;
        std::int64_t headerLength = 8;
        if (boxLength == 1) {
            if (!source.ReadExactlyAt(std::int64_t{position} - 1 + 8, header)) {
                return std::nullopt;
            }
            // Any value above the 32-bit range fails below; the top half need not be exact.
            step = header_walk::Big32(header, 0) != 0 ? kLastPosition + 1
                                                      : std::int64_t{header_walk::Big32(header, 4)};
            headerLength = 16;
        }
        if (step < headerLength) {
            return std::nullopt;
        }
        const std::optional<std::int32_t> next = header_walk::NextPosition(position, step, end);
        if (!next) {
            return std::nullopt;
        }
        box.content = static_cast<std::int32_t>(position + headerLength);
        box.end = *next - 1;
        visit(box);
        position = *next;
    }
}

// Colour box (colr) content: 0 METH (1 enumerated, 2 or 3 ICC profile), 1 PREC,
// 2 APPROX, and for METH 1: 3 EnumCS (4, big-endian). A box too short for its fields gives
// neither fact.
void TakeColour(const ByteSource& source, const Box& colr, Jp2Facts& facts) {
    std::array<std::uint8_t, 7> content{};
    if (!colr.ReadContent(source, std::span(content).first(3))) {
        return;
    }
    if (content[0] != 1) {
        facts.colourMethod = content[0];
    } else if (colr.ReadContent(source, content)) {
        facts.colourMethod = 1;
        facts.enumeratedColourSpace = header_walk::Big32(content, 3);
    }
}

// resc and resd inside "res ": ten bytes each (ParseResolutionBox).
void TakeResolution(const ByteSource& source, const Box& box, Jp2Facts& facts) {
    const bool capture = box.Is("resc");
    std::array<std::uint8_t, 10> content{};
    if ((capture || box.Is("resd")) && box.ReadContent(source, content)) {
        static_cast<void>(ParseResolutionBox(content, capture ? facts.captureResolution
                                                              : facts.displayResolution));
        (capture ? facts.hasCaptureResolution : facts.hasDisplayResolution) = true;
    }
}

// The boxes of jp2h that give facts: the first colr box (colourSeen carries over from an
// earlier jp2h) and the resolution boxes. Content the walk cannot step through ends it there.
void TakeHeaderBoxes(const ByteSource& source, const Box& jp2h, Jp2Facts& facts, bool& colourSeen) {
    WalkBoxes(source, jp2h.content, jp2h.end, {}, [&](const Box& box) {
        if (box.Is("colr") && !colourSeen) {
            colourSeen = true;
            TakeColour(source, box, facts);
        } else if (box.Is("res ")) {
            WalkBoxes(source, box.content, box.end, {},
                      [&](const Box& resolution) { TakeResolution(source, resolution, facts); });
        }
    });
}

} // namespace

// The walk stops at the first "jp2c" box; a file without one fails. The codestream is read at
// the box start + 8, whatever the box's length says; when it is not there (for example behind
// an extended-length "jp2c" header) the codestream reader fails, and so does this one.
bool header_walk::ReadJp2Header(const ByteSource& source, ImageInfo& info,
                                std::int32_t startPosition, Jp2Facts* jp2, J2kFacts* codestream) {
    info.XResolution = 0;
    info.YResolution = 0;
    const std::int32_t start = std::max<std::int32_t>(startPosition, 1);
    bool colourSeen = false;
    const std::optional<std::int32_t> jp2c =
        WalkBoxes(source, start, source.Size(), "jp2c", [&](const Box& box) {
            if (jp2 != nullptr && box.Is("jp2h")) {
                TakeHeaderBoxes(source, box, *jp2, colourSeen);
            }
        });
    if (!jp2c || std::int64_t{*jp2c} + 8 > kLastPosition) {
        return Fail(info);
    }
    const bool ok = ReadCodestreamHeader(source, info, *jp2c + 8, codestream);
    if (jp2 != nullptr && codestream != nullptr) {
        jp2->components = codestream->components;
    }
    return ok;
}

bool GetJp2Info(const ByteSource& source, ImageInfo& info, std::int32_t startPosition) {
    header_walk::CountWalk();
    return header_walk::ReadJp2Header(source, info, startPosition, nullptr, nullptr);
}

bool GetJp2Info(const std::string& path, ImageInfo& info, std::int32_t startPosition) {
    return header_walk::ReadFile(path, info, [&](const ByteSource& source) {
        return GetJp2Info(source, info, startPosition);
    });
}

} // namespace folionix

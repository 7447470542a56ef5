#pragma once

// Forwarding header for the older builder names; the builders live in the fixture library.
#include "support/ImageBytes.h"

namespace folionix::fixture {

using namespace folionix::test;

// A codestream whose Ssiz bytes are given as written (depth − 1).
inline Bytes Codestream(std::uint32_t xsiz, std::uint32_t ysiz, std::vector<std::uint8_t> ssiz,
                        std::uint32_t xosiz = 0, std::uint32_t yosiz = 0) {
    for (std::uint8_t& depth : ssiz) {
        depth = static_cast<std::uint8_t>(depth + 1);
    }
    return test::Codestream(xsiz, ysiz, ssiz, xosiz, yosiz);
}

inline Bytes SimpleJp2(const Bytes& codestream) {
    return Jp2File({}, codestream);
}

} // namespace folionix::fixture

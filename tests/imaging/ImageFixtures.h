#pragma once

// Forwarding header for older names (Codestream from Ssiz bytes, that is depth − 1).
#include "support/ImageBytes.h"

#include <algorithm>

namespace folionix::fixture {
using namespace folionix::test;
inline Bytes Codestream(std::uint32_t xsiz, std::uint32_t ysiz, std::vector<std::uint8_t> ssiz,
                        std::uint32_t xosiz = 0, std::uint32_t yosiz = 0) {
    std::for_each(ssiz.begin(), ssiz.end(), [](std::uint8_t& s) { s = std::uint8_t(s + 1); });
    return test::Codestream(xsiz, ysiz, ssiz, xosiz, yosiz);
}
inline Bytes SimpleJp2(const Bytes& codestream) {
    return Jp2File({}, codestream);
}
} // namespace folionix::fixture

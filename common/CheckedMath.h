#pragma once

#include "common/RunError.h"

#include <cstdint>
#include <limits>

namespace folionix {

// 32-bit signed arithmetic that raises RunError instead of wrapping: object numbers, offsets,
// lengths and pixel products are 32-bit values, and an overflow must end the run cleanly.
inline std::int32_t CheckedInt32(std::int64_t value, const char* what) {
    if (value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max()) {
        throw RunError(std::string("Overflow: ") + what + " does not fit in 32 bits");
    }
    return static_cast<std::int32_t>(value);
}

inline std::int32_t CheckedAdd(std::int32_t a, std::int32_t b, const char* what) {
    return CheckedInt32(static_cast<std::int64_t>(a) + b, what);
}

inline std::int32_t CheckedSub(std::int32_t a, std::int32_t b, const char* what) {
    return CheckedInt32(static_cast<std::int64_t>(a) - b, what);
}

inline std::int32_t CheckedMul(std::int32_t a, std::int32_t b, const char* what) {
    return CheckedInt32(static_cast<std::int64_t>(a) * b, what);
}

} // namespace folionix

#pragma once

#include "common/RunError.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

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

// Rounds to the nearest whole number, halves to the even neighbour (612.5 -> 612, 613.5 -> 614),
// whatever the floating-point rounding mode. Raises RunError, naming what, for a value outside
// the 32-bit range or not a number.
inline std::int32_t RoundHalfEven(double value, const char* what) {
    const double lower = std::floor(value);
    const double fraction = value - lower;
    double rounded = lower;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(lower, 2.0) != 0.0)) {
        rounded = lower + 1.0;
    }
    if (!(rounded >= static_cast<double>(std::numeric_limits<std::int32_t>::min()) &&
          rounded <= static_cast<double>(std::numeric_limits<std::int32_t>::max()))) {
        throw RunError(std::string("Overflow: ") + what + " does not fit in 32 bits");
    }
    return static_cast<std::int32_t>(rounded);
}

} // namespace folionix

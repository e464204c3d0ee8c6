// Arithmetic helpers of the force engine. The engine computes with values any process may
// have written into the shared table, so every narrowing saturates instead of overflowing:
// wherever the 32-bit arithmetic of the wheel's formulas does not overflow the results are
// the same, and where it would, the nearest representable value stands.
#pragma once

#include <cstdint>
#include <limits>

namespace quorforce {

inline std::int32_t SaturateToInt32(std::int64_t value) {
    if (value > std::numeric_limits<std::int32_t>::max()) {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (value < std::numeric_limits<std::int32_t>::min()) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(value);
}

// Conversion to a 32-bit integer by truncation toward zero, saturating outside the range
// (and 0 for a NaN), where a plain conversion would be undefined.
inline std::int32_t Trunc(double value) {
    if (!(value == value)) return 0;
    if (value >= 2147483648.0) return std::numeric_limits<std::int32_t>::max();
    if (value <= -2147483649.0) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

}  // namespace quorforce

// Float to 32-bit integer, truncated toward zero, for values that may lie
// anywhere (nothing clamps the host's or the store's numbers): beyond the
// 32-bit range saturated, NaN as 0, never an undefined conversion.
#pragma once

#include <cstdint>

constexpr std::int32_t SaturatingTruncate(double v) noexcept {
    if (!(v == v)) return 0;
    if (v >= 2147483647.0) return INT32_MAX;
    if (v <= -2147483648.0) return INT32_MIN;
    return static_cast<std::int32_t>(v);
}

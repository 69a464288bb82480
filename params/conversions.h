// Conversions between the camera's integers and the controls' numbers. A double that does not
// fit the target type must never reach a plain cast: that is undefined behaviour and, in
// practice, a wrapped value sent to the camera or shown to the operator.
#pragma once

#include <QtGlobal>

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

namespace conversions {

// Rounds half away from zero and saturates to the int range; NaN gives nanResult.
inline int roundSaturated(double value, int nanResult)
{
    if (std::isnan(value))
        return nanResult;
    const double rounded = std::round(value);
    if (rounded <= double(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    if (rounded >= double(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    return int(rounded);
}

// Truncates toward zero and saturates to the int range; NaN gives nanResult.
inline int truncateSaturated(double value, int nanResult)
{
    if (std::isnan(value))
        return nanResult;
    const double truncated = std::trunc(value);
    if (truncated <= double(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    if (truncated >= double(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    return int(truncated);
}

// A camera's unsigned 32-bit value as a control's int, saturated at the int maximum.
inline int toControlInt(std::uint32_t value)
{
    return value > std::uint32_t(std::numeric_limits<int>::max()) ? std::numeric_limits<int>::max()
                                                                  : int(value);
}

// The value truncated toward zero when it fits an unsigned 32-bit integer; nothing otherwise.
inline std::optional<std::uint32_t> truncateToUint32(double value)
{
    if (std::isnan(value))
        return std::nullopt;
    const double truncated = std::trunc(value);
    if (truncated < 0.0 || truncated > double(std::numeric_limits<std::uint32_t>::max()))
        return std::nullopt;
    return std::uint32_t(truncated);
}

// The value truncated toward zero when it fits a signed 32-bit integer; nothing otherwise.
inline std::optional<std::int32_t> truncateToInt32(double value)
{
    if (std::isnan(value))
        return std::nullopt;
    const double truncated = std::trunc(value);
    if (truncated < double(std::numeric_limits<std::int32_t>::min()) ||
        truncated > double(std::numeric_limits<std::int32_t>::max()))
        return std::nullopt;
    return std::int32_t(truncated);
}

} // namespace conversions

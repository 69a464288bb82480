// Conversions between the camera's integers and the controls' numbers. A double that does not
// fit the target type must never reach a plain cast: that is undefined behaviour and, in
// practice, a wrapped value sent to the camera or shown to the operator.
#pragma once

#include <QtGlobal>

#include <cmath>
#include <cstdint>
#include <limits>

namespace conversions {

namespace detail {

// A whole number held in a double, saturated to the int range; NaN gives nanResult.
inline int saturatedToInt(double whole, int nanResult)
{
    if (std::isnan(whole))
        return nanResult;
    if (whole <= double(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    if (whole >= double(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    return int(whole);
}

} // namespace detail

// Rounds half away from zero and saturates to the int range; NaN gives nanResult.
inline int roundSaturated(double value, int nanResult)
{
    return detail::saturatedToInt(std::round(value), nanResult);
}

// Truncates toward zero and saturates to the int range; NaN gives nanResult.
inline int truncateSaturated(double value, int nanResult)
{
    return detail::saturatedToInt(std::trunc(value), nanResult);
}

// A camera's unsigned 32-bit value as a control's int, saturated at the int maximum.
inline int toControlInt(std::uint32_t value)
{
    return value > std::uint32_t(std::numeric_limits<int>::max()) ? std::numeric_limits<int>::max()
                                                                  : int(value);
}

} // namespace conversions

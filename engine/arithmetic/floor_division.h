// SPDX-License-Identifier: MIT
// Division rounded down, for the carries of limb sums that may be negative.
#pragma once

namespace dorvanel {

// value / divisor rounded toward minus infinity, for a divisor above 0, in any signed integer
// type: C++ division rounds toward zero.
template <typename Integer> constexpr Integer FloorDivide(Integer value, Integer divisor) {
    const Integer quotient = value / divisor;
    return quotient - (value % divisor < 0 ? 1 : 0);
}

} // namespace dorvanel

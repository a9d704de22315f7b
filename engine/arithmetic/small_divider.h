// SPDX-License-Identifier: MIT
// Division by one divisor below 2^31 many times over, through its reciprocal.
#pragma once

#include "power_by_squaring.h"

#include <cstdint>

namespace dorvanel {

struct SmallDivider {
    std::uint64_t d;
    std::uint64_t reciprocal;

    explicit SmallDivider(std::uint64_t divisor)
        : d(divisor), reciprocal(~std::uint64_t{0} / divisor) {}

    // v / d for v below 2^63, leaving the remainder in v: the reciprocal's estimate is the
    // quotient or one less.
    std::uint64_t Divide(std::uint64_t& v) const {
        __extension__ typedef unsigned __int128 UInt128;
        const std::uint64_t q = static_cast<std::uint64_t>((UInt128{v} * reciprocal) >> 64);
        v -= q * d;
        const std::uint64_t over = static_cast<std::uint64_t>(v >= d);
        v -= d & (0 - over);
        return q + over;
    }
    std::uint64_t MulMod(std::uint64_t a, std::uint64_t b) const {
        std::uint64_t v = a * b;
        Divide(v);
        return v;
    }
    std::uint64_t PowMod(std::uint64_t base, std::uint64_t exponent) const {
        return PowerBySquaring(base, exponent, std::uint64_t{1},
                               [this](std::uint64_t a, std::uint64_t b) { return MulMod(a, b); });
    }
};

} // namespace dorvanel

// SPDX-License-Identifier: MIT
// Exponentiation by squaring for any type with a multiplication: exact numbers, extended
// floating values, bounds cut to their leading limbs, residues.
#pragma once

#include <cstdint>
#include <utility>

namespace dorvanel {

// base^exponent as one · base · base · …, squaring base only while bits remain, so that
// rounding types give the same result in the same order of operations wherever it is used.
template <typename T, typename Multiply>
T PowerBySquaring(T base, std::uint64_t exponent, T one, const Multiply& multiply) {
    T result = std::move(one);
    while (exponent != 0) {
        if (exponent & 1)
            result = multiply(result, base);
        exponent >>= 1;
        if (exponent != 0)
            base = multiply(base, base);
    }
    return result;
}

} // namespace dorvanel

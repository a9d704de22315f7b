// SPDX-License-Identifier: MIT
// Limbs two at a time, as one number below 10^18, and back: what the division's chains read and
// write.
#pragma once

#include "decimal.h"

#include <cstddef>
#include <cstdint>

namespace dorvanel {

inline std::uint64_t PairAt(const std::uint32_t* limbs, std::size_t i) {
    return limbs[i + 1] * std::uint64_t{kLimbBase} + limbs[i];
}

inline void PutPair(std::uint32_t* limbs, std::size_t i, std::uint64_t pair) {
    limbs[i + 1] = static_cast<std::uint32_t>(pair / kLimbBase);
    limbs[i] = static_cast<std::uint32_t>(pair % kLimbBase);
}

// pairs[k] = limbs 2k and 2k + 1, for `count` pairs; and back, for pairs below 10^18. In 512-bit
// lanes where the processor has AVX-512 (F and DQ). The two arrays may not overlap.
void ToPairs(std::uint64_t* pairs, const std::uint32_t* limbs, std::size_t count);
void FromPairs(std::uint32_t* limbs, const std::uint64_t* pairs, std::size_t count);

} // namespace dorvanel

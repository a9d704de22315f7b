// SPDX-License-Identifier: MIT
// The sum of counts times coefficients, eight limbs at a time in 512-bit lanes, where the
// processor has AVX-512 (F and DQ).
#pragma once

#include "limb_kernels.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace dorvanel {

// Whether CombineInLanes can take these terms on this processor: every coefficient within 32
// bits.
bool VectorCombinationFits(std::span<const ScaledCount> terms);

// For coefficients whose magnitudes sum to at most 8·10^9, so that a limb's sum stays within
// 63 bits: Σ coefficient·count over the first limbs every term reaches, `limbs` of them, in whole
// blocks of eight: writes those blocks' limbs, returns how many, and leaves in `carry` what
// they carry into the next limb. The sum there may be negative; the caller carries on.
std::size_t CombineInLanes(std::span<const ScaledCount> terms, std::size_t limbs,
                           std::uint32_t* sum, std::int64_t& carry);

} // namespace dorvanel

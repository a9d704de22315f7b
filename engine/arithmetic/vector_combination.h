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

// The most the coefficients' magnitudes may sum to in CombineInLanes: a limb's sum then stays
// within 63 bits.
constexpr std::uint64_t kMostLaneCoefficients = 8'000'000'000;

// For terms VectorCombinationFits takes, their coefficients' magnitudes summing to at most
// kMostLaneCoefficients: Σ coefficient·count over the first limbs every term reaches, `limbs` of
// them, in whole blocks of eight: writes those blocks' limbs, returns how many, and leaves in
// `carry` what they carry into the next limb. The sum there may be negative; the caller carries
// on. sum may not overlap a term's count.
std::size_t CombineInLanes(std::uint32_t* sum, std::int64_t& carry,
                           std::span<const ScaledCount> terms, std::size_t limbs);

} // namespace dorvanel

// SPDX-License-Identifier: MIT
// Exact division of a long number by a small divisor, many stretches of it side by side in
// vector lanes, where the processor has AVX2 and FMA.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dorvanel {

// Whether DivideInLanes can take this division on this processor.
bool VectorDivisionFits(std::size_t limbs, std::uint32_t divisor);

// How many of a number's limbs, from the least significant, the lanes take: whole stretches,
// one per chain.
std::size_t LimbsInLanes(std::size_t limbs);

// quotient = (above·10^(9·limbs) + numerator) / divisor, limbs of base 10^9 from the least
// significant, for `limbs` that LimbsInLanes takes whole and `above` below the divisor: what
// the limbs above them left. Writes `limbs` limbs, untrimmed, and returns the remainder.
// quotient may not overlap numerator.
std::uint32_t DivideInLanes(std::uint32_t* quotient, const std::uint32_t* numerator,
                            std::size_t limbs, std::uint32_t divisor, std::uint32_t above);

} // namespace dorvanel

// SPDX-License-Identifier: MIT
// Exact division of a long number by a small divisor, many stretches of it side by side in
// vector lanes, where the processor has AVX2 and FMA.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dorvanel {

// Whether DivideExactlyInLanes can take this division on this processor.
bool VectorDivisionFits(std::size_t limbs, std::uint32_t divisor);

// quotient = numerator / divisor, limbs of base 10^9 from the least significant, for a numerator
// that divisor should divide exactly; writes `limbs` limbs, untrimmed, and returns the
// remainder, which is 0 when it did.
std::uint32_t DivideExactlyInLanes(const std::uint32_t* numerator, std::size_t limbs,
                                   std::uint32_t divisor, std::uint32_t* quotient);

} // namespace dorvanel

// Exact division of a long number by a small divisor, many stretches of it side by side in
// vector lanes, where the processor has AVX2 and FMA.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dorvanel {

// Whether DivideExactlyInLanes can take this division on this processor.
bool VectorDivisionFits(std::size_t limbs, std::uint32_t divisor);

// quotient = numerator / divisor for a numerator that divisor divides exactly, limbs of base
// 10^9 from the least significant; writes `limbs` limbs, untrimmed.
void DivideExactlyInLanes(const std::uint32_t* numerator, std::size_t limbs, std::uint32_t divisor,
                          std::uint32_t* quotient);

} // namespace dorvanel

// SPDX-License-Identifier: MIT
// What a few consecutive stretches of a long number each leave modulo a small divisor, worked
// out side by side in 512-bit lanes: the remainders a division's chains start from, without a
// chained pass of their own over the limbs.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dorvanel {

// The most stretches one call takes.
constexpr std::size_t kMostRemainderStretches = 4;

// Whether StretchRemainders takes stretches of this length and this divisor on this processor:
// AVX-512 (F and DQ), stretches long enough to pay for setting the lanes up, and a divisor small
// enough for its products to stay exact in doubles.
bool StretchRemaindersFit(std::size_t stretchLimbs, std::uint32_t divisor);

// remainders[s] = limbs s·stretchLimbs … (s + 1)·stretchLimbs − 1 of `limbs`, as a number of
// their own, modulo divisor; for `count` stretches, 1 … kMostRemainderStretches, of a length
// and a divisor StretchRemaindersFit takes.
void StretchRemainders(const std::uint32_t* limbs, std::size_t stretchLimbs, std::size_t count,
                       std::uint32_t divisor, std::uint64_t* remainders);

} // namespace dorvanel

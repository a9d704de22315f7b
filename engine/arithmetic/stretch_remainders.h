// SPDX-License-Identifier: MIT
// What a few consecutive stretches of a long number each leave modulo a small divisor, worked
// out side by side in 512-bit lanes: the remainders a division's chains start from, without a
// chained pass of their own over the limbs.
#pragma once

#include "small_divider.h"

#include <cstddef>
#include <cstdint>

namespace dorvanel {

// The stretches one call takes: those above the lowest of a division's four chains.
constexpr std::size_t kRemainderStretches = 3;

// Whether StretchRemainders takes stretches of this length and this divisor on this processor:
// AVX-512 (F and DQ), stretches long enough to pay for setting the lanes up, and a divisor small
// enough for its products to stay exact in doubles.
bool StretchRemaindersFit(std::size_t stretchLimbs, std::uint32_t divisor);

// remainders[s] = limbs s·stretchLimbs … (s + 1)·stretchLimbs − 1 of `limbs`, as a number of
// their own, modulo divisor; for kRemainderStretches stretches of a length and a divisor
// StretchRemaindersFit takes.
void StretchRemainders(std::uint64_t* remainders, const std::uint32_t* limbs,
                       std::size_t stretchLimbs, std::uint32_t divisor);

// From what `count` consecutive stretches of a number each leave modulo d, in remainders[1 …]
// (stretch 0 the lowest; remainders[0] is not read), to the remainder each one's division
// starts from, in remainders[0 …]: the top one from `above`, each below from what all above it
// leave, that remainder times `shift` (10^(9·limbs a stretch) modulo d) plus the stretch's own.
// Every factor is below 2^31: one reduction a stretch.
template <typename Remainder>
void EnteringRemainders(const SmallDivider& divider, std::uint64_t shift, std::uint64_t above,
                        Remainder* remainders, std::size_t count) {
    std::uint64_t left = above;
    for (std::size_t s = count; s-- > 1;) {
        std::uint64_t next = left * shift + remainders[s];
        divider.Divide(next);
        remainders[s] = static_cast<Remainder>(left);
        left = next;
    }
    remainders[0] = static_cast<Remainder>(left);
}

} // namespace dorvanel

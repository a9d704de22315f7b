// SPDX-License-Identifier: MIT
// The two limb loops every step of the recurrence runs: a signed linear combination of counts,
// and the exact division of the result.
#pragma once

#include "decimal.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace dorvanel {

// A count times a signed coefficient.
struct ScaledCount {
    std::int64_t coefficient = 0;
    LimbSpan count;
};

// Builds Σ coefficient·count for sums known to be non-negative, reading each count only as far
// as it is long. Keeps its working space between calls: one per thread.
class LimbCombiner {
public:
    // Writes the sum's limbs, not trimmed, and returns how many. A sum that comes out negative
    // or longer than `capacity` limbs means a wrong coefficient: InternalError, with nothing
    // written past `capacity`.
    std::size_t Combine(std::uint32_t* sum, std::size_t capacity,
                        std::span<const ScaledCount> terms);
    // The lowest `limbs` limbs of the same sum, for a caller that takes the rest elsewhere:
    // writes exactly `limbs` limbs and returns what they carry into the next, which may be
    // negative.
    std::int64_t CombineLow(std::uint32_t* sum, std::size_t limbs,
                            std::span<const ScaledCount> terms);

private:
    // Keeps the terms that add something, each cut to its lowest `limbs` limbs, longest first;
    // returns the magnitudes' sum, capped at 2^63 − 1.
    std::uint64_t Sort(std::span<const ScaledCount> terms, std::size_t limbs);

    std::vector<ScaledCount> sorted_;
};

// quotient = (entering·10^(9·limbs) + numerator) / divisor, from the most significant limb down,
// for a divisor below 2^31 and `entering` below it: writes `limbs` limbs, untrimmed, and returns
// the remainder. quotient may not overlap numerator.
std::uint64_t DivideFromTop(std::uint32_t* quotient, const std::uint32_t* numerator,
                            std::size_t limbs, std::uint32_t divisor, std::uint32_t entering);

// The same for a number that divisor divides exactly; InternalError when a remainder is left.
// Returns the quotient's normalised limb count.
std::size_t DivideExactly(std::uint32_t* quotient, const std::uint32_t* numerator,
                          std::size_t limbs, std::uint32_t divisor, std::uint32_t entering = 0);

} // namespace dorvanel

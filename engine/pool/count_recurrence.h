// One step of the recurrence that gives each count from the ones before it, on base-10^9 limbs.
// With g(j) the count of total N + j:
//   (j + 1)·g(j + 1) = (j + N)·g(j) + (N·D − N + D − j)·g(j − D) − (N·D + D − 1 − j)·g(j − D + 1)
// It comes from the generating function ((1 − x^D) / (1 − x))^N and its derivative. Solved for
// g(j − D) instead, the same equation runs backwards.
#pragma once

#include "decimal.h"

#include <cstdint>
#include <vector>

namespace dorvanel {

// Builds numerator = a·x + b·y − c·z, for a result known to be non-negative, with y and z no
// longer than x and coefficients below 2^32. Holds working space for counts of up to
// `maxLimbs` limbs.
class NumeratorBuilder {
public:
    explicit NumeratorBuilder(std::size_t maxLimbs);

    // Writes up to x.size() + 2 limbs, not trimmed, and returns how many.
    std::size_t Build(std::uint64_t a, LimbSpan x, std::uint64_t b, LimbSpan y, std::uint64_t c,
                      LimbSpan z, std::uint32_t* numerator);

private:
    // y and z, zero-extended to the length of x, so that every limb is worked alike.
    std::vector<std::uint32_t> y_;
    std::vector<std::uint32_t> z_;
};

// quotient = numerator / divisor for a numerator that divisor (below 2^31) divides exactly.
// Returns the quotient's normalised limb count. quotient may not overlap numerator.
std::size_t DivideExactly(const std::uint32_t* numerator, std::size_t limbs, std::uint32_t divisor,
                          std::uint32_t* quotient);

// The coefficients of one step for N dice of D faces: numerator a·x + b·y − c·z, then divided.
struct RecurrenceStep {
    std::uint64_t a = 0;
    std::uint64_t b = 0;
    std::uint64_t c = 0;
    std::uint32_t divisor = 0;
};

// g(j + 1) from x = g(j), y = g(j − D), z = g(j − D + 1).
RecurrenceStep ForwardStep(std::int64_t dice, std::int64_t faces, std::int64_t j);
// g(j − D) from x = g(j + 1), y = g(j − D + 1), z = g(j).
RecurrenceStep BackwardStep(std::int64_t dice, std::int64_t faces, std::int64_t j);

} // namespace dorvanel

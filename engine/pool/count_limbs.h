// SPDX-License-Identifier: MIT
// How long the counts of a pool get, known before any is computed: for sizing tables, windows
// and plans.
#pragma once

#include "decimal.h"
#include "dice_pool.h"

#include <cstdint>
#include <vector>

namespace dorvanel {

// The number of outcomes, Π D^N, exactly.
Decimal ExactOutcomes(const DicePool& pool);
// Its log10.
double OutcomesLog10(const DicePool& pool);

// Limbs of the longest count, with room for the numerator that produces it.
std::uint64_t WorkingLimbs(const DicePool& pool);

// An upper bound on the limbs of the count of total MinValue + j, for j up to half the spread:
// tight for sums of dice, all outcomes' for other pools.
std::uint64_t CountLimbsBound(const DicePool& pool, std::uint64_t j);

// CountLimbsBound sampled across the totals 0 … last: at a total, the bound at the first sample
// at or after it, an upper bound since counts of sums of dice grow towards the middle.
class CountLimbsProfile {
public:
    CountLimbsProfile(const DicePool& pool, std::int64_t last);

    std::uint64_t At(std::int64_t j) const;
    // Σ At(j) for j = 0 … half: an upper bound on the limbs of all of them.
    std::uint64_t Total() const;

private:
    std::int64_t last_;
    std::vector<std::int64_t> ends_;
    std::vector<std::uint64_t> limbs_;
};

} // namespace dorvanel

// SPDX-License-Identifier: MIT
// Two pools rolled against each other: in how many of their joint outcomes the first's total
// is higher, the same, or lower. The counts come from the distribution of A − B, the pool A
// with B's terms negated, whose positive totals are A's wins and whose total 0 is the ties.
#pragma once

#include "decimal.h"
#include "dice_pool.h"
#include "distribution.h"
#include "distribution_table.h"

namespace dorvanel {

struct VersusCounts {
    Decimal higher; // A > B
    Decimal ties;   // A = B
    Decimal lower;  // A < B
    // Every joint outcome: the sum of the three.
    Decimal Outcomes() const;
};

// The pool whose totals are A's total less B's. Throws IntegerOverflowError when a total leaves
// the 32-bit signed range.
DicePool DifferencePool(const DicePool& a, const DicePool& b);

// The counts from the table of DifferencePool(A, B).
VersusCounts CountVersus(const DistributionTable& difference);

// DifferencePool(A, B) computed with `control`, then counted.
VersusCounts ComputeVersus(const DicePool& a, const DicePool& b, const RunControl& control = {});

} // namespace dorvanel

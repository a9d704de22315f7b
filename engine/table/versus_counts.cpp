// SPDX-License-Identifier: MIT
#include "versus_counts.h"

#include <algorithm>
#include <cstdint>

namespace dorvanel {
namespace {

// The exact sum of the counts of first … last, totals outside the table's range adding none.
Decimal CountSum(const DistributionTable& table, std::int64_t first, std::int64_t last) {
    Decimal sum;
    first = std::max<std::int64_t>(first, table.MinValue());
    last = std::min<std::int64_t>(last, table.MaxValue());
    for (std::int64_t total = first; total <= last; ++total)
        if (!table.IsZero(total))
            sum += Decimal::FromDigits(table.Digits(total));
    return sum;
}

} // namespace

Decimal VersusCounts::Outcomes() const {
    Decimal all = higher;
    all += ties;
    all += lower;
    return all;
}

DicePool DifferencePool(const DicePool& a, const DicePool& b) {
    return a.Plus(b.Negated());
}

VersusCounts CountVersus(const DistributionTable& difference) {
    return {CountSum(difference, 1, difference.MaxValue()), CountSum(difference, 0, 0),
            CountSum(difference, difference.MinValue(), -1)};
}

VersusCounts ComputeVersus(const DicePool& a, const DicePool& b, const RunControl& control) {
    return CountVersus(ComputeDistribution(DifferencePool(a, b), control));
}

} // namespace dorvanel

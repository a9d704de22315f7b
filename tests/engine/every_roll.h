// SPDX-License-Identifier: MIT
// Checks against every roll played out: the value a keep, drop or count gives from the faces
// rolled, and a pool's table against the tally of all its rolls.
#pragma once

#include "distribution.h"

#include <QTest>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace dorvanel::testing {

// Every total with the number of ordered rolls that give it.
using Tally = std::map<std::int64_t, unsigned long long>;

// What the faces rolled give: all of them summed, the K kept, all but the K dropped, or how many
// meet the count's threshold K.
inline std::int64_t SelectedValue(std::vector<std::int64_t> rolled, Modifier modifier,
                                  std::int64_t k) {
    std::sort(rolled.begin(), rolled.end());
    const auto n = static_cast<std::int64_t>(rolled.size());
    auto sum = [&](std::int64_t from, std::int64_t to) {
        std::int64_t total = 0;
        for (std::int64_t i = from; i < to; ++i)
            total += rolled[static_cast<std::size_t>(i)];
        return total;
    };
    switch (modifier) {
    case Modifier::None:
        return sum(0, n);
    case Modifier::KeepHighest:
        return sum(n - k, n);
    case Modifier::KeepLowest:
        return sum(0, k);
    case Modifier::DropHighest:
        return sum(0, n - k);
    case Modifier::DropLowest:
        return sum(k, n);
    default:
        return std::count_if(rolled.begin(), rolled.end(), [&](std::int64_t face) {
            switch (modifier) {
            case Modifier::AtLeast:
                return face >= k;
            case Modifier::Above:
                return face > k;
            case Modifier::AtMost:
                return face <= k;
            case Modifier::Below:
                return face < k;
            default:
                return face == k;
            }
        });
    }
}

// The pool's range, its mean as the labels give it before any count, and every count against
// the tally.
inline void CompareWithEveryRoll(const DicePool& pool, const Tally& expected) {
    const DistributionTable table = ComputeDistribution(pool, RunControl{});
    QCOMPARE(table.MinValue(), expected.begin()->first);
    QCOMPARE(table.MaxValue(), std::prev(expected.end())->first);
    long double sum = 0, all = 0;
    for (const auto& [total, ways] : expected) {
        sum += static_cast<long double>(total) * ways;
        all += ways;
    }
    QVERIFY2(std::abs(pool.MeanValue() - sum / all) <= 1e-12L * (1 + std::abs(sum / all)),
             qPrintable(QString::number(pool.MeanValue(), 'g', 17)));
    for (std::int64_t t = table.MinValue(); t <= table.MaxValue(); ++t) {
        const auto found = expected.find(t);
        QCOMPARE(table.Digits(t), std::to_string(found == expected.end() ? 0 : found->second));
    }
}

} // namespace dorvanel::testing

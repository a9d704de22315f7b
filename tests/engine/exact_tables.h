// SPDX-License-Identifier: MIT
// Tables in either form, and their D^N exactly for checks against fractions in integers.
#pragma once

#include "distribution.h"
#include "pool_notation.h"
#include "wide_number.h"

#include <cmath>

#include <QTest>

#include <string_view>
#include <utility>

namespace dorvanel::testing {

__extension__ typedef unsigned __int128 UInt128;

// A budget of one byte forces the checkpointed form.
inline DistributionTable Computed(const DicePool& pool, bool checkpointed) {
    RunControl control;
    if (checkpointed)
        control.memoryBudget = 1;
    return ComputeDistribution(pool, control);
}

inline DistributionTable Computed(int dice, int faces, bool checkpointed) {
    return Computed(DicePool::Plain(dice, faces), checkpointed);
}

// A pool in dice notation.
inline DistributionTable Computed(const QString& pool, bool checkpointed) {
    return Computed(ParsePool(pool.toStdString()), checkpointed);
}

// Tables whose D^N fits 128 bits, in both forms: dice, faces and whether checkpointed. Their
// counts run up to 31 digits, beyond what the two top limbs of a count hold.
inline void AddExactTableRows() {
    QTest::addColumn<int>("dice");
    QTest::addColumn<int>("faces");
    QTest::addColumn<bool>("checkpointed");
    for (bool checkpointed : {false, true}) {
        const char* form = checkpointed ? "checkpointed" : "whole";
        for (const auto& [dice, faces] :
             {std::pair{1, 1}, std::pair{2, 1}, std::pair{3, 6}, std::pair{10, 6}, std::pair{20, 6},
              std::pair{12, 12}, std::pair{9, 100}, std::pair{40, 6}})
            QTest::addRow("%dd%d %s", dice, faces, form) << dice << faces << checkpointed;
    }
}

inline UInt128 ParseCount(std::string_view digits) {
    UInt128 value = 0;
    for (char digit : digits)
        value = value * 10 + static_cast<unsigned>(digit - '0');
    return value;
}

// D^N, for tables whose outcomes fit 128 bits.
inline UInt128 Outcomes(int dice, int faces) {
    UInt128 power = 1;
    for (int i = 0; i < dice; ++i)
        power *= static_cast<unsigned>(faces);
    return power;
}

// |a − b| / max(a, b), for shares that must agree to a given precision.
inline long double RelativeDifference(const WideNumber& a, const WideNumber& b) {
    if (a.IsZero() && b.IsZero())
        return 0;
    const WideNumber& larger = a.Exponent() >= b.Exponent() ? a : b;
    const WideNumber& smaller = a.Exponent() >= b.Exponent() ? b : a;
    const long double aligned =
        smaller.Mantissa() *
        std::pow(10.0L, static_cast<long double>(smaller.Exponent() - larger.Exponent()));
    return std::fabs(larger.Mantissa() - aligned) / larger.Mantissa();
}

} // namespace dorvanel::testing

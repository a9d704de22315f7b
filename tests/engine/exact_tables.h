// Tables in either form, and their D^N exactly for checks against fractions in integers.
#pragma once

#include "distribution.h"

namespace dorvanel::testing {

__extension__ typedef unsigned __int128 UInt128;

// A budget of one byte forces the checkpointed form.
inline DistributionTable Computed(int dice, int faces, bool checkpointed) {
    RunControl control;
    if (checkpointed)
        control.memoryBudget = 1;
    return ComputeDistribution(DicePool::Plain(dice, faces), control);
}

// D^N, for tables whose outcomes fit 128 bits.
inline UInt128 Outcomes(int dice, int faces) {
    UInt128 power = 1;
    for (int i = 0; i < dice; ++i)
        power *= static_cast<unsigned>(faces);
    return power;
}

} // namespace dorvanel::testing

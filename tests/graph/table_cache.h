// SPDX-License-Identifier: MIT
// Tables shared by the rows of a test, each computed once.
#pragma once

#include "distribution.h"

#include <map>
#include <utility>

inline const dorvanel::DistributionTable& CachedTable(int dice, int faces) {
    static std::map<std::pair<int, int>, dorvanel::DistributionTable> tables;
    auto [entry, added] = tables.try_emplace({dice, faces});
    if (added)
        entry->second = dorvanel::ComputeDistribution(dorvanel::DicePool::Plain(dice, faces));
    return entry->second;
}

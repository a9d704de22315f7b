// SPDX-License-Identifier: MIT
// One group of a pool counted on its own, over all its ordered outcomes, exactly: the sum of the
// highest (or lowest) K of N dice, or of all N dice of a die that is not plain. GroupsWithRest
// puts the groups together.
#pragma once

#include "decimal.h"
#include "dice_pool.h"

#include <atomic>
#include <vector>

namespace dorvanel {

// The count of every kept sum from K × the die's lowest to K × its highest, in that order. Throws
// AnalysisCancelled when `cancel` is raised.
std::vector<Decimal> GroupDistribution(const KeptGroup& group,
                                       const std::atomic<bool>* cancel = nullptr);

// The mean kept sum to about 19 significant digits: for dice of consecutive faces from an exact
// sum over faces and dice, for others from their distribution.
long double GroupMean(const KeptGroup& group);

// About how many limb operations GroupDistribution takes: for refusing what would take too long.
double GroupWork(const KeptGroup& group);

} // namespace dorvanel

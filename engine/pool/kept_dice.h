// SPDX-License-Identifier: MIT
// Dice counted on their own, over all their ordered outcomes, exactly: the sum of the highest
// (or lowest) K of N dice, or of all N dice of a die that is not plain.
#pragma once

#include "decimal.h"
#include "dice_pool.h"

#include <atomic>
#include <vector>

namespace dorvanel {

// The count of every kept sum from K × the die's lowest to K × its highest, in that order. Throws
// AnalysisCancelled when `cancel` is raised.
std::vector<Decimal> KeptDistribution(const KeptGroup& group,
                                      const std::atomic<bool>* cancel = nullptr);

// The mean kept sum to about 19 significant digits: for dice of consecutive faces from an exact
// sum over faces and dice, for others from their distribution.
long double KeptMean(const KeptGroup& group);

// About how many limb operations KeptDistribution takes: for refusing what would take too long.
double KeptWork(const KeptGroup& group);

} // namespace dorvanel

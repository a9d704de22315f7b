// SPDX-License-Identifier: MIT
// The sum of the highest (or lowest) K of N dice of D faces, counted over all D^N ordered
// outcomes, exactly.
#pragma once

#include "decimal.h"
#include "dice_pool.h"

#include <atomic>
#include <vector>

namespace dorvanel {

// The count of every kept sum from K to K·D, in that order. Throws AnalysisCancelled when
// `cancel` is raised.
std::vector<Decimal> KeptDistribution(const KeptGroup& group,
                                      const std::atomic<bool>* cancel = nullptr);

// The mean kept sum, from an exact sum over faces and dice, to about 19 significant digits.
long double KeptMean(const KeptGroup& group);

// About how many limb operations KeptDistribution takes: for refusing what would take too long.
double KeptWork(const KeptGroup& group);

} // namespace dorvanel

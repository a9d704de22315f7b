// SPDX-License-Identifier: MIT
// The highest K of dice, or of sub-totals, of several kinds at once: "{4d6 + 3d8}kh3",
// "{1d20 + 5, 1d12 + 8}kh1". Counted exactly, over every ordered outcome of all of them.
#pragma once

#include "decimal.h"

#include <atomic>
#include <cstdint>
#include <vector>

namespace dorvanel {

// `count` alike members, each taking the value low + v in weights[v] ways; the first and the
// last weight are not 0.
struct SelectedKind {
    std::int32_t count = 0;
    std::int64_t low = 0;
    std::vector<Decimal> weights;

    std::int64_t High() const { return low + static_cast<std::int64_t>(weights.size()) - 1; }
};

// The smallest and the largest sum of the `kept` highest members.
std::int64_t LeastHighestSum(const std::vector<SelectedKind>& kinds, std::int32_t kept);
std::int64_t MostHighestSum(const std::vector<SelectedKind>& kinds, std::int32_t kept);

// The count of every sum of the `kept` highest members, from the least to the most, 1 ≤ kept ≤
// all members. Throws AnalysisCancelled when `cancel` is raised, and InternalError should the
// counts not add up to every outcome.
std::vector<Decimal> HighestOfKinds(const std::vector<SelectedKind>& kinds, std::int32_t kept,
                                    const std::atomic<bool>* cancel = nullptr);

// The mean of that sum, to about 19 significant digits, without counting it: from
// Σ_t (t − the value below)·E[min(members at t or above, K)], worked out exactly.
long double MeanOfHighest(const std::vector<SelectedKind>& kinds, std::int32_t kept);

// About how many limb operations HighestOfKinds takes, in GroupWork's units.
double HighestOfKindsWork(const std::vector<SelectedKind>& kinds, std::int32_t kept);

} // namespace dorvanel

// SPDX-License-Identifier: MIT
// A group in braces: dice pooled across kinds, "{4d6 + 3d8}kh3", or whole sub-totals,
// "{1d20 + 5, 1d12 + 8}kh1", of which some are kept by value or those meeting a condition
// counted. Counted on its own, as kept dice are, and added to or subtracted from the rest.
#pragma once

#include "decimal.h"
#include "dice_pool.h"
#include "highest_of_kinds.h"

#include <atomic>
#include <string>
#include <vector>

namespace dorvanel {

struct BraceGroup {
    // Pooled: one member, whose terms are the dice, all added, none kept or counted. Otherwise
    // one member for each sub-total.
    bool pooled = true;
    std::vector<DicePool> members;
    // A keep or drop, by the members' values, or a count of those meeting a condition.
    Modifier modifier = Modifier::KeepHighest;
    std::int32_t parameter = 0;
    bool subtracted = false;

    friend bool operator==(const BraceGroup&, const BraceGroup&) = default;
};

// How many dice, or sub-totals, the group selects from.
std::int32_t MembersOf(const BraceGroup& group);
// The smallest and the largest value of the group, its sign applied.
std::int64_t LeastOf(const BraceGroup& group);
std::int64_t MostOf(const BraceGroup& group);
// "{4d6 + 3d8}kh3", "{1d20 + 5, 1d12 + 8}kh1", "{3d6, 3d6, 3d6}>=10", without its sign.
std::string BraceNotation(const BraceGroup& group);

// The count of every value of the group from LeastOf to MostOf. Throws AnalysisCancelled when
// `cancel` is raised.
std::vector<Decimal> BraceDistribution(const BraceGroup& group,
                                       const std::atomic<bool>* cancel = nullptr);
// Its mean, to about 19 significant digits.
long double BraceMean(const BraceGroup& group);
// About how many limb operations BraceDistribution takes, in GroupWork's units.
double BraceWork(const BraceGroup& group);
// The group with every term's dice scaled to `share` of them (at least one each), keeping as
// large a share of them: what a refusal offers instead.
BraceGroup ScaledBraces(const BraceGroup& group, double share);
// What a refusal offers: "; {133d6 + 133d8 + 133d10}kh133 answers", the largest share of the
// group within `mostWork`, or nothing when there is none.
std::string WhatAnswers(const BraceGroup& group, double mostWork);
// Sub-totals are counted for the labels before any run: at most about a tenth of a second.
inline constexpr double kMostSubTotalWork = 1.5e7;

} // namespace dorvanel

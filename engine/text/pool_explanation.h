// SPDX-License-Identifier: MIT
// A pool in words, since dice rollers read the same letters differently: whether > is strict,
// whether r rerolls once, where explosions stop.
#pragma once

#include "dice_pool.h"

#include <string>

namespace dorvanel {

// "4d6kh3: 4 six-sided dice, the 3 highest added"; "10d10!10>=8f1: 10 ten-sided dice, a 10
// rolls again; each roll of 8 or more counts 1, each 1 counts −1".
std::string Explanation(const DicePool& pool);

// Where explosions stop and how rarely a die gets that far: "explosions stop after 10 extra
// rolls; 1 die in 60466176 gets that far", each exploding term named when there are several.
// Empty for a pool without exploding dice.
std::string DepthNote(const DicePool& pool);

} // namespace dorvanel

// SPDX-License-Identifier: MIT
// The scale of a graph whose top stands for all outcomes: how many digits a count is aligned
// to before it is cut, and the value the top of the plot stands for.
#pragma once

#include "dice_pool.h"

#include <cstdint>

namespace dorvanel {

struct WholeRangeScale {
    std::int32_t referenceWidth = 0;
    double yTop = 0.0;
};

// For D^N within the double range the figures come from D^N rounded to a double and divided
// by ten step by step, so that they match the graphs this program has always drawn; beyond
// it, from the exact digits of D^N, as the same steps give them in exact arithmetic. Faces
// and dice are at least 1.
WholeRangeScale WholeRangeScaleOf(std::int32_t faces, std::int32_t dice);

// The same for a pool's outcomes: as above for one kind of dice; for others from the exact
// product, as a double where it fits one.
WholeRangeScale WholeRangeScaleOf(const DicePool& pool);

} // namespace dorvanel

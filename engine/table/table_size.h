// SPDX-License-Identifier: MIT
// How much memory a table of counts takes, known before it is computed.
#pragma once

#include "dice_pool.h"

#include <cstdint>

namespace dorvanel {

struct TableSize {
    std::uint64_t entries = 0; // stored counts (CountIndex)
    std::uint64_t limbs = 0;   // an upper bound on the base-10^9 limbs of all stored counts
    std::uint64_t bytes = 0;   // everything the table holds while it is computed
};

// An upper bound, tight to a fraction of a percent for large tables.
TableSize EstimateTableSize(const DicePool& pool);

} // namespace dorvanel

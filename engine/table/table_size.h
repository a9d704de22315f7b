// How much memory a table of counts takes, known before it is computed.
#pragma once

#include <cstdint>

namespace dorvanel {

struct TableSize {
    std::uint64_t entries = 0; // stored counts: half of the totals, the rest mirror them
    std::uint64_t limbs = 0;   // an upper bound on the base-10^9 limbs of all stored counts
    std::uint64_t bytes = 0;   // everything the table holds while it is computed
};

// An upper bound, tight to a fraction of a percent for large tables. Needs dice >= 1,
// faces >= 1 and dice × faces within the 32-bit signed range.
TableSize EstimateTableSize(std::int32_t dice, std::int32_t faces);

// Limbs of the largest count, with room for the numerator that produces it.
std::uint64_t WorkingLimbs(std::int32_t dice, std::int32_t faces);

// An upper bound on the limbs of the count of total dice + j, for j up to half the spread.
std::uint64_t CountLimbsBound(std::int32_t dice, std::int32_t faces, std::uint64_t j);

} // namespace dorvanel

// SPDX-License-Identifier: MIT
#include "table_size.h"

#include "count_index.h"
#include "count_limbs.h"
#include "count_sums.h"

#include <algorithm>
#include <cmath>

namespace dorvanel {
namespace {

// Below this a table is sized by its crudest bound: every count as long as all outcomes.
constexpr std::uint64_t kCrudeBoundBytes = std::uint64_t{64} << 20;

} // namespace

TableSize EstimateTableSize(const DicePool& pool) {
    TableSize size;
    const std::int64_t last = CountIndex(pool).Entries() - 1;
    size.entries = static_cast<std::uint64_t>(last) + 1;
    const std::uint64_t working = WorkingLimbs(pool);
    const std::uint64_t overheadBytes = (size.entries + 1) * sizeof(std::uint64_t) +
                                        2 * working * sizeof(std::uint32_t) +
                                        CountSums::BytesFor(size.entries);
    size.limbs = size.entries * (working - 2);
    if (size.limbs * sizeof(std::uint32_t) > kCrudeBoundBytes)
        size.limbs = std::min(size.limbs, CountLimbsProfile(pool, last).Total());
    size.bytes = size.limbs * sizeof(std::uint32_t) + overheadBytes;
    return size;
}

} // namespace dorvanel

// SPDX-License-Identifier: MIT
#include "table_size.h"

#include "count_size.h"
#include "count_sums.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace dorvanel {
namespace {

// Below this a table is sized by its crudest bound: every count as long as all outcomes.
constexpr std::uint64_t kCrudeBoundBytes = std::uint64_t{64} << 20;

} // namespace

TableSize EstimateTableSize(const DicePool& pool) {
    TableSize size;
    const std::int64_t half = pool.Spread() / 2;
    size.entries = static_cast<std::uint64_t>(half) + 1;
    const std::uint64_t working = WorkingLimbs(pool);
    const std::uint64_t overheadBytes = (size.entries + 1) * sizeof(std::uint64_t) +
                                        2 * working * sizeof(std::uint32_t) +
                                        CountSums::BytesFor(size.entries);
    size.limbs = size.entries * (working - 2);
    if (size.limbs * sizeof(std::uint32_t) > kCrudeBoundBytes)
        size.limbs = std::min(size.limbs, CountLimbsProfile(pool, half).Total());
    size.bytes = size.limbs * sizeof(std::uint32_t) + overheadBytes;
    return size;
}

std::optional<std::uint64_t> UsableMemory() {
    std::optional<std::uint64_t> available;
    std::ifstream meminfo("/proc/meminfo");
    for (std::string line; std::getline(meminfo, line);) {
        if (line.rfind("MemAvailable:", 0) == 0) {
            std::istringstream fields(line.substr(13));
            std::uint64_t kilobytes = 0;
            if (fields >> kilobytes)
                available = kilobytes * 1024;
            break;
        }
    }
    if (!available) {
        const long pages = sysconf(_SC_AVPHYS_PAGES);
        const long pageSize = sysconf(_SC_PAGESIZE);
        if (pages <= 0 || pageSize <= 0)
            return std::nullopt;
        available = static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize);
    }
    // Leave a quarter, and at least 1 GB, so that the desktop stays usable during a run.
    const std::uint64_t margin = std::max<std::uint64_t>(*available / 4, std::uint64_t{1} << 30);
    return *available > margin ? *available - margin : 0;
}

} // namespace dorvanel

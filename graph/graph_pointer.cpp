// SPDX-License-Identifier: MIT
#include "graph_pointer.h"

#include <algorithm>

namespace dorvanel {

std::int64_t TotalAtColumn(const GraphScaling& scaling, std::int32_t style, std::int64_t x) {
    // Positions grow with the total: the first total at or past x, by bisection.
    const std::int64_t first = scaling.Counts().FirstTotal();
    std::int64_t low = first;
    std::int64_t high = scaling.Counts().LastTotal();
    while (low < high) {
        const std::int64_t middle = low + (high - low) / 2;
        if (scaling.X(middle) < x || (style != kLineStyle && scaling.X(middle) == x))
            low = middle + 1;
        else
            high = middle;
    }
    // A bar spans from the position before it to its own; a point is nearest on either side.
    if (style == kLineStyle && low > first && x - scaling.X(low - 1) < scaling.X(low) - x)
        return low - 1;
    return low;
}

std::int64_t ColumnOfTotal(const GraphScaling& scaling, std::int32_t style, std::int64_t total) {
    if (style == kLineStyle)
        return scaling.X(total);
    // A bar spans from the position before it, the first from the left edge, to its own.
    return (std::max<std::int64_t>(0, scaling.X(total - 1)) + scaling.X(total)) / 2;
}

} // namespace dorvanel

// SPDX-License-Identifier: MIT
// Which total a point of the plot shows: in line style the total whose point is nearest
// across, in bar style the total whose bar holds it; and where a total is.
#pragma once

#include "graph_scaling.h"

#include <cstdint>

namespace dorvanel {

// A total the plot can show (ScaledCounts' FirstTotal … LastTotal) for any column, also beyond
// the plot's edges.
std::int64_t TotalAtColumn(const GraphScaling& scaling, std::int32_t style, std::int64_t x);

// The column where a total is marked: its point, or the middle of its bar.
std::int64_t ColumnOfTotal(const GraphScaling& scaling, std::int32_t style, std::int64_t total);

} // namespace dorvanel

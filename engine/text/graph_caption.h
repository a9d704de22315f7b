// SPDX-License-Identifier: MIT
// The lines under a saved graph image, so that the file tells what it shows.
#pragma once

#include "distribution_table.h"

#include <string>
#include <vector>

namespace dorvanel {

// "3d6 + 2d8 + 5", the analysed pool; "Totals 1 to 34, left to right", the range across; and
// what the top of the plot stands for: "Top: the largest count, 27", or "Top: all outcomes,
// 216" when the whole Y range is shown.
std::vector<std::string> GraphCaptionLines(const DistributionTable& table, bool wholeXRange,
                                           bool wholeYRange, char decimalSeparator = '.');

} // namespace dorvanel

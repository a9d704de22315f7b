// SPDX-License-Identifier: MIT
#include "graph_caption.h"

#include "readout.h"
#include "report.h"

namespace dorvanel {

std::vector<std::string> GraphCaptionLines(const DistributionTable& table, bool wholeXRange,
                                           bool wholeYRange, char decimalSeparator) {
    // The whole X range also holds 1 and the totals up to it that cannot occur.
    const std::int64_t first = wholeXRange ? table.FirstTotal() : table.MinValue();
    const std::int64_t last = wholeXRange ? table.LastTotal() : table.MaxValue();
    return {table.pool().Notation(),
            "Totals " + std::to_string(first) + " to " + std::to_string(last) + ", left to right",
            wholeYRange ? "Top: all outcomes, " + PossibleRollsText(table.pool(), decimalSeparator)
                        : "Top: the largest count, " +
                              CountText(table, table.PeakTotal(), decimalSeparator)};
}

} // namespace dorvanel

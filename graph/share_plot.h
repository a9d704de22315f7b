// SPDX-License-Identifier: MIT
// The graph as shares of all outcomes, so that pools of different numbers of outcomes share
// one scale: the chance of each total, of it or more, or of it or less, for the analysis shown
// and the pools kept beside it. Plain figures and pixel positions; drawing is elsewhere.
#pragma once

#include "distribution_table.h"
#include "graph_scaling.h"

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace dorvanel {

enum class ShareView { Exactly, AtLeast, AtMost };

// The share of outcomes at `total` in `view`, any total: none beside an exact total that cannot
// occur; all or none beyond the ends for the other two.
long double ShareAt(const DistributionTable& table, std::int64_t total, ShareView view);

// The share below which a tail is left out of the likely totals.
inline constexpr long double kUnlikelyShare = 1e-6L;

// The totals from the first whose at-most share reaches kUnlikelyShare to the last whose
// at-least share does: where the probability is.
std::pair<std::int32_t, std::int32_t> LikelyTotals(const DistributionTable& table);

// Ticks of an axis from `low` to `high`: multiples of 1, 2 or 5 times a power of ten, the
// smallest such step, not below `leastStep`, that leaves at least `spacing` pixels between ticks
// over `pixels`.
std::vector<long double> AxisTicks(long double low, long double high, std::int64_t pixels,
                                   std::int64_t spacing, long double leastStep = 0);

struct SharePlotOptions {
    bool wholeXRange = true;
    bool wholeYRange = false; // the top stands for all outcomes, else for the highest share
    std::int32_t style = kLineStyle;
    ShareView view = ShareView::Exactly;
    bool likelyOnly = false; // the X range narrowed to every pool's likely totals
};

class SharePlot {
public:
    // Throws std::invalid_argument without a table or for one without an analysis.
    SharePlot(std::vector<std::shared_ptr<const DistributionTable>> tables,
              const SharePlotOptions& options, std::int32_t width, std::int32_t height);

    const std::vector<std::shared_ptr<const DistributionTable>>& Tables() const { return tables_; }
    const SharePlotOptions& Options() const { return options_; }
    std::int32_t Width() const { return width_; }
    std::int32_t Height() const { return height_; }
    // The totals drawn, first to last.
    std::int64_t FirstTotal() const { return firstTotal_; }
    std::int64_t LastTotal() const { return lastTotal_; }
    // The share the top of the plot stands for.
    long double TopShare() const { return topShare_; }

    std::int64_t Baseline() const { return std::int64_t{height_} - kPlotMargin; }
    // As the counts' graph places them: a total's point, or in bar style its bar's right edge.
    std::int64_t X(std::int64_t total) const;
    std::int64_t Y(long double share) const;
    // The total a column shows: the nearest point, or the bar that holds it.
    std::int64_t TotalAtColumn(std::int64_t x) const;
    std::int64_t ColumnOfTotal(std::int64_t total) const;
    // The totals to draw for a table: each of them while they fit the width twice over, else
    // the one at every column.
    std::vector<std::int64_t> SampledTotals() const;

private:
    std::vector<std::shared_ptr<const DistributionTable>> tables_;
    SharePlotOptions options_;
    std::int32_t width_;
    std::int32_t height_;
    std::int64_t firstTotal_ = 0;
    std::int64_t lastTotal_ = 0;
    // x(k) = (k − left) · width / (right + 1 − left).
    std::int64_t left_ = 0;
    std::int64_t right_ = 0;
    long double topShare_ = 1;
};

} // namespace dorvanel

// SPDX-License-Identifier: MIT
// Maps a distribution to plot pixels: every count cut to about five significant digits in
// units of a power of ten, the value the top of the plot stands for, and the pixel position
// of every total. Computed from the table alone, so the graph always shows the analysis the
// table holds, with the pool it was computed for.
#pragma once

#include "distribution_table.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

namespace dorvanel {

inline constexpr std::int32_t kLineStyle = 0;
inline constexpr std::int32_t kBarStyle = 1;

// The rows left free above the top value and below the baseline.
inline constexpr std::int32_t kPlotMargin = 10;

struct GraphOptions {
    // Totals FirstTotal … LastTotal across the width (every possible one and 1), else
    // MinValue … MaxValue.
    bool wholeXRange;
    bool wholeYRange; // the top stands for all outcomes, else for the peak
    // kLineStyle or kBarStyle; any other value (a settings file may hold one) draws bars that
    // end at their own total's position rather than the next one's.
    std::int32_t style;
};

// Every count of one analysis in plot units, for one Y mode: all that a redraw needs of the
// table, and all that depends on it, so that it can be kept while neither changes.
class ScaledCounts {
public:
    // Throws std::invalid_argument for a table without an analysis.
    ScaledCounts(const DistributionTable& table, bool wholeYRange);

    bool WholeYRange() const { return wholeYRange_; }
    std::int32_t MinValue() const { return minValue_; }
    std::int32_t MaxValue() const { return maxValue_; }
    // The totals the plot can show: every possible one, and 1.
    std::int32_t FirstTotal() const { return std::min(minValue_, 1); }
    std::int32_t LastTotal() const { return std::max(maxValue_, 1); }
    // The number of digits every count is aligned to before it is cut to its first six.
    std::int32_t ReferenceWidth() const { return referenceWidth_; }
    // The value, in the units of Scaled, that the top of the plot stands for.
    double YTop() const { return yTop_; }
    // The count of a total (FirstTotal … LastTotal; others throw RangeCheckError) in plot units:
    // the count itself for a reference width up to 5, else in units of 10^(width − 5), rounded half
    // to even.
    std::int32_t Scaled(std::int64_t total) const;

private:
    std::int32_t ScaleCount(const DistributionTable& table, std::int64_t total) const;

    bool wholeYRange_;
    std::int32_t minValue_;
    std::int32_t maxValue_;
    std::int32_t referenceWidth_ = 0;
    double yTop_ = 0.0;
    CountIndex index_;
    // Scaled counts, stored as the table stores its counts.
    std::vector<std::int32_t> scaled_;
};

class GraphScaling {
public:
    // A plot of width × height pixels, from counts scaled before; their Y mode is the one used.
    GraphScaling(std::shared_ptr<const ScaledCounts> counts, const GraphOptions& options,
                 std::int32_t width, std::int32_t height);
    // The same, scaling the table's counts first. Throws std::invalid_argument for a table
    // without an analysis.
    GraphScaling(const DistributionTable& table, const GraphOptions& options, std::int32_t width,
                 std::int32_t height);

    const ScaledCounts& Counts() const { return *counts_; }
    std::int32_t ReferenceWidth() const { return counts_->ReferenceWidth(); }
    double YTop() const { return counts_->YTop(); }
    std::int32_t Scaled(std::int64_t total) const { return counts_->Scaled(total); }

    // The row the baseline is drawn on; the top value is drawn at row kPlotMargin.
    std::int64_t Baseline() const { return std::int64_t{height_} - kPlotMargin; }
    // Pixel position of a total's point, or in bar style the right edge of its bar.
    std::int64_t X(std::int64_t total) const;
    std::int64_t Y(std::int64_t total) const;

private:
    std::shared_ptr<const ScaledCounts> counts_;
    GraphOptions options_;
    std::int32_t width_;
    std::int32_t height_;
};

} // namespace dorvanel

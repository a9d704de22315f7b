// Maps a distribution to plot pixels: every count cut to about five significant digits in
// units of a power of ten, the value the top of the plot stands for, and the pixel position
// of every total. Computed afresh for each redraw from the table alone, so the graph always
// shows the analysis the table holds, with the dice and faces it was computed for.
#pragma once

#include "distribution_table.h"

#include <cstdint>
#include <vector>

namespace dorvanel {

inline constexpr std::int32_t kLineStyle = 0;
inline constexpr std::int32_t kBarStyle = 1;

struct GraphOptions {
    bool wholeXRange; // totals 1 … MaxValue across the width, else MinValue … MaxValue
    bool wholeYRange; // the top stands for all D^N outcomes, else for the peak
    // kLineStyle or kBarStyle; any other value (a settings file may hold one) draws bars that
    // end at their own total's position rather than the next one's.
    std::int32_t style;
};

class GraphScaling {
public:
    // A plot of width × height pixels; the table must outlive the scaling. Throws
    // std::invalid_argument for a table without an analysis.
    GraphScaling(const DistributionTable& table, const GraphOptions& options, std::int32_t width,
                 std::int32_t height);

    // The number of digits every count is aligned to before it is cut to its first six.
    std::int32_t ReferenceWidth() const { return referenceWidth_; }
    // The value, in the units of Scaled, that the top of the plot stands for.
    double YTop() const { return yTop_; }
    // The count of a total (1 … MaxValue; others throw RangeCheckError) in plot units: the
    // count itself for a reference width up to 5, else in units of 10^(width − 5), rounded
    // half to even.
    std::int32_t Scaled(std::int64_t total) const;

    // The row the baseline is drawn on; the top value is drawn at row 10.
    std::int64_t Baseline() const { return std::int64_t{height_} - kMargin; }
    // Pixel position of a total's point, or in bar style the right edge of its bar.
    std::int64_t X(std::int64_t total) const;
    std::int64_t Y(std::int64_t total) const;

private:
    static constexpr std::int32_t kMargin = 10;

    std::int32_t ScaleCount(std::int64_t total) const;

    const DistributionTable& table_;
    GraphOptions options_;
    std::int32_t width_;
    std::int32_t height_;
    std::int32_t referenceWidth_ = 0;
    double yTop_ = 0.0;
    // Scaled counts of the totals MinValue … the middle; the other half mirrors them.
    std::vector<std::int32_t> scaledHalf_;
};

} // namespace dorvanel

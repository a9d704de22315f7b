// SPDX-License-Identifier: MIT
#include "share_plot.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace dorvanel {

long double ShareAt(const DistributionTable& table, std::int64_t total, ShareView view) {
    const bool below = total < table.MinValue();
    const bool above = total > table.MaxValue();
    switch (view) {
    case ShareView::Exactly:
        return below || above ? 0.0L : table.Share(total).Value();
    case ShareView::AtLeast:
        return below ? 1.0L : above ? 0.0L : table.AtLeastShare(total).Value();
    case ShareView::AtMost:
        return below ? 0.0L : above ? 1.0L : table.AtMostShare(total).Value();
    }
    return 0.0L;
}

std::pair<std::int32_t, std::int32_t> LikelyTotals(const DistributionTable& table) {
    // Both shares move one way with the total: bisection finds each end.
    std::int64_t low = table.MinValue();
    std::int64_t high = table.MaxValue();
    while (low < high) {
        const std::int64_t middle = low + (high - low) / 2;
        if (table.AtMostShare(middle).Value() < kUnlikelyShare)
            low = middle + 1;
        else
            high = middle;
    }
    const std::int64_t first = low;
    low = first;
    high = table.MaxValue();
    while (low < high) {
        const std::int64_t middle = low + (high - low + 1) / 2;
        if (table.AtLeastShare(middle).Value() < kUnlikelyShare)
            high = middle - 1;
        else
            low = middle;
    }
    return {static_cast<std::int32_t>(first), static_cast<std::int32_t>(low)};
}

std::vector<long double> AxisTicks(long double low, long double high, std::int64_t pixels,
                                   std::int64_t spacing, long double leastStep) {
    std::vector<long double> ticks;
    if (!std::isfinite(low) || !std::isfinite(high) || !(high > low) || pixels <= 0 || spacing <= 0)
        return ticks;
    const long double span = high - low;
    // At most this many steps fit.
    const long double most = std::max<long double>(1.0L, static_cast<long double>(pixels) /
                                                             static_cast<long double>(spacing));
    static constexpr long double kFactors[] = {1.0L, 2.0L, 5.0L};
    const long double power = std::pow(10.0L, std::floor(std::log10(span / most)));
    long double step = power;
    for (int i = 1; span / step > most || step < leastStep; ++i)
        step = kFactors[i % 3] * power * std::pow(10.0L, static_cast<long double>(i / 3));
    for (long double tick = std::ceil(low / step) * step; tick <= high + step * 1e-9L; tick += step)
        ticks.push_back(std::fabs(tick) < step * 1e-9L ? 0.0L : tick);
    return ticks;
}

SharePlot::SharePlot(std::vector<std::shared_ptr<const DistributionTable>> tables,
                     const SharePlotOptions& options, std::int32_t width, std::int32_t height)
    : tables_(std::move(tables)), options_(options), width_(width), height_(height) {
    if (tables_.empty())
        throw std::invalid_argument("a share plot needs a table");
    bool firstTable = true;
    for (const auto& table : tables_) {
        if (!table || table->empty())
            throw std::invalid_argument("a share plot needs an analysis");
        std::int64_t first = table->MinValue();
        std::int64_t last = table->MaxValue();
        if (options_.likelyOnly) {
            const auto likely = LikelyTotals(*table);
            first = likely.first;
            last = likely.second;
        } else if (options_.wholeXRange) {
            first = table->FirstTotal();
            last = table->LastTotal();
        }
        firstTotal_ = firstTable ? first : std::min(firstTotal_, first);
        lastTotal_ = firstTable ? last : std::max(lastTotal_, last);
        firstTable = false;
    }
    // As the counts' graph: the whole range leaves one step free before its first total.
    left_ = options_.wholeXRange && !options_.likelyOnly ? firstTotal_ - 1 : firstTotal_;
    right_ = lastTotal_;
    if (options_.view == ShareView::Exactly && !options_.wholeYRange) {
        topShare_ = 0;
        for (const auto& table : tables_)
            topShare_ =
                std::max(topShare_, ShareAt(*table, table->PeakTotal(), ShareView::Exactly));
    }
}

std::int64_t SharePlot::X(std::int64_t total) const {
    const std::int64_t k = options_.style == kBarStyle ? total + 1 : total;
    return (k - left_) * width_ / (right_ + 1 - left_);
}

std::int64_t SharePlot::Y(long double share) const {
    const long double height = static_cast<long double>(height_) - 2 * kPlotMargin;
    return Baseline() - static_cast<std::int64_t>(std::trunc(share * height / topShare_));
}

std::int64_t SharePlot::TotalAtColumn(std::int64_t x) const {
    std::int64_t low = firstTotal_;
    std::int64_t high = lastTotal_;
    while (low < high) {
        const std::int64_t middle = low + (high - low) / 2;
        if (X(middle) < x || (options_.style != kLineStyle && X(middle) == x))
            low = middle + 1;
        else
            high = middle;
    }
    if (options_.style == kLineStyle && low > firstTotal_ && x - X(low - 1) < X(low) - x)
        return low - 1;
    return low;
}

std::int64_t SharePlot::ColumnOfTotal(std::int64_t total) const {
    if (options_.style == kLineStyle)
        return X(total);
    return (std::max<std::int64_t>(0, X(total - 1)) + X(total)) / 2;
}

std::vector<std::int64_t> SharePlot::SampledTotals() const {
    std::vector<std::int64_t> totals;
    if (lastTotal_ - firstTotal_ < 2 * std::int64_t{width_}) {
        for (std::int64_t total = firstTotal_; total <= lastTotal_; ++total)
            totals.push_back(total);
        return totals;
    }
    for (std::int64_t x = 0; x < width_; ++x) {
        const std::int64_t total = TotalAtColumn(x);
        if (totals.empty() || totals.back() != total)
            totals.push_back(total);
    }
    return totals;
}

} // namespace dorvanel

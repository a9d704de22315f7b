// SPDX-License-Identifier: MIT
#include "graph_scaling.h"

#include "errors.h"
#include "whole_range_scale.h"

#include <cmath>
#include <stdexcept>

namespace dorvanel {
namespace {

// A count is cut to its first six digits of the reference width, then to five by rounding.
constexpr std::int32_t kKeptDigits = 6;
constexpr std::int32_t kPlainWidth = 5;

// Round(v / 10), halves to the even neighbour, in integers.
std::int32_t DivideByTenHalfEven(std::uint32_t value) {
    std::uint32_t quotient = value / 10;
    const std::uint32_t remainder = value % 10;
    if (remainder > 5 || (remainder == 5 && quotient % 2 == 1))
        ++quotient;
    return static_cast<std::int32_t>(quotient);
}

} // namespace

ScaledCounts::ScaledCounts(const DistributionTable& table, bool wholeYRange)
    : wholeYRange_(wholeYRange), minValue_(table.MinValue()), maxValue_(table.MaxValue()),
      index_(table.Index()) {
    if (table.empty())
        throw std::invalid_argument("no analysis to draw");
    // The largest count reaches the top: for a symmetric table the one at the mean.
    const std::int64_t peak = table.PeakTotal();
    if (wholeYRange) {
        const WholeRangeScale whole = WholeRangeScaleOf(table.pool());
        referenceWidth_ = whole.referenceWidth;
        yTop_ = whole.yTop;
    } else {
        referenceWidth_ = static_cast<std::int32_t>(table.DigitCount(peak));
    }

    // As the table stores them: a symmetric table's upper half mirrors the lower.
    scaled_.resize(static_cast<std::size_t>(index_.Entries()));
    for (std::size_t j = 0; j < scaled_.size(); ++j)
        scaled_[j] = ScaleCount(table, minValue_ + static_cast<std::int64_t>(j));

    if (!wholeYRange)
        yTop_ = Scaled(peak);
}

std::int32_t ScaledCounts::ScaleCount(const DistributionTable& table, std::int64_t total) const {
    if (referenceWidth_ <= kPlainWidth)
        return static_cast<std::int32_t>(table.LeadingDigitsValue(total, kPlainWidth));
    // Aligned to the reference width with leading zeros, the first six characters hold
    // this many of the count's own digits.
    const std::int64_t digits = static_cast<std::int64_t>(table.DigitCount(total));
    const std::int64_t kept = digits + kKeptDigits - referenceWidth_;
    if (kept <= 0)
        return 0;
    return DivideByTenHalfEven(table.LeadingDigitsValue(total, static_cast<std::size_t>(kept)));
}

std::int32_t ScaledCounts::Scaled(std::int64_t total) const {
    if (total < FirstTotal() || total > LastTotal())
        throw RangeCheckError();
    const std::int64_t j = index_.Stored(total);
    return j < 0 ? 0 : scaled_[static_cast<std::size_t>(j)];
}

GraphScaling::GraphScaling(std::shared_ptr<const ScaledCounts> counts, const GraphOptions& options,
                           std::int32_t width, std::int32_t height)
    : counts_(std::move(counts)), options_(options), width_(width), height_(height) {}

GraphScaling::GraphScaling(const DistributionTable& table, const GraphOptions& options,
                           std::int32_t width, std::int32_t height)
    : GraphScaling(std::make_shared<const ScaledCounts>(table, options.wholeYRange), options, width,
                   height) {}

std::int64_t GraphScaling::X(std::int64_t total) const {
    // In bar style a total's bar ends where the next total's point would be.
    const std::int64_t k = options_.style == kBarStyle ? total + 1 : total;
    // The whole range leaves one step free before its first total; the possible totals begin
    // at the left edge.
    const std::int64_t first =
        options_.wholeXRange ? std::int64_t{counts_->FirstTotal()} - 1 : counts_->MinValue();
    const std::int64_t last =
        options_.wholeXRange ? std::int64_t{counts_->LastTotal()} : counts_->MaxValue();
    return (k - first) * width_ / (last + 1 - first);
}

std::int64_t GraphScaling::Y(std::int64_t total) const {
    const std::int64_t product =
        std::int64_t{Scaled(total)} * (std::int64_t{height_} - 2 * kPlotMargin);
    return Baseline() -
           static_cast<std::int64_t>(std::trunc(static_cast<double>(product) / YTop()));
}

} // namespace dorvanel

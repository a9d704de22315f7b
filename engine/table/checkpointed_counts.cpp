// SPDX-License-Identifier: MIT
#include "checkpointed_counts.h"

#include "errors.h"

#include <algorithm>
#include <iterator>
#include <string>

namespace dorvanel {
namespace {

// Windows kept idle for reuse; readers beyond these allocate their own.
constexpr std::size_t kIdleWindows = 2;

} // namespace

std::size_t CountSummary::DigitCount() const {
    return Below() * kLimbDigits + dorvanel::DigitCount(Top());
}

CheckpointedCounts::CheckpointedCounts(std::shared_ptr<const PoolRecurrence> recurrence,
                                       std::size_t countLimbs, std::int64_t span, std::int64_t last,
                                       std::int64_t spacing, std::size_t checkpointLimbs)
    : recurrence_(std::move(recurrence)), countLimbs_(countLimbs),
      span_(std::max(span, recurrence_->Reach() + 1)), last_(last), spacing_(spacing),
      summaries_(static_cast<std::size_t>(last + 1)) {
    if (checkpointLimbs > 0) {
        reserved_ = LimbBuffer(checkpointLimbs);
        reservedHigh_ = checkpointLimbs;
        faulting_ = std::make_unique<BackgroundPageFaulting>(reserved_.data(), checkpointLimbs);
    }
}

void CheckpointedCounts::FinishFilling() {
    faulting_.reset();
    reserved_.ReleaseBetween(reservedLow_, reservedHigh_);
}

std::span<std::uint32_t> CheckpointedCounts::Reserve(std::size_t limbs, bool fromEnd) {
    const std::lock_guard lock(reservedMutex_);
    if (reservedHigh_ - reservedLow_ < limbs)
        return {};
    if (fromEnd) {
        reservedHigh_ -= limbs;
        return {reserved_.data() + reservedHigh_, limbs};
    }
    reservedLow_ += limbs;
    return {reserved_.data() + reservedLow_ - limbs, limbs};
}

void CheckpointedCounts::Summarise(std::int64_t j, LimbSpan count) {
    if (j < 0 || j > last_)
        throw InternalError("total index " + std::to_string(j) + " outside 0.." +
                            std::to_string(last_));
    CountSummary& summary = summaries_[static_cast<std::size_t>(j)];
    summary.limbs = static_cast<std::uint32_t>(count.size());
    const std::size_t kept = std::min(count.size(), CountSummary::kTopLimbs);
    std::copy(count.end() - static_cast<std::ptrdiff_t>(kept), count.end(), summary.top);
}

bool CheckpointedCounts::KeepsWindowEndingAt(std::int64_t hi) const {
    const std::int64_t lo = hi - span_ + 1;
    return hi == last_ || (spacing_ > 0 && lo > 0 && lo % spacing_ == 0 && hi < last_);
}

template <typename CountAt>
CheckpointedCounts::KeptWindow CheckpointedCounts::MakeWindow(std::int64_t lo, std::int64_t span,
                                                              const CountAt& countAt,
                                                              bool fromEnd) {
    KeptWindow kept;
    kept.lo = lo;
    kept.offsets.reserve(static_cast<std::size_t>(span) + 1);
    kept.offsets.push_back(0);
    for (std::int64_t i = 0; i < span; ++i)
        kept.offsets.push_back(kept.offsets.back() + countAt(i).size());
    const std::size_t limbs = kept.offsets.back();
    kept.limbs = Reserve(limbs, fromEnd);
    if (kept.limbs.size() != limbs) {
        // Not zeroed first and then overwritten: a window is written once.
        kept.own = std::make_unique_for_overwrite<std::uint32_t[]>(limbs);
        kept.limbs = {kept.own.get(), limbs};
    }
    for (std::int64_t i = 0; i < span; ++i) {
        const LimbSpan count = countAt(i);
        std::copy(count.begin(), count.end(),
                  kept.limbs.begin() +
                      static_cast<std::ptrdiff_t>(kept.offsets[static_cast<std::size_t>(i)]));
    }
    return kept;
}

void CheckpointedCounts::KeepWindow(const CountWindow& window) {
    kept_.push_back(MakeWindow(
        window.lo(), window.hi() - window.lo() + 1,
        [&window](std::int64_t i) { return window.Count(window.lo() + i); }, false));
}

void CheckpointedCounts::KeepUpperWindow(std::int64_t lo, const std::vector<LimbSpan>& counts) {
    upperKept_.push_back(MakeWindow(
        lo, static_cast<std::int64_t>(counts.size()),
        [&counts](std::int64_t i) { return counts[static_cast<std::size_t>(i)]; }, true));
}

void CheckpointedCounts::JoinUpperWindows() {
    std::move(upperKept_.rbegin(), upperKept_.rend(), std::back_inserter(kept_));
    upperKept_.clear();
}

std::optional<LimbSpan> CheckpointedCounts::Kept(std::int64_t j) const {
    auto after =
        std::upper_bound(kept_.begin(), kept_.end(), j,
                         [](std::int64_t value, const KeptWindow& w) { return value < w.lo; });
    if (after == kept_.begin())
        return std::nullopt;
    const KeptWindow& window = *(after - 1);
    if (j > window.lo + span_ - 1)
        return std::nullopt;
    return window.Count(static_cast<std::size_t>(j - window.lo));
}

std::optional<std::int64_t> CheckpointedCounts::StepsFrom(std::int64_t lo, std::int64_t j,
                                                          std::int64_t before) const {
    const std::int64_t hi = lo + span_ - 1;
    if (j - before < lo)
        return recurrence_->Symmetric() ? std::optional(lo - (j - before)) : std::nullopt;
    return std::max<std::int64_t>(0, j - hi);
}

void CheckpointedCounts::Position(CountWindow& window, std::int64_t j, std::int64_t before,
                                  const std::atomic<bool>* cancel) const {
    // Loading a kept window copies its counts: about as long as a few steps per count.
    const std::int64_t loadCost = span_ / 4 + 1;
    std::int64_t best = StepsFrom(window.lo(), j, before).value_or(j + 1);
    const KeptWindow* from = nullptr;
    bool fromStart = false;
    if (j < best) {
        best = j;
        fromStart = true;
    }
    auto after =
        std::upper_bound(kept_.begin(), kept_.end(), j - before,
                         [](std::int64_t value, const KeptWindow& w) { return value < w.lo; });
    for (auto candidate : {after - (after == kept_.begin() ? 0 : 1), after}) {
        if (candidate == kept_.end())
            continue;
        const std::optional<std::int64_t> steps = StepsFrom(candidate->lo, j, before);
        if (steps && *steps + loadCost < best) {
            best = *steps + loadCost;
            from = &*candidate;
            fromStart = false;
        }
    }
    if (from != nullptr) {
        std::vector<LimbSpan> counts;
        counts.reserve(static_cast<std::size_t>(span_));
        for (std::size_t i = 0; i + 1 < from->offsets.size(); ++i)
            counts.push_back(from->Count(i));
        window.Load(from->lo, counts);
    } else if (fromStart) {
        window.MoveToStart();
    }
    window.MoveTo(j, before, cancel);
}

std::unique_ptr<CountWindow> CheckpointedCounts::AcquireWindow() const {
    {
        const std::lock_guard lock(idleMutex_);
        if (!idle_.empty()) {
            std::unique_ptr<CountWindow> window = std::move(idle_.back());
            idle_.pop_back();
            return window;
        }
    }
    return std::make_unique<CountWindow>(recurrence_, countLimbs_, span_);
}

void CheckpointedCounts::ReleaseWindow(std::unique_ptr<CountWindow> window) const {
    const std::lock_guard lock(idleMutex_);
    if (idle_.size() < kIdleWindows)
        idle_.push_back(std::move(window));
}

std::uint64_t CheckpointedCounts::Bytes() const {
    std::uint64_t bytes = summaries_.size() * sizeof(CountSummary);
    for (const KeptWindow& window : kept_)
        bytes += window.limbs.size() * sizeof(std::uint32_t) +
                 window.offsets.size() * sizeof(std::size_t);
    return bytes;
}

} // namespace dorvanel

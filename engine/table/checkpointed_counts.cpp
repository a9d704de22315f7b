// SPDX-License-Identifier: MIT
#include "checkpointed_counts.h"

#include <algorithm>

namespace dorvanel {
namespace {

// Windows kept idle for reuse; readers beyond these allocate their own.
constexpr std::size_t kIdleWindows = 2;

// Steps from a window [lo, lo + D] to one holding j.
std::int64_t StepsTo(std::int64_t lo, std::int64_t hi, std::int64_t j) {
    return j < lo ? lo - j : j > hi ? j - hi : 0;
}

} // namespace

std::size_t CountSummary::DigitCount() const {
    const LimbSpan top = Top();
    return (limbs - top.size()) * kLimbDigits + dorvanel::DigitCount(top);
}

CheckpointedCounts::CheckpointedCounts(std::shared_ptr<const PoolRecurrence> recurrence,
                                       std::size_t countLimbs, std::int64_t half,
                                       std::int64_t spacing)
    : recurrence_(std::move(recurrence)), countLimbs_(countLimbs), reach_(recurrence_->Reach()),
      half_(half), spacing_(spacing), summaries_(static_cast<std::size_t>(half + 1)) {}

void CheckpointedCounts::Summarise(std::int64_t j, LimbSpan count) {
    CountSummary& summary = summaries_[static_cast<std::size_t>(j)];
    summary.limbs = static_cast<std::uint32_t>(count.size());
    const std::size_t kept = std::min(count.size(), CountSummary::kTopLimbs);
    std::copy(count.end() - static_cast<std::ptrdiff_t>(kept), count.end(), summary.top);
}

bool CheckpointedCounts::KeepsWindowEndingAt(std::int64_t hi) const {
    const std::int64_t lo = hi - reach_;
    return hi == half_ || (spacing_ > 0 && lo > 0 && lo % spacing_ == 0 && hi < half_);
}

void CheckpointedCounts::KeepWindow(const CountWindow& window) {
    KeptWindow& kept = kept_.emplace_back();
    kept.lo = window.lo();
    kept.offsets.reserve(static_cast<std::size_t>(reach_) + 2);
    kept.offsets.push_back(0);
    for (std::int64_t j = window.lo(); j <= window.hi(); ++j)
        kept.offsets.push_back(kept.offsets.back() + window.Count(j).size());
    kept.limbs.resize(kept.offsets.back());
    for (std::int64_t j = window.lo(); j <= window.hi(); ++j) {
        const LimbSpan count = window.Count(j);
        std::copy(count.begin(), count.end(),
                  kept.limbs.begin() +
                      static_cast<std::ptrdiff_t>(
                          kept.offsets[static_cast<std::size_t>(j - window.lo())]));
    }
}

std::optional<LimbSpan> CheckpointedCounts::Kept(std::int64_t j) const {
    auto after =
        std::upper_bound(kept_.begin(), kept_.end(), j,
                         [](std::int64_t value, const KeptWindow& w) { return value < w.lo; });
    if (after == kept_.begin())
        return std::nullopt;
    const KeptWindow& window = *(after - 1);
    if (j > window.lo + reach_)
        return std::nullopt;
    return window.Count(static_cast<std::size_t>(j - window.lo));
}

void CheckpointedCounts::Position(CountWindow& window, std::int64_t j,
                                  const std::atomic<bool>* cancel) const {
    // Loading a kept window copies Reach + 1 counts: about as long as a few steps per count.
    const std::int64_t loadCost = reach_ / 4 + 1;
    std::int64_t best = StepsTo(window.lo(), window.hi(), j);
    const KeptWindow* from = nullptr;
    bool fromStart = false;
    if (j < best) {
        best = j;
        fromStart = true;
    }
    auto after =
        std::upper_bound(kept_.begin(), kept_.end(), j,
                         [](std::int64_t value, const KeptWindow& w) { return value < w.lo; });
    for (auto candidate : {after - (after == kept_.begin() ? 0 : 1), after}) {
        if (candidate == kept_.end())
            continue;
        const std::int64_t cost = StepsTo(candidate->lo, candidate->lo + reach_, j) + loadCost;
        if (cost < best) {
            best = cost;
            from = &*candidate;
            fromStart = false;
        }
    }
    if (from != nullptr) {
        std::vector<LimbSpan> counts;
        counts.reserve(static_cast<std::size_t>(reach_) + 1);
        for (std::size_t i = 0; i + 1 < from->offsets.size(); ++i)
            counts.push_back(from->Count(i));
        window.Load(from->lo, counts);
    } else if (fromStart) {
        window.MoveToStart();
    }
    window.MoveTo(j, cancel);
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
    return std::make_unique<CountWindow>(recurrence_, countLimbs_);
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

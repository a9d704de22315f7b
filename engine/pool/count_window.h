// SPDX-License-Identifier: MIT
// Consecutive counts g(lo) … g(hi) of a pool's recurrence, g(j) being the count of total
// MinValue + j: at least the Reach + 1 that it needs to go one total further either way. The
// counts live in a ring of one slot more, each as long as the longest count, so a window is
// allocated once and then reused however far it moves.
#pragma once

#include "decimal.h"
#include "limb_buffer.h"
#include "pool_recurrence.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace dorvanel {

class CountWindow {
public:
    // A window of `span` counts (at least Reach + 1) at the start: g(1 − span) … g(0), which
    // are 0 … 0 and the recurrence's first count. Counts of up to `countLimbs` limbs
    // (WorkingLimbs of the pool). The `behind` counts before the window stay readable too, for
    // a caller that moves it several totals at a time. Throws std::bad_alloc.
    CountWindow(std::shared_ptr<const PoolRecurrence> recurrence, std::size_t countLimbs,
                std::int64_t span, std::int64_t behind = 0);

    std::int64_t Span() const { return span_; }
    std::int64_t Behind() const { return slots_ - 1 - span_; }
    std::int64_t lo() const { return hi_ - span_ + 1; }
    std::int64_t hi() const { return hi_; }
    // lo() − Behind() <= j <= hi(); valid until the window moves.
    LimbSpan Count(std::int64_t j) const;

    void MoveToStart();
    // Takes g(lo) … g(lo + span − 1) as given, in order.
    void Load(std::int64_t lo, const std::vector<LimbSpan>& counts);
    // g(hi + 1).
    void Forward();
    // g(lo − 1), for symmetric counts; lo must be at least 1.
    void Backward();
    // Moves step by step until g(j − before) … g(j) are in the window, backwards only for
    // symmetric counts; throws AnalysisCancelled when `cancel` is raised on the way.
    void MoveTo(std::int64_t j, std::int64_t before, const std::atomic<bool>* cancel = nullptr);

    // Memory a window of `span` counts holds, before one is built.
    static std::uint64_t BytesFor(std::int64_t span, std::size_t countLimbs,
                                  std::int64_t behind = 0);

private:
    friend class SplitSteps; // steps the ring's slots itself, on two threads

    std::size_t Slot(std::int64_t j) const;
    std::uint32_t* SlotData(std::int64_t j) { return limbs_.data() + Slot(j) * stride_; }
    const std::uint32_t* SlotData(std::int64_t j) const {
        return limbs_.data() + Slot(j) * stride_;
    }
    void Store(std::int64_t j, LimbSpan count);

    std::shared_ptr<const PoolRecurrence> recurrence_;
    std::int64_t span_;
    std::int64_t slots_; // the ring's: one more than the counts it keeps, for the next
    std::size_t stride_;
    std::int64_t hi_ = 0;
    LargeArray<std::uint32_t> limbs_;
    std::vector<std::uint32_t> lengths_;
    RecurrenceStep step_;
};

} // namespace dorvanel

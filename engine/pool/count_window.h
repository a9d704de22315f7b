// SPDX-License-Identifier: MIT
// Reach + 1 consecutive counts g(lo) … g(hi) of a pool, g(j) being the count of total
// MinValue + j: exactly what the recurrence needs to go one total further either way. The
// counts live in a ring of Reach + 2 slots, each as long as the longest count, so a window is
// allocated once and then reused however far it moves.
#pragma once

#include "decimal.h"
#include "pool_recurrence.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace dorvanel {

class CountWindow {
public:
    // A window at the start: g(−Reach) … g(0), which are 0 … 0, 1. Counts of up to
    // `countLimbs` limbs (WorkingLimbs of the pool). Throws std::bad_alloc.
    CountWindow(std::shared_ptr<const PoolRecurrence> recurrence, std::size_t countLimbs);

    std::int64_t lo() const { return hi_ - reach_; }
    std::int64_t hi() const { return hi_; }
    // lo() <= j <= hi(); valid until the window moves.
    LimbSpan Count(std::int64_t j) const;

    void MoveToStart();
    // Takes g(lo) … g(lo + Reach) as given, in order.
    void Load(std::int64_t lo, const std::vector<LimbSpan>& counts);
    // g(hi + 1); hi must stay within the stored half of the table.
    void Forward();
    // g(lo − 1); lo must be at least 1.
    void Backward();
    // Moves step by step until j is in the window; throws AnalysisCancelled when `cancel` is
    // raised on the way.
    void MoveTo(std::int64_t j, const std::atomic<bool>* cancel = nullptr);

    // Memory a window holds, before one is built.
    static std::uint64_t BytesFor(std::int64_t reach, std::size_t countLimbs);

private:
    std::size_t Slot(std::int64_t j) const;
    std::uint32_t* SlotData(std::int64_t j) { return limbs_.data() + Slot(j) * stride_; }
    void Store(std::int64_t j, LimbSpan count);

    std::shared_ptr<const PoolRecurrence> recurrence_;
    std::int64_t reach_;
    std::size_t stride_;
    std::int64_t hi_ = 0;
    std::vector<std::uint32_t> limbs_;
    std::vector<std::uint32_t> lengths_;
    RecurrenceStep step_;
};

} // namespace dorvanel

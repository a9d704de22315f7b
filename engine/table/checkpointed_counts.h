// SPDX-License-Identifier: MIT
// The counts of a table too large to keep whole: for every total its number of limbs and its
// top limbs, which is all the graph and the summary read, and every count in full only in
// windows of Reach + 1 consecutive totals kept at regular checkpoints and at the middle. Any
// other count is recomputed from the nearest of these.
#pragma once

#include "count_window.h"
#include "decimal.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace dorvanel {

// What is kept of every count.
struct CountSummary {
    static constexpr std::size_t kTopLimbs = 3;

    std::uint32_t limbs = 0;            // of the whole count
    std::uint32_t top[kTopLimbs] = {0}; // its top limbs, least significant first

    // The top limbs as a number of their own: the whole count when it is that short.
    LimbSpan Top() const { return {top, std::min<std::size_t>(limbs, kTopLimbs)}; }
    std::size_t DigitCount() const;
};

class CheckpointedCounts {
public:
    // Keeps a window wherever its first total is a positive multiple of `spacing` (none when
    // spacing is 0) and at the middle, g(half − Reach) … g(half). Counts have up to
    // `countLimbs` limbs.
    CheckpointedCounts(std::shared_ptr<const PoolRecurrence> recurrence, std::size_t countLimbs,
                       std::int64_t half, std::int64_t spacing);

    // Filled in order while the counts are computed.
    void Summarise(std::int64_t j, LimbSpan count);
    bool KeepsWindowEndingAt(std::int64_t hi) const;
    void KeepWindow(const CountWindow& window);

    const CountSummary& Summary(std::int64_t j) const { return summaries_[j]; }
    // The count of j when a kept window holds it.
    std::optional<LimbSpan> Kept(std::int64_t j) const;
    // Moves the window until it holds j, from where that takes fewest steps: where it is, the
    // start, or a kept window. Throws AnalysisCancelled when `cancel` is raised on the way.
    void Position(CountWindow& window, std::int64_t j, const std::atomic<bool>* cancel) const;

    // Windows for reading, reused so that their memory is touched once.
    std::unique_ptr<CountWindow> AcquireWindow() const;
    void ReleaseWindow(std::unique_ptr<CountWindow> window) const;

    std::uint64_t Bytes() const;

private:
    struct KeptWindow {
        std::int64_t lo = 0;
        std::vector<std::uint32_t> limbs;
        std::vector<std::size_t> offsets; // count i in [offsets[i], offsets[i + 1])
        LimbSpan Count(std::size_t i) const {
            return {limbs.data() + offsets[i], offsets[i + 1] - offsets[i]};
        }
    };

    std::shared_ptr<const PoolRecurrence> recurrence_;
    std::size_t countLimbs_;
    std::int64_t reach_;
    std::int64_t half_;
    std::int64_t spacing_;
    std::vector<CountSummary> summaries_;
    std::vector<KeptWindow> kept_; // in the order of lo
    mutable std::mutex idleMutex_;
    mutable std::vector<std::unique_ptr<CountWindow>> idle_;
};

} // namespace dorvanel

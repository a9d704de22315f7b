// SPDX-License-Identifier: MIT
// The counts of a table too large to keep whole: for every total its number of limbs and its
// top limbs, which is all the graph and the summary read, and in full only windows of the
// recurrence's consecutive counts, kept at regular checkpoints and at the last stored total.
// Any other count is recomputed from the nearest of these.
#pragma once

#include "count_window.h"
#include "decimal.h"
#include "limb_buffer.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

namespace dorvanel {

// What is kept of every count.
struct CountSummary {
    static constexpr std::size_t kTopLimbs = 3;

    std::uint32_t limbs = 0;            // of the whole count
    std::uint32_t top[kTopLimbs] = {0}; // its top limbs, least significant first

    // The top limbs as a number of their own: the whole count when it is that short.
    LimbSpan Top() const { return {top, std::min<std::size_t>(limbs, kTopLimbs)}; }
    // How many limbs lie below them.
    std::size_t Below() const { return limbs - Top().size(); }
    std::size_t DigitCount() const;
};

class CheckpointedCounts {
public:
    // Summaries of the stored counts 0 … last; a window of `span` counts of the recurrence
    // kept wherever its first total is a positive multiple of `spacing` (none when spacing is
    // 0) and where it ends at `last`. Counts have up to `countLimbs` limbs. About
    // `checkpointLimbs` limbs of windows are expected: that much memory is faulted in on
    // another thread while the first fills it. Throws std::bad_alloc.
    CheckpointedCounts(std::shared_ptr<const PoolRecurrence> recurrence, std::size_t countLimbs,
                       std::int64_t span, std::int64_t last, std::int64_t spacing,
                       std::size_t checkpointLimbs = 0);

    // Filled in order while the counts are computed, then FinishFilling.
    void Summarise(std::int64_t j, LimbSpan count);
    bool KeepsWindowEndingAt(std::int64_t hi) const;
    void KeepWindow(const CountWindow& window);
    void FinishFilling();
    // Filled from the top down by a second thread while the first fills the lower totals:
    // Summarise for totals of its own, and windows of Span() counts from lo, kept apart from the
    // first thread's until JoinUpperWindows, which the first calls once both are done.
    void KeepUpperWindow(std::int64_t lo, const std::vector<LimbSpan>& counts);
    void JoinUpperWindows();
    std::int64_t Span() const { return span_; }

    const CountSummary& Summary(std::int64_t j) const { return summaries_[j]; }
    // The recurrence's count of j when a kept window holds it.
    std::optional<LimbSpan> Kept(std::int64_t j) const;
    // Moves the window until it holds j − before … j, from where that takes fewest steps:
    // where it is, the start, or a kept window, going backwards only where the counts are
    // symmetric. Throws AnalysisCancelled when `cancel` is raised on the way.
    void Position(CountWindow& window, std::int64_t j, std::int64_t before,
                  const std::atomic<bool>* cancel) const;

    // Windows for reading, reused so that their memory is touched once.
    std::unique_ptr<CountWindow> AcquireWindow() const;
    void ReleaseWindow(std::unique_ptr<CountWindow> window) const;

    std::uint64_t Bytes() const;
    // The most limbs a count has.
    std::size_t CountLimbs() const { return countLimbs_; }

private:
    // Its limbs lie in the reserved memory where they fit, in memory of their own otherwise;
    // moved, never copied, so that they stay where they are.
    struct KeptWindow {
        std::int64_t lo = 0;
        std::span<std::uint32_t> limbs;
        std::unique_ptr<std::uint32_t[]> own;
        std::vector<std::size_t> offsets; // count i in [offsets[i], offsets[i + 1])
        LimbSpan Count(std::size_t i) const {
            return {limbs.data() + offsets[i], offsets[i + 1] - offsets[i]};
        }
    };
    // The first thread's windows go into the reserved memory from its start, the second's
    // from its end.
    template <typename CountAt>
    KeptWindow MakeWindow(std::int64_t lo, std::int64_t span, const CountAt& countAt, bool fromEnd);
    // Room for `limbs` limbs in the reserved memory; empty when there is none left.
    std::span<std::uint32_t> Reserve(std::size_t limbs, bool fromEnd);

    // Steps from a window beginning at lo to one holding j − before … j; none when it would
    // have to go backwards through counts that are not symmetric.
    std::optional<std::int64_t> StepsFrom(std::int64_t lo, std::int64_t j,
                                          std::int64_t before) const;

    std::shared_ptr<const PoolRecurrence> recurrence_;
    std::size_t countLimbs_;
    std::int64_t span_;
    std::int64_t last_;
    std::int64_t spacing_;
    LargeArray<CountSummary> summaries_;
    LimbBuffer reserved_;
    std::mutex reservedMutex_;
    std::size_t reservedLow_ = 0;  // taken from the start
    std::size_t reservedHigh_ = 0; // taken from here to the end
    // Declared after the memory it faults in, so that it stops before that goes.
    std::unique_ptr<BackgroundPageFaulting> faulting_;
    std::vector<KeptWindow> kept_;      // in the order of lo
    std::vector<KeptWindow> upperKept_; // the second thread's, highest lo first
    mutable std::mutex idleMutex_;
    mutable std::vector<std::unique_ptr<CountWindow>> idle_;
};

} // namespace dorvanel

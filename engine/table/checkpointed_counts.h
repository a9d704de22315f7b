// SPDX-License-Identifier: MIT
// The counts of a table too large to keep whole: for every total its number of limbs and its
// top limbs, which is all the graph and the summary read, and in full only windows of the
// recurrence's consecutive counts, kept at regular checkpoints and at the last stored total.
// Any other count is recomputed from the nearest of these.
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
    // How many limbs lie below them.
    std::size_t Below() const { return limbs - Top().size(); }
    std::size_t DigitCount() const;
};

class CheckpointedCounts {
public:
    // Summaries of the stored counts 0 … last; a window of `span` counts of the recurrence
    // kept wherever its first total is a positive multiple of `spacing` (none when spacing is
    // 0) and where it ends at `last`. Counts have up to `countLimbs` limbs.
    CheckpointedCounts(std::shared_ptr<const PoolRecurrence> recurrence, std::size_t countLimbs,
                       std::int64_t span, std::int64_t last, std::int64_t spacing);

    // Filled in order while the counts are computed.
    void Summarise(std::int64_t j, LimbSpan count);
    bool KeepsWindowEndingAt(std::int64_t hi) const;
    void KeepWindow(const CountWindow& window);
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
    struct KeptWindow {
        std::int64_t lo = 0;
        std::vector<std::uint32_t> limbs;
        std::vector<std::size_t> offsets; // count i in [offsets[i], offsets[i + 1])
        LimbSpan Count(std::size_t i) const {
            return {limbs.data() + offsets[i], offsets[i + 1] - offsets[i]};
        }
    };
    template <typename CountAt>
    static KeptWindow MakeWindow(std::int64_t lo, std::int64_t span, const CountAt& countAt);

    // Steps from a window beginning at lo to one holding j − before … j; none when it would
    // have to go backwards through counts that are not symmetric.
    std::optional<std::int64_t> StepsFrom(std::int64_t lo, std::int64_t j,
                                          std::int64_t before) const;

    std::shared_ptr<const PoolRecurrence> recurrence_;
    std::size_t countLimbs_;
    std::int64_t span_;
    std::int64_t last_;
    std::int64_t spacing_;
    std::vector<CountSummary> summaries_;
    std::vector<KeptWindow> kept_;      // in the order of lo
    std::vector<KeptWindow> upperKept_; // the second thread's, highest lo first
    mutable std::mutex idleMutex_;
    mutable std::vector<std::unique_ptr<CountWindow>> idle_;
};

} // namespace dorvanel

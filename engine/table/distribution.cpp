// SPDX-License-Identifier: MIT
#include "distribution.h"

#include "checkpointed_counts.h"
#include "count_limbs.h"
#include "count_window.h"
#include "errors.h"
#include "groups_with_rest.h"
#include "pool_recurrence.h"
#include "split_steps.h"
#include "table_size.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <new>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace dorvanel {
namespace {

// Reports progress about a thousand times per run, weighted by the limbs each total costs.
class ProgressReporter {
public:
    ProgressReporter(const ProgressCallback& callback, std::uint64_t totalWork, std::int64_t reach)
        : callback_(callback), totalWork_(totalWork == 0 ? 1 : totalWork),
          step_(totalWork_ / 1000 + 1),
          stage_(static_cast<std::uint64_t>(std::max<std::int64_t>(reach, 1))) {}

    void Advance(std::uint64_t j, std::uint64_t work) {
        done_ += work;
        if (done_ >= next_ && callback_) {
            next_ = done_ + step_;
            callback_(Fraction(done_, totalWork_), Fraction(j % stage_, stage_));
        }
    }

    void Finish() {
        if (callback_)
            callback_(1.0, 1.0);
    }

private:
    static double Fraction(std::uint64_t part, std::uint64_t whole) {
        return part >= whole ? 1.0 : static_cast<double>(part) / static_cast<double>(whole);
    }

    const ProgressCallback& callback_;
    std::uint64_t totalWork_;
    std::uint64_t step_;
    std::uint64_t stage_;
    std::uint64_t done_ = 0;
    std::uint64_t next_ = 0;
};

// A whole table's limbs are reserved to the bound on all its counts (EstimateTableSize), which
// no count of sums of dice can pass: count(j)·x^j <= G(x) for every x in (0, 1), and every
// other count is at most all outcomes. Past it, the bound is wrong.
InternalError OutgrewBound(const DicePool& pool, std::int64_t j) {
    return InternalError(pool.Description() + ": the counts outgrew the bound on their length at " +
                         std::to_string(pool.MinValue() + j));
}

// Every count whole, each step reading its operands from the table itself.
DistributionTable ComputeWhole(const AnalysisPlan& plan, const RunControl& control) {
    const PoolRecurrence& recurrence = *plan.recurrence;
    const TableSize size = EstimateTableSize(plan.pool);
    const auto last = static_cast<std::int64_t>(size.entries) - 1;
    const std::size_t working = WorkingLimbs(plan.pool);
    LimbBuffer limbs(size.limbs + working);
    LargeArray<std::uint64_t> offsets(size.entries + 1);
    RecurrenceStep step(working);
    ProgressReporter progress(control.onProgress, size.limbs, recurrence.Reach());
    std::optional<BackgroundPageFaulting> faulting;
    faulting.emplace(limbs.data(), limbs.capacity());

    auto count = [&](std::int64_t j) -> LimbSpan {
        if (j < 0)
            return {};
        return {limbs.data() + offsets[j], offsets[j + 1] - offsets[j]};
    };

    // The ways to roll the smallest total.
    const LimbSpan start = recurrence.Start().limbs();
    std::copy(start.begin(), start.end(), limbs.data());
    offsets[1] = start.size();
    CountSums sums(size.entries);
    sums.Add(TopOf(count(0)));
    for (std::int64_t j = 0; j < last; ++j) {
        ThrowIfCancelled(control.cancel);
        const std::uint64_t used = offsets[j + 1];
        if (used + working > limbs.capacity())
            throw OutgrewBound(plan.pool, j + 1);
        offsets[j + 2] = used + step.Forward(
                                    recurrence, j, [&](std::int64_t s) { return count(j - s); },
                                    limbs.data() + used);
        sums.Add(TopOf(count(j + 1)));
        progress.Advance(static_cast<std::uint64_t>(j), count(j).size());
    }
    faulting.reset();
    limbs.ReleaseBeyond(offsets.back());
    progress.Finish();
    return DistributionTable(plan.pool, std::move(limbs), std::move(offsets), std::move(sums),
                             nullptr);
}

// Counts that are not symmetric are all stepped, with no mirror to halve the work: the upper
// totals then come from the other end, on a second thread, through the recurrence of the pool
// negated, whose count of j is this one's of last − j. The two ends meet wherever they do, so
// that a second thread held up by a busy machine leaves its share to the first. Spreads shorter
// than this many windows are not worth a thread.
constexpr std::int64_t kTwoEndedWindows = 4;

// Works out a checkpointed table's totals from last down, on a thread of its own, into the
// summaries and upper windows of `checkpoints`, while the caller takes totals from 0 up.
class UpperEnd {
public:
    // `control` outlives the thread: the destructor or Join waits for it.
    UpperEnd(std::shared_ptr<const PoolRecurrence> negated, std::size_t working,
             CheckpointedCounts& checkpoints, std::int64_t last, const RunControl& control)
        : untaken_(Pack(0, Untaken(last + 1))), thread_([=, this, &checkpoints, &control] {
              try {
                  Run(negated, working, checkpoints, last, control);
              } catch (...) {
                  error_ = std::current_exception();
              }
          }) {}
    ~UpperEnd() {
        if (thread_.joinable()) {
            untaken_.store(Pack(0, 0));
            thread_.join();
        }
    }

    // The caller's next total, the lowest not yet taken; −1 once the ends have met.
    std::int64_t TakeLow(const RunControl& control) { return Take(TableEnd::Lower, control); }
    // The limbs of the counts worked out since the last call, for progress.
    std::uint64_t TakeWork() { return work_.exchange(0, std::memory_order_relaxed); }
    // Waits for the upper end; rethrows what stopped it.
    void Join() {
        thread_.join();
        if (error_)
            std::rethrow_exception(error_);
    }

private:
    // The totals neither end has taken, lo … end − 1, in one word: each end takes its next in one
    // compare-and-swap, so that no total is taken twice. lo only grows and end only shrinks, and
    // neither passes the other, so that however late either end starts, neither leaves 0 … last.
    static std::uint64_t Pack(std::uint64_t lo, std::uint64_t end) { return lo << 32 | end; }
    static std::uint64_t Untaken(std::int64_t totals) {
        if (totals > std::int64_t{0xFFFFFFFF})
            throw InternalError("two-ended table of " + std::to_string(totals) + " totals");
        return static_cast<std::uint64_t>(totals);
    }
    std::int64_t Take(TableEnd end, const RunControl& control) {
        if (control.beforeTake)
            control.beforeTake(end);
        std::uint64_t seen = untaken_.load();
        for (;;) {
            const std::uint64_t lo = seen >> 32;
            const std::uint64_t untakenEnd = seen & 0xFFFFFFFF;
            if (lo >= untakenEnd)
                return -1;
            const bool low = end == TableEnd::Lower;
            if (untaken_.compare_exchange_weak(seen, low ? Pack(lo + 1, untakenEnd)
                                                         : Pack(lo, untakenEnd - 1)))
                return static_cast<std::int64_t>(low ? lo : untakenEnd - 1);
        }
    }

    void Run(std::shared_ptr<const PoolRecurrence> negated, std::size_t working,
             CheckpointedCounts& checkpoints, std::int64_t last, const RunControl& control) {
        const std::int64_t span = checkpoints.Span();
        CountWindow window(std::move(negated), working, span);
        std::vector<LimbSpan> counts(static_cast<std::size_t>(span));
        for (std::int64_t i = 0;; ++i) {
            const std::int64_t j = Take(TableEnd::Upper, control);
            if (j < 0)
                break;
            // The window walks down one total a step: only this end takes from the top.
            if (j != last - i)
                throw InternalError("upper end took total " + std::to_string(j) + " for " +
                                    std::to_string(last - i));
            ThrowIfCancelled(control.cancel);
            if (i > 0)
                window.Forward();
            checkpoints.Summarise(j, window.Count(i));
            work_.fetch_add(window.Count(i).size(), std::memory_order_relaxed);
            // The window of span counts from j, read from this end, ends here.
            if (i + 1 >= span && checkpoints.KeepsWindowEndingAt(j + span - 1)) {
                for (std::int64_t k = 0; k < span; ++k)
                    counts[static_cast<std::size_t>(k)] = window.Count(i - k);
                checkpoints.KeepUpperWindow(j, counts);
            }
        }
    }

    // Apart, so that taking totals and counting work do not contend for one cache line.
    alignas(64) std::atomic<std::uint64_t> untaken_;
    alignas(64) std::atomic<std::uint64_t> work_{0};
    std::exception_ptr error_; // written by the thread, read once it is joined
    std::thread thread_;       // last: starts once the members above are built
};

// The counts in order from a window walking the recurrence, combined with the kept dice's
// where there are any: kept whole, or as summaries and checkpoints, with only the window's
// counts in memory besides.
DistributionTable ComputeStreamed(const AnalysisPlan& plan,
                                  std::shared_ptr<const GroupsWithRest> kept,
                                  const RunControl& control) {
    const bool whole = plan.form == TableForm::Whole;
    const TableSize size = EstimateTableSize(plan.pool);
    const auto last = static_cast<std::int64_t>(size.entries) - 1;
    const std::size_t working = WorkingLimbs(plan.pool);
    // Without kept dice a second thread may share the steps, in blocks whose counts the window
    // keeps behind it.
    const bool mayShare = !kept && SplitSteps::MayShare(*plan.recurrence, working);
    CountWindow window(plan.recurrence, working, plan.span,
                       mayShare ? SplitSteps::kLongestBlock : 0);
    std::unique_ptr<CheckpointedCounts> checkpoints;
    LimbBuffer limbs;
    LargeArray<std::uint64_t> offsets;
    if (whole) {
        limbs = LimbBuffer(size.limbs + working);
        offsets.assign(size.entries + 1, 0);
    } else {
        checkpoints = std::make_unique<CheckpointedCounts>(
            plan.recurrence, working, plan.span, last, plan.checkpointSpacing,
            plan.checkpointBytes / sizeof(std::uint32_t));
    }
    std::vector<std::uint32_t> combined(kept ? working : 0);
    LimbCombiner combiner;
    std::vector<ScaledCount> terms;
    auto countAt = [&](std::int64_t j) -> LimbSpan {
        if (!kept)
            return window.Count(j);
        const std::size_t length = kept->Combine(
            j, [&window](std::int64_t i) { return window.Count(i); }, combined.data(), working,
            combiner, terms);
        return {combined.data(), length};
    };

    // Only a checkpointed table of counts that are not symmetric has its upper totals worked
    // out from the other end; a pool whose negation does not fit is walked from one end.
    std::shared_ptr<const PoolRecurrence> negated;
    if (!whole && !kept && !plan.recurrence->Symmetric() &&
        last > kTwoEndedWindows * checkpoints->Span()) {
        try {
            negated = std::make_shared<const PoolRecurrence>(plan.pool.Negated());
        } catch (const IntegerOverflowError&) {
        } catch (const PoolLimitError&) {
        }
    }
    std::optional<UpperEnd> upper;
    if (negated) {
        try {
            upper.emplace(negated, working, *checkpoints, last, control);
        } catch (const std::system_error&) {
            // No thread to be had: the first end takes every total.
        }
    }

    std::int64_t lowerLast = last;
    // Unless the second thread takes the upper end.
    std::optional<SplitSteps> split;
    if (mayShare && !upper) {
        try {
            split.emplace(window);
        } catch (const std::system_error&) {
        }
    }
    // The next total whose window is kept ends a block of steps, so that the window is there.
    auto stepsTo = [&](std::int64_t j) {
        std::int64_t end = j;
        while (end < lowerLast && end - j + 1 < SplitSteps::kLongestBlock &&
               !(checkpoints && checkpoints->KeepsWindowEndingAt(end)))
            ++end;
        return end - j + 1;
    };

    ProgressReporter progress(control.onProgress, size.limbs, plan.span - 1);
    CountSums sums(size.entries);
    for (std::int64_t j = 0; j <= lowerLast; ++j) {
        if (upper) {
            const std::int64_t taken = upper->TakeLow(control);
            if (taken < 0) {
                lowerLast = j - 1;
                break;
            }
            if (taken != j)
                throw InternalError("lower end took total " + std::to_string(taken) + " for " +
                                    std::to_string(j));
        }
        ThrowIfCancelled(control.cancel);
        if (j > window.hi()) {
            if (split)
                split->Forward(stepsTo(j));
            else
                window.Forward();
        }
        const LimbSpan count = countAt(j);
        if (whole) {
            const std::uint64_t used = offsets[static_cast<std::size_t>(j)];
            if (used + count.size() > limbs.capacity())
                throw OutgrewBound(plan.pool, j);
            std::copy(count.begin(), count.end(), limbs.data() + used);
            offsets[static_cast<std::size_t>(j) + 1] = used + count.size();
        } else {
            checkpoints->Summarise(j, count);
            if (checkpoints->KeepsWindowEndingAt(j))
                checkpoints->KeepWindow(window);
        }
        sums.Add(TopOf(count));
        progress.Advance(static_cast<std::uint64_t>(j),
                         count.size() + (upper ? upper->TakeWork() : 0));
    }
    if (upper) {
        upper->Join();
        checkpoints->JoinUpperWindows();
        for (std::int64_t j = lowerLast + 1; j <= last; ++j) {
            const CountSummary& summary = checkpoints->Summary(j);
            sums.Add({summary.Top(), summary.Below()});
        }
    }
    if (checkpoints)
        checkpoints->FinishFilling();
    progress.Finish();
    if (whole) {
        limbs.ReleaseBeyond(offsets.back());
        return DistributionTable(plan.pool, std::move(limbs), std::move(offsets), std::move(sums),
                                 std::move(kept));
    }
    return DistributionTable(plan.pool, std::move(checkpoints), std::move(sums), std::move(kept));
}

} // namespace

DistributionTable ComputeDistribution(const DicePool& pool, const RunControl& control) {
    const std::optional<std::uint64_t> budget =
        control.memoryBudget ? control.memoryBudget : DefaultMemoryBudget();
    std::optional<std::uint64_t> usable = UsableMemory();
    if (control.workingSpaceLimit)
        usable = std::min(usable.value_or(*control.workingSpaceLimit), *control.workingSpaceLimit);
    const AnalysisPlan plan = PlanAnalysis(pool, budget, usable, control.purpose, control.cancel);
    try {
        if (pool.Kept().empty())
            return plan.form == TableForm::Whole ? ComputeWhole(plan, control)
                                                 : ComputeStreamed(plan, nullptr, control);
        auto kept = std::make_shared<const GroupsWithRest>(pool, control.cancel, [&](double done) {
            if (control.onProgress)
                control.onProgress(0.0, done);
        });
        return ComputeStreamed(plan, std::move(kept), control);
    } catch (const std::bad_alloc&) {
        throw InsufficientMemoryError(pool.Description(), plan.bytes, budget.value_or(0));
    }
}

} // namespace dorvanel

// SPDX-License-Identifier: MIT
#include "distribution.h"

#include "checkpointed_counts.h"
#include "count_size.h"
#include "count_window.h"
#include "errors.h"
#include "pool_recurrence.h"
#include "table_size.h"

#include <algorithm>
#include <new>
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

void CheckCancel(const RunControl& control) {
    if (control.cancel && control.cancel->load(std::memory_order_relaxed))
        throw AnalysisCancelled();
}

DistributionTable ComputeWhole(const AnalysisPlan& plan, const RunControl& control) {
    const PoolRecurrence& recurrence = *plan.recurrence;
    const TableSize size = EstimateTableSize(plan.pool);
    const auto half = static_cast<std::int64_t>(size.entries) - 1;
    const std::size_t working = WorkingLimbs(plan.pool);
    LimbBuffer limbs(size.limbs + working);
    std::vector<std::uint64_t> offsets(size.entries + 1);
    RecurrenceStep step(working);
    ProgressReporter progress(control.onProgress, size.limbs, recurrence.Reach());
    std::optional<BackgroundPageFaulting> faulting;
    faulting.emplace(limbs.data(), limbs.capacity());

    auto count = [&](std::int64_t j) -> LimbSpan {
        if (j < 0)
            return {};
        return {limbs.data() + offsets[j], offsets[j + 1] - offsets[j]};
    };

    limbs.data()[0] = 1; // one way to roll the smallest total
    offsets[1] = 1;
    CountSums sums(size.entries);
    sums.Add(TopOf(count(0)));
    for (std::int64_t j = 0; j < half; ++j) {
        CheckCancel(control);
        const std::uint64_t used = offsets[j + 1];
        if (used + working > limbs.capacity()) {
            // Only if the size bound was beaten; the faulting thread must let go first.
            faulting.reset();
            limbs.Grow((used + working) * 5 / 4, used);
        }
        offsets[j + 2] = used + step.Forward(
                                    recurrence, j, [&](std::int64_t s) { return count(j - s); },
                                    limbs.data() + used);
        sums.Add(TopOf(count(j + 1)));
        progress.Advance(static_cast<std::uint64_t>(j), count(j).size());
    }
    faulting.reset();
    limbs.ReleaseBeyond(offsets.back());
    progress.Finish();
    return DistributionTable(plan.pool, std::move(limbs), std::move(offsets), std::move(sums));
}

// Walks the recurrence up to the middle with only Reach + 2 counts in memory, keeping what the
// plan asks for of each.
DistributionTable ComputeCheckpointed(const AnalysisPlan& plan, const RunControl& control) {
    const TableSize size = EstimateTableSize(plan.pool);
    const auto half = static_cast<std::int64_t>(size.entries) - 1;
    const std::size_t working = WorkingLimbs(plan.pool);
    auto counts = std::make_unique<CheckpointedCounts>(plan.recurrence, working, half,
                                                       plan.checkpointSpacing);
    CountWindow window(plan.recurrence, working);
    ProgressReporter progress(control.onProgress, size.limbs, plan.recurrence->Reach());
    CountSums sums(size.entries);
    counts->Summarise(0, window.Count(0));
    sums.Add(TopOf(window.Count(0)));
    for (std::int64_t j = 0; j < half; ++j) {
        CheckCancel(control);
        window.Forward();
        counts->Summarise(j + 1, window.Count(j + 1));
        sums.Add(TopOf(window.Count(j + 1)));
        if (counts->KeepsWindowEndingAt(j + 1))
            counts->KeepWindow(window);
        progress.Advance(static_cast<std::uint64_t>(j), window.Count(j).size());
    }
    if (half == 0)
        counts->KeepWindow(window);
    progress.Finish();
    return DistributionTable(plan.pool, std::move(counts), std::move(sums));
}

} // namespace

DistributionTable ComputeDistribution(const DicePool& pool, const RunControl& control) {
    const std::optional<std::uint64_t> budget =
        control.memoryBudget ? control.memoryBudget : DefaultMemoryBudget();
    const AnalysisPlan plan = PlanAnalysis(pool, budget, UsableMemory());
    try {
        return plan.form == TableForm::Whole ? ComputeWhole(plan, control)
                                             : ComputeCheckpointed(plan, control);
    } catch (const std::bad_alloc&) {
        throw InsufficientMemoryError(pool.Description(), plan.bytes, budget.value_or(0));
    }
}

} // namespace dorvanel

#include "distribution.h"

#include "checkpointed_counts.h"
#include "count_recurrence.h"
#include "count_window.h"
#include "errors.h"
#include "table_size.h"

#include <limits>
#include <new>
#include <vector>

namespace dorvanel {
namespace {

std::int32_t CheckedInt32(std::int64_t value) {
    if (value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max())
        throw IntegerOverflowError();
    return static_cast<std::int32_t>(value);
}

// Reports progress about a thousand times per run, weighted by the limbs each total costs.
class ProgressReporter {
public:
    ProgressReporter(const ProgressCallback& callback, std::uint64_t totalWork, std::int32_t faces)
        : callback_(callback), totalWork_(totalWork == 0 ? 1 : totalWork),
          step_(totalWork_ / 1000 + 1), faces_(static_cast<std::uint64_t>(faces)) {}

    void Advance(std::uint64_t j, std::uint64_t work) {
        done_ += work;
        if (done_ >= next_ && callback_) {
            next_ = done_ + step_;
            callback_(Fraction(done_, totalWork_), Fraction(j % faces_, faces_));
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
    std::uint64_t faces_;
    std::uint64_t done_ = 0;
    std::uint64_t next_ = 0;
};

} // namespace

AnalysisBounds BeginAnalysis(std::int32_t dice, std::int32_t faces) {
    AnalysisBounds bounds;
    bounds.MaxValue = CheckedInt32(std::int64_t{dice} * faces);
    bounds.MinValue = dice;
    bounds.MeanValue = CheckedInt32(std::int64_t{dice} + bounds.MaxValue) / 2.0;
    return bounds;
}

namespace {

void CheckCancel(const RunControl& control) {
    if (control.cancel && control.cancel->load(std::memory_order_relaxed))
        throw AnalysisCancelled();
}

DistributionTable ComputeWhole(const AnalysisPlan& plan, const RunControl& control) {
    const std::int32_t dice = plan.dice;
    const std::int32_t faces = plan.faces;
    const TableSize size = EstimateTableSize(dice, faces);
    const std::uint64_t half = size.entries - 1;
    const std::uint64_t working = WorkingLimbs(dice, faces);
    LimbBuffer limbs(size.limbs + working);
    std::vector<std::uint64_t> offsets(size.entries + 1);
    std::vector<std::uint32_t> numerator(working);
    NumeratorBuilder numeratorBuilder(working);
    ProgressReporter progress(control.onProgress, size.limbs, faces);
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
    for (std::int64_t j = 0; j < static_cast<std::int64_t>(half); ++j) {
        CheckCancel(control);
        const LimbSpan x = count(j);
        const RecurrenceStep step = ForwardStep(dice, faces, j);
        const std::size_t numeratorLimbs = numeratorBuilder.Build(
            step.a, x, step.b, count(j - faces), step.c, count(j - faces + 1), numerator.data());
        const std::uint64_t used = offsets[j + 1];
        if (used + numeratorLimbs > limbs.capacity()) {
            // Only if the size bound was beaten; the faulting thread must let go first.
            faulting.reset();
            limbs.Grow((used + numeratorLimbs) * 5 / 4, used);
        }
        offsets[j + 2] = used + DivideExactly(numerator.data(), numeratorLimbs, step.divisor,
                                              limbs.data() + used);
        sums.Add(TopOf(count(j + 1)));
        progress.Advance(static_cast<std::uint64_t>(j), x.size());
    }
    faulting.reset();
    limbs.ReleaseBeyond(offsets.back());
    progress.Finish();
    return DistributionTable(dice, faces, std::move(limbs), std::move(offsets), std::move(sums));
}

// Walks the recurrence up to the middle with only D + 2 counts in memory, keeping what the
// plan asks for of each.
DistributionTable ComputeCheckpointed(const AnalysisPlan& plan, const RunControl& control) {
    const std::int32_t faces = plan.faces;
    const TableSize size = EstimateTableSize(plan.dice, faces);
    const std::int64_t half = static_cast<std::int64_t>(size.entries) - 1;
    auto counts =
        std::make_unique<CheckpointedCounts>(plan.dice, faces, half, plan.checkpointSpacing);
    CountWindow window(plan.dice, faces);
    ProgressReporter progress(control.onProgress, size.limbs, faces);
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
    return DistributionTable(plan.dice, faces, std::move(counts), std::move(sums));
}

} // namespace

DistributionTable ComputeDistribution(std::int32_t dice, std::int32_t faces,
                                      const RunControl& control) {
    const std::optional<std::uint64_t> budget =
        control.memoryBudget ? control.memoryBudget : DefaultMemoryBudget();
    const AnalysisPlan plan = PlanAnalysis(dice, faces, budget, UsableMemory());
    try {
        return plan.form == TableForm::Whole ? ComputeWhole(plan, control)
                                             : ComputeCheckpointed(plan, control);
    } catch (const std::bad_alloc&) {
        throw InsufficientMemoryError(dice, faces, plan.bytes, budget.value_or(0));
    }
}

} // namespace dorvanel

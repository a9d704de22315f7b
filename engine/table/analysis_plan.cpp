#include "analysis_plan.h"

#include "checkpointed_counts.h"
#include "count_sums.h"
#include "count_window.h"
#include "distribution.h"
#include "errors.h"
#include "table_size.h"

#include <algorithm>
#include <vector>

namespace dorvanel {
namespace {

// What the rest of the process takes besides the table: its code, a reader's window or two.
constexpr std::uint64_t kProcessAllowance = std::uint64_t{64} << 20;
constexpr std::uint64_t kSamples = 512;

// Limbs of the counts across the stored half, sampled: the bound at the first sample at or
// after j, an upper bound since counts grow towards the middle.
class LimbsProfile {
public:
    LimbsProfile(std::int32_t dice, std::int32_t faces, std::int64_t half) : half_(half) {
        const std::int64_t samples = std::min<std::int64_t>(kSamples, half + 1);
        for (std::int64_t s = 0; s < samples; ++s)
            ends_.push_back(half * (s + 1) / samples);
        for (const std::int64_t end : ends_)
            limbs_.push_back(CountLimbsBound(dice, faces, static_cast<std::uint64_t>(end)));
    }

    std::uint64_t At(std::int64_t j) const {
        const auto sample = std::lower_bound(ends_.begin(), ends_.end(), std::min(j, half_));
        return limbs_[static_cast<std::size_t>(sample - ends_.begin())];
    }

private:
    std::int64_t half_;
    std::vector<std::int64_t> ends_;
    std::vector<std::uint64_t> limbs_;
};

// A kept window of D + 1 counts ending at hi.
std::uint64_t WindowBytes(const LimbsProfile& profile, std::int32_t faces, std::int64_t hi) {
    const std::uint64_t counts = static_cast<std::uint64_t>(faces) + 1;
    return counts * (profile.At(hi) * sizeof(std::uint32_t) + sizeof(std::size_t));
}

// The windows kept every `spacing` totals, besides the one at the middle.
std::uint64_t CheckpointBytes(const LimbsProfile& profile, std::int32_t faces, std::int64_t half,
                              std::int64_t spacing) {
    std::uint64_t bytes = 0;
    for (std::int64_t lo = spacing; lo + faces < half; lo += spacing)
        bytes += WindowBytes(profile, faces, lo + faces);
    return bytes;
}

} // namespace

AnalysisPlan PlanAnalysis(std::int32_t dice, std::int32_t faces,
                          std::optional<std::uint64_t> memoryBudget,
                          std::optional<std::uint64_t> usableMemory) {
    AnalysisPlan plan;
    plan.dice = dice;
    plan.faces = faces;
    plan.bounds = BeginAnalysis(dice, faces);
    if (dice < 1 || plan.bounds.MaxValue < 1)
        throw SilentAbort();

    const TableSize whole = EstimateTableSize(dice, faces);
    if (!memoryBudget || whole.bytes <= *memoryBudget) {
        plan.bytes = whole.bytes;
        return plan;
    }

    plan.form = TableForm::Checkpointed;
    const std::int64_t half = static_cast<std::int64_t>(whole.entries) - 1;
    const LimbsProfile profile(dice, faces, half);
    const std::uint64_t working = (static_cast<std::uint64_t>(half) + 1) * sizeof(CountSummary) +
                                  CountSums::BytesFor(whole.entries) +
                                  CountWindow::BytesFor(dice, faces) +
                                  WindowBytes(profile, faces, half);
    if (usableMemory && working > *usableMemory)
        throw InsufficientMemoryError(dice, faces, working, *usableMemory);

    // The closest spacing whose windows fit what the budget leaves.
    const std::uint64_t taken = working + kProcessAllowance;
    const std::uint64_t room = *memoryBudget > taken ? *memoryBudget - taken : 0;
    std::int64_t fits = half + 1; // no window but the middle one
    for (std::int64_t low = faces + 1, high = half; low <= high;) {
        const std::int64_t spacing = low + (high - low) / 2;
        if (CheckpointBytes(profile, faces, half, spacing) <= room) {
            fits = spacing;
            high = spacing - 1;
        } else {
            low = spacing + 1;
        }
    }
    const std::uint64_t checkpoints = fits > half ? 0 : CheckpointBytes(profile, faces, half, fits);
    plan.checkpointSpacing = checkpoints == 0 ? 0 : fits;
    plan.bytes = working + checkpoints;
    return plan;
}

} // namespace dorvanel

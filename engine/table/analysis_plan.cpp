// SPDX-License-Identifier: MIT
#include "analysis_plan.h"

#include "checkpointed_counts.h"
#include "count_size.h"
#include "count_sums.h"
#include "count_window.h"
#include "errors.h"
#include "table_size.h"

#include <algorithm>
#include <limits>
#include <string>
#include <vector>

namespace dorvanel {
namespace {

// What the rest of the process takes besides the table: its code, a reader's window or two.
constexpr std::uint64_t kProcessAllowance = std::uint64_t{64} << 20;
// Limb products beyond this take hours: only pools of many sizes of dice, each step reading
// thousands of counts, come near it.
constexpr long double kMaxWork = 2e12L;

// A kept window of Reach + 1 counts ending at hi.
std::uint64_t WindowBytes(const CountLimbsProfile& profile, std::int64_t reach, std::int64_t hi) {
    const std::uint64_t counts = static_cast<std::uint64_t>(reach) + 1;
    return counts * (profile.At(hi) * sizeof(std::uint32_t) + sizeof(std::size_t));
}

// The windows kept every `spacing` totals, besides the one at the middle.
std::uint64_t CheckpointBytes(const CountLimbsProfile& profile, std::int64_t reach,
                              std::int64_t half, std::int64_t spacing) {
    std::uint64_t bytes = 0;
    for (std::int64_t lo = spacing; lo + reach < half; lo += spacing)
        bytes += WindowBytes(profile, reach, lo + reach);
    return bytes;
}

} // namespace

AnalysisPlan PlanAnalysis(const DicePool& pool, std::optional<std::uint64_t> memoryBudget,
                          std::optional<std::uint64_t> usableMemory) {
    // Every divisor of the recurrence, up to the spread, must stay below 2^31.
    if (pool.Spread() >= std::numeric_limits<std::int32_t>::max())
        throw PoolLimitError(pool.Description() + " has too many totals to be counted");
    AnalysisPlan plan;
    plan.pool = pool;
    plan.recurrence = std::make_shared<const PoolRecurrence>(pool.Groups());
    const PoolRecurrence& recurrence = *plan.recurrence;

    const TableSize whole = EstimateTableSize(pool);
    // Each step multiplies every count it reads limb by limb: the work is about the limbs of
    // the stored half times the counts a step reads. One size of dice is never refused for it:
    // its three counts a step take no longer than the memory for them allows.
    const long double work =
        static_cast<long double>(whole.limbs) * static_cast<long double>(recurrence.Terms().size());
    if (pool.Groups().size() > 1 && work > kMaxWork)
        throw PoolLimitError(pool.Description() +
                             " would take too long to count exactly: its dice of many different "
                             "sizes make every step read " +
                             std::to_string(recurrence.Terms().size()) + " counts");
    if (!memoryBudget || whole.bytes <= *memoryBudget) {
        plan.bytes = whole.bytes;
        return plan;
    }

    plan.form = TableForm::Checkpointed;
    const std::int64_t half = static_cast<std::int64_t>(whole.entries) - 1;
    const std::int64_t reach = recurrence.Reach();
    const CountLimbsProfile profile(pool, half);
    const std::uint64_t working = (static_cast<std::uint64_t>(half) + 1) * sizeof(CountSummary) +
                                  CountSums::BytesFor(whole.entries) +
                                  CountWindow::BytesFor(reach, WorkingLimbs(pool)) +
                                  WindowBytes(profile, reach, half);
    if (usableMemory && working > *usableMemory)
        throw InsufficientMemoryError(pool.Description(), working, *usableMemory);

    // The closest spacing whose windows fit what the budget leaves.
    const std::uint64_t taken = working + kProcessAllowance;
    const std::uint64_t room = *memoryBudget > taken ? *memoryBudget - taken : 0;
    std::int64_t fits = half + 1; // no window but the middle one
    for (std::int64_t low = reach + 1, high = half; low <= high;) {
        const std::int64_t spacing = low + (high - low) / 2;
        if (CheckpointBytes(profile, reach, half, spacing) <= room) {
            fits = spacing;
            high = spacing - 1;
        } else {
            low = spacing + 1;
        }
    }
    const std::uint64_t checkpoints = fits > half ? 0 : CheckpointBytes(profile, reach, half, fits);
    plan.checkpointSpacing = checkpoints == 0 ? 0 : fits;
    plan.bytes = working + checkpoints;
    return plan;
}

} // namespace dorvanel

// SPDX-License-Identifier: MIT
#include "analysis_plan.h"

#include "checkpointed_counts.h"
#include "count_size.h"
#include "count_sums.h"
#include "count_window.h"
#include "errors.h"
#include "kept_dice.h"
#include "split_steps.h"
#include "table_size.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace dorvanel {
namespace {

// What the rest of the process takes besides the table: its code, a reader's window or two.
constexpr std::uint64_t kProcessAllowance = std::uint64_t{64} << 20;
// Limb products beyond this take hours: only pools of many sizes of dice, each step reading
// thousands of counts, or large kept dice beside many others, come near it.
constexpr long double kMaxWork = 2e12L;
// A table this small is kept whole even for a first screen or a summary: filled on two threads
// it comes sooner than checkpoints. A larger one keeps checkpoints within the second figure:
// 1000d1000 then shows as soon with 30 MB as whole with 590 MB, its lines recomputed on demand.
// Where the whole table would not fit the budget anyway, a first screen keeps checkpoints as
// closely as the budget allows, as a listing does: they are where a jump in the listing
// starts, and 10000d1000's would otherwise be seconds apart.
constexpr std::uint64_t kFirstScreenBytes = std::uint64_t{256} << 20;
constexpr std::uint64_t kFirstScreenCheckpointBytes = std::uint64_t{16} << 20;
// Kept dice whose own counts would take more than about ten seconds: 1000d6kh500 takes about
// 6·10^8, 2000d6kh1000 eight times as much.
constexpr double kMaxKeptWork = 1.5e9;

// A kept window of span = reach + 1 counts ending at hi.
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
                          std::optional<std::uint64_t> usableMemory, TablePurpose purpose) {
    // Every divisor of the recurrence, up to the spread, must stay below 2^31.
    if (pool.Spread() >= std::numeric_limits<std::int32_t>::max())
        throw PoolLimitError(pool.Description() + " has too many totals to be counted");
    AnalysisPlan plan;
    plan.pool = pool;
    plan.recurrence = std::make_shared<const PoolRecurrence>(pool);
    const PoolRecurrence& recurrence = *plan.recurrence;
    // Kept dice: their own counts first, then every count combines `width` of the rest's.
    double keptWork = 0;
    double keptBits = 0;
    std::int64_t width = 1;
    for (const KeptGroup& group : pool.Kept()) {
        keptWork += KeptWork(group);
        keptBits += group.count * std::log2(static_cast<double>(group.faces));
        width += std::int64_t{group.kept} * (group.faces - 1);
    }
    if (keptWork > kMaxKeptWork)
        throw PoolLimitError(pool.Description() +
                             " keeps too many of too many dice to be counted in reasonable time: "
                             "kept dice go as far as about 1000d6kh500, 500d20kh250 or "
                             "150d100kh75");
    plan.span = std::max(recurrence.Reach() + 1, width);

    const TableSize whole = EstimateTableSize(pool);
    const bool fitsWhole = !memoryBudget || whole.bytes <= *memoryBudget;
    const bool notWhole = purpose != TablePurpose::Listing && whole.bytes > kFirstScreenBytes;
    const bool fewCheckpoints = notWhole && (purpose == TablePurpose::Summary || fitsWhole);
    // Each step multiplies every count it reads limb by limb: the work is about the limbs of
    // the stored counts times the counts a step reads, and with kept dice as many again as
    // each count combines, times their length beyond 64 bits. One size of plain dice is never
    // refused for it: its three counts a step take no longer than the memory for them allows.
    const long double work =
        static_cast<long double>(whole.limbs) *
        (static_cast<long double>(recurrence.Terms().size()) +
         (width > 1 ? static_cast<long double>(width) * std::max(1.0, keptBits / 62) : 0));
    if ((pool.Groups().size() > 1 || !pool.Symmetric()) && work > kMaxWork)
        throw PoolLimitError(
            pool.Description() + " would take too long to count exactly: every total reads " +
            std::to_string(recurrence.Terms().size() + (width > 1 ? width : 0)) + " counts");
    if (!notWhole && fitsWhole) {
        plan.bytes = whole.bytes;
        return plan;
    }

    plan.form = TableForm::Checkpointed;
    const std::int64_t half = static_cast<std::int64_t>(whole.entries) - 1;
    // Windows hold `span` counts; the spacing below is counted from the first of them.
    const std::int64_t reach = plan.span - 1;
    const CountLimbsProfile profile(pool, half);
    const std::uint64_t working =
        (static_cast<std::uint64_t>(half) + 1) * sizeof(CountSummary) +
        (pool.Symmetric() ? 1 : 2) * CountSums::BytesFor(whole.entries) +
        // A second window walks down from the top where the counts are not symmetric; steps
        // shared by two threads keep a block's counts more, and two sums.
        (pool.Symmetric() || !pool.Kept().empty() ? 1 : 2) *
            CountWindow::BytesFor(plan.span, WorkingLimbs(pool),
                                  pool.Kept().empty() &&
                                          SplitSteps::MayShare(recurrence, WorkingLimbs(pool))
                                      ? SplitSteps::kLongestBlock + 2
                                      : 0) +
        WindowBytes(profile, reach, half);
    if (usableMemory && working > *usableMemory)
        throw InsufficientMemoryError(pool.Description(), working, *usableMemory);

    // The closest spacing whose windows fit what the budget leaves.
    const std::uint64_t taken = working + kProcessAllowance;
    std::uint64_t room = ~std::uint64_t{0};
    if (memoryBudget)
        room = *memoryBudget > taken ? *memoryBudget - taken : 0;
    if (fewCheckpoints)
        room = std::min(room, kFirstScreenCheckpointBytes);
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
    plan.checkpointBytes = checkpoints;
    plan.bytes = working + checkpoints;
    return plan;
}

} // namespace dorvanel

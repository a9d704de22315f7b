// SPDX-License-Identifier: MIT
#include "analysis_plan.h"

#include "brace_group.h"

#include "checkpointed_counts.h"
#include "count_index.h"
#include "count_limbs.h"
#include "count_sums.h"
#include "count_window.h"
#include "errors.h"
#include "group_distribution.h"
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
// What a run's steps take on this machine with no other work on it, timed on 10000d1000, two
// and four sizes of thousands of dice, 10000d6>=5 + 10000d1000 and pools of 20 to 160 sizes of
// a few dice: each limb a step multiplies, summed in 64 bits while the magnitudes of its
// coefficients add up to no more than the sums allow, in 128 bits beyond; each count it reads,
// however short; and each limb of its result, divided and stored. Combining kept dice with the
// rest is rated as it always was: 2·10^12 limb products at the limit.
constexpr long double kSecondsPerLimb = 7e-11L;
constexpr long double kSecondsPerWideLimb = 8e-10L;
constexpr long double kSecondsPerTerm = 1.1e-8L;
constexpr long double kSecondsPerResultLimb = 1e-9L;
constexpr long double kNarrowCoefficientSum = 8e9L;
// Runs estimated beyond this are refused: about a minute. Pools of dozens of sizes run up to a
// fifth longer than estimated, others shorter.
constexpr long double kMostSeconds = 65;
// What a refusal names must answer within a minute even where the estimate runs low.
constexpr long double kNamedSeconds = 45;
constexpr long double kSecondsPerKeptLimb = kMostSeconds / 2e12L;
// Kept counts beyond 62 bits are multiplied with the rest's limb by limb: each pair of limbs.
constexpr long double kSecondsPerLimbPair = 1e-9L;
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

// Kept dice: every count combines `width` consecutive counts of the rest, each about
// `bits` long beyond what 64-bit coefficients take at once.
struct KeptShape {
    std::int64_t width = 1;
    double bits = 0;
};

KeptShape KeptShapeOf(const DicePool& pool) {
    KeptShape shape;
    for (const KeptGroup& group : pool.Kept()) {
        shape.bits += group.OutcomeBits();
        shape.width += group.Spread();
    }
    return shape;
}

// The message for dice counted on their own beyond the work they may take: for plain kept dice
// how far they go; for others how many of the slowest group's dice answer.
std::string KeptRefusal(const DicePool& pool) {
    const auto slowest = std::max_element(
        pool.Kept().begin(), pool.Kept().end(),
        [](const KeptGroup& a, const KeptGroup& b) { return GroupWork(a) < GroupWork(b); });
    if (slowest->braces) {
        const std::string named = BraceNotation(*slowest->braces);
        return (pool.Notation() == named ? "" : pool.Description() + ": ") + named +
               " is too large to be counted in reasonable time" +
               WhatAnswers(*slowest->braces, kMaxKeptWork);
    }
    if (slowest->die.Uniform())
        return pool.Description() +
               " keeps too many of too many dice to be counted in reasonable time: kept dice go "
               "as far as about 1000d6kh500, 500d20kh250 or 150d100kh75";
    // Fewer dice never take longer: the most that do, by bisection, keeping as large a share.
    KeptGroup fewer = *slowest;
    auto shrunk = [&](std::int32_t dice) {
        fewer.count = dice;
        fewer.kept =
            slowest->kept == slowest->count
                ? dice
                : std::max<std::int32_t>(1, static_cast<std::int32_t>(std::int64_t{slowest->kept} *
                                                                      dice / slowest->count));
        return fewer;
    };
    std::int32_t low = 0;
    std::int32_t high = slowest->count;
    while (high - low > 1) {
        const std::int32_t middle = low + (high - low) / 2;
        (GroupWork(shrunk(middle)) <= kMaxKeptWork ? low : high) = middle;
    }
    std::string answers;
    if (low > 0) {
        const KeptGroup within = shrunk(low);
        answers =
            "; " + std::to_string(within.count) + " such dice" +
            (within.kept < within.count ? ", keeping " + std::to_string(within.kept) + "," : "") +
            " answer";
    }
    return pool.Description() + ": " + std::to_string(slowest->count) +
           " dice of this kind are too many to be counted in reasonable time" + answers;
}

double KeptWorkOf(const DicePool& pool) {
    double work = 0;
    for (const KeptGroup& group : pool.Kept())
        work += GroupWork(group);
    return work;
}

// Whether the run's length is checked: one size of plain dice never is, since its three counts a
// step take no longer than the memory for them allows.
bool Timed(const DicePool& pool) {
    return pool.Groups().size() > 1 || !pool.Symmetric();
}

// About how long the steps of the recurrence take here, in seconds. A step multiplies every
// count it reads that lies within the totals, limb by limb: the counts' lengths are bounded at
// samples of the totals, the terms read counted at the end of each stretch between them.
long double RunSeconds(const DicePool& pool, const PoolRecurrence& recurrence,
                       const std::atomic<bool>* cancel) {
    const std::int64_t last = CountIndex(pool).Entries() - 1;
    const CountLimbsProfile profile(pool, last);
    const std::vector<PoolRecurrence::Term>& terms = recurrence.Terms();
    long double coefficients = 0;
    for (const PoolRecurrence::Term& term : terms)
        coefficients += std::abs(static_cast<long double>(term.base)) +
                        std::abs(static_cast<long double>(term.slope)) * last;
    const long double perLimb =
        coefficients > kNarrowCoefficientSum ? kSecondsPerWideLimb : kSecondsPerLimb;
    const KeptShape kept = KeptShapeOf(pool);
    // A count combines only the kept values whose rest is a total of the rest.
    const std::int64_t combined = std::min(kept.width, recurrence.Spread() + 1);
    // Kept counts within 62 bits are coefficients; longer ones multiply the rest's counts limb
    // by limb, about half their length on average.
    const long double keptLimbs = kept.bits * std::log10(2.0) / kLimbDigits / 2 + 1;
    const long double keptFactor =
        kept.width <= 1   ? 0
        : kept.bits <= 62 ? static_cast<long double>(combined) * kSecondsPerKeptLimb
                          : static_cast<long double>(combined) * keptLimbs * kSecondsPerLimbPair;
    constexpr std::int64_t kStretches = 1024;
    const std::int64_t stretch = last / kStretches + 1;
    long double seconds = 0;
    std::size_t read = 0;
    for (std::int64_t from = 0; from <= last; from += stretch) {
        ThrowIfCancelled(cancel);
        const std::int64_t to = std::min(last, from + stretch - 1);
        while (read < terms.size() && terms[read].offset <= to)
            ++read;
        const auto totals = static_cast<long double>(to - from + 1);
        const auto limbs = static_cast<long double>(profile.At(to));
        seconds += totals * (static_cast<long double>(read) * (kSecondsPerTerm + limbs * perLimb) +
                             limbs * (kSecondsPerResultLimb + keptFactor));
    }
    return seconds;
}

// Whether a pool can be counted, and within the time a refusal may promise.
bool Answers(const DicePool& pool, const std::atomic<bool>* cancel) {
    if (pool.DiceCount() == 0 || pool.Spread() >= std::numeric_limits<std::int32_t>::max())
        return false;
    if (KeptWorkOf(pool) > kMaxKeptWork)
        return false;
    try {
        const PoolRecurrence recurrence(pool, cancel);
        return !Timed(pool) || RunSeconds(pool, recurrence, cancel) <= kNamedSeconds;
    } catch (const PoolLimitError&) {
        return false;
    }
}

// The pool's first `dice` dice in the order written, without its constant; a group of kept dice
// only whole.
DicePool FirstDice(const DicePool& pool, std::int64_t dice) {
    std::vector<DiceTerm> terms;
    for (DiceTerm term : pool.Terms()) {
        if (dice == 0)
            break;
        if (term.count > dice) {
            if (term.modifier >= Modifier::KeepHighest && term.modifier <= Modifier::DropLowest)
                break;
            term.count = static_cast<std::int32_t>(dice);
        }
        dice -= term.count;
        terms.push_back(term);
    }
    return DicePool(terms, 0);
}

// What the refusal of a pool adds: how many of its dice, taken in order, can be counted. The
// most that do, by bisection, since fewer dice never take longer.
std::string WhatAnswers(const DicePool& pool, const std::atomic<bool>* cancel) {
    std::int64_t answering = 0;
    std::int64_t low = 1;
    std::int64_t high = pool.DiceCount() - 1;
    while (low <= high) {
        const std::int64_t middle = low + (high - low) / 2;
        bool answers = false;
        try {
            answers = Answers(FirstDice(pool, middle), cancel);
        } catch (const IntegerOverflowError&) {
        }
        if (answers) {
            answering = middle;
            low = middle + 1;
        } else {
            high = middle - 1;
        }
    }
    if (answering == 0)
        return "";
    const DicePool first = FirstDice(pool, answering);
    DicePool lastTerm({first.Terms().back()}, 0);
    return "; its first " + std::to_string(answering) + " of " + std::to_string(pool.DiceCount()) +
           " dice, through " + lastTerm.Notation() + ", can be counted within about a minute";
}

std::string AboutHowLong(long double seconds) {
    const long double minutes = seconds / 60;
    if (minutes < 1.5L)
        return "more than a minute";
    if (minutes < 90)
        return "about " + std::to_string(std::lround(minutes)) + " minutes";
    const long double hours = minutes / 60;
    if (hours < 48)
        return "about " + std::to_string(static_cast<int>(std::lround(hours))) + " hours";
    return "about " + std::to_string(static_cast<long long>(std::llround(hours / 24))) + " days";
}

} // namespace

AnalysisPlan PlanAnalysis(const DicePool& pool, std::optional<std::uint64_t> memoryBudget,
                          std::optional<std::uint64_t> usableMemory, TablePurpose purpose,
                          const std::atomic<bool>* cancel) {
    // Every divisor of the recurrence, up to the spread, must stay below 2^31.
    if (pool.Spread() >= std::numeric_limits<std::int32_t>::max())
        throw PoolLimitError(pool.Description() + " has too many totals to be counted");
    AnalysisPlan plan;
    plan.pool = pool;
    // Kept dice: their own counts first, then every count combines `width` of the rest's.
    if (KeptWorkOf(pool) > kMaxKeptWork)
        throw PoolLimitError(KeptRefusal(pool));
    try {
        plan.recurrence = std::make_shared<const PoolRecurrence>(pool, cancel);
    } catch (const PoolLimitError& error) {
        throw PoolLimitError(error.what() + WhatAnswers(pool, cancel));
    }
    const PoolRecurrence& recurrence = *plan.recurrence;
    if (Timed(pool)) {
        const long double seconds = RunSeconds(pool, recurrence, cancel);
        if (seconds > kMostSeconds)
            throw PoolLimitError(pool.Description() + " would take " + AboutHowLong(seconds) +
                                 " to count exactly" + WhatAnswers(pool, cancel));
    }
    plan.span = std::max(recurrence.Reach() + 1, KeptShapeOf(pool).width);

    const TableSize whole = EstimateTableSize(pool);
    const bool fitsWhole = !memoryBudget || whole.bytes <= *memoryBudget;
    const bool notWhole = purpose != TablePurpose::Listing && whole.bytes > kFirstScreenBytes;
    const bool fewCheckpoints = notWhole && (purpose == TablePurpose::Summary || fitsWhole);
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
